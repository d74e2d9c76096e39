#pragma once

// Where the earlier edition ("Lumora", suite generation TSY4W) kept its data. On Linux its
// settings live in the same store as ours, so these are key paths of that store: per-user
// keys below the current user, the install record below the local machine.
namespace migration {

inline constexpr const char* kOldBaseKey = "Software\\Korvex\\TSY4W\\Lumora";
inline constexpr const char* kOldSettingsKey = "Software\\Korvex\\TSY4W\\Lumora\\Settings";
inline constexpr const char* kOldSiteKey = "Software\\Korvex\\TSY4W\\Lumora\\Settings\\Site";
inline constexpr const char* kOldOptionsKey = "Software\\Korvex\\TSY4W\\Lumora\\Settings\\Options";
inline constexpr const char* kOldContentsMgrKey =
    "Software\\Korvex\\TSY4W\\Lumora\\Settings\\Contents Mgr";
inline constexpr const char* kOldMachineKey = "SOFTWARE\\Korvex\\TSY4W";

// The second variant of the earlier edition; only its data folder matters to us.
inline constexpr const char* kOldSiteKeyVariant2 =
    "Software\\Korvex\\TSY4WT\\Lumora\\Settings\\Site";
inline constexpr const char* kOldMachineKeyVariant2 = "SOFTWARE\\Korvex\\TSY4WT";

// "Top" of a machine key: the install folder; non-empty while that edition is installed.
inline constexpr const char* kInstallFolderValue = "Top";

}  // namespace migration
