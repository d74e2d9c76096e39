#include "migrationplan.h"

#include "olddataremoval.h"
#include "optionsmigration.h"
#include "profilemigration.h"

namespace migration {

MigrationSwitch parseSwitch(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += argument;
    }
    std::size_t at = line.find("/m");
    if (at == std::string::npos) at = line.find("-m");
    MigrationSwitch result;
    if (at == std::string::npos || at + 2 >= line.size()) return result;
    result.present = true;
    result.done = line[at + 2] == '1';
    return result;
}

Probes runProbes() {
    Probes probes;
    probes.oldSiteDataFound = oldSiteDataFound();
    probes.oldSettingsFound = oldSettingsFound();
    probes.deletableFolders = findDeletableFolders();
    return probes;
}

bool dialogNeeded(const Probes& probes, bool done) {
    return !probes.deletableFolders.empty() ||
           (!done && (probes.oldSiteDataFound || probes.oldSettingsFound));
}

int carryOut(const Choices& choices, const Probes& probes) {
    const bool profilesOk = migrateProfiles(false, choices.siteAndServerSettings);
    const bool optionsOk = !choices.optionSettings || migrateOptions();
    bool deletionOk = true;
    if (choices.deleteFolders && !probes.deletableFolders.empty())
        deletionOk = profilesOk && optionsOk && deleteOldFolders(probes.deletableFolders);
    const bool allOk = profilesOk && optionsOk && deletionOk;
    return allOk && choices.neverShowAgain ? kNothingLeft : kOfferAgain;
}

}  // namespace migration
