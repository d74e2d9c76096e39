#pragma once

#include <string>
#include <vector>

namespace migration {

// Why a folder may not be deleted, whatever the settings say.
enum class Refusal {
    None,
    NotAbsolute,       // relative: it would depend on the current directory
    Missing,           // not there, or it cannot be resolved
    FileSystemRoot,    // "/" or a mount point
    Home,              // the user's home, or a folder that holds it
    HoldsCurrentData,  // the current version's settings, data, site database or programs
};

// The folders that the current version needs: the settings and data folders, the current
// site database folder and the folder of the running program.
std::vector<std::string> currentVersionFolders();

// Checks the folder as it resolves (links followed), so that a link cannot smuggle in a
// protected folder. guarded are folders that must survive: the folder may be neither one
// of them nor hold one.
Refusal deletionRefusal(const std::string& folder, const std::vector<std::string>& guarded);

}  // namespace migration
