#pragma once

#include <string>
#include <vector>

namespace migration {

// Exit codes for trandel: it starts tsymig again next time only after 0.
inline constexpr int kOfferAgain = 0;
inline constexpr int kNothingLeft = 1;

// "-m" (or "/m") followed by one character; "1" says that an earlier run migrated.
struct MigrationSwitch {
    bool present = false;
    bool done = false;
};
// Searches the arguments, not the program's own path, which holds "/" everywhere.
MigrationSwitch parseSwitch(const std::vector<std::string>& arguments);

// What is there to offer, found once at start-up.
struct Probes {
    bool oldSiteDataFound = false;
    bool oldSettingsFound = false;
    std::vector<std::string> deletableFolders;
};
Probes runProbes();

// Folders to delete are always offered; data to migrate only until a run has migrated.
bool dialogNeeded(const Probes& probes, bool done);

// The ticks of the dialog when OK was pressed.
struct Choices {
    bool siteAndServerSettings = false;
    bool optionSettings = false;
    bool neverShowAgain = true;
    bool deleteFolders = false;
};

// Migrates profiles, then options, then deletes the folders, as chosen, and returns the
// exit code: 1 only when all of it succeeded and the dialog is not to be shown again.
// Folders are deleted only after the migrations succeeded: the earlier edition's data
// must not go while a copy of it may have failed.
int carryOut(const Choices& choices, const Probes& probes);

}  // namespace migration
