#pragma once

#include <optional>
#include <string>

class QWidget;

namespace platform {
class Prompts;
}
namespace tsy {
class SiteMgr50;
}

namespace options {

class CFtpOptSheet;

// How a run of the options sheet ended: what its caller needs to bring itself up to date.
struct OptionsOutcome {
    // OK: every page shown has saved. Cancel: nothing was saved.
    bool accepted = false;
    // A profile was deleted in the store during the run, whatever closed the sheet. The
    // deleted name may still be in the caller's profile list until it rebuilds it.
    bool profileDeleted = false;
    // OK only: the name in the profile page's name field (empty after a deletion that
    // left no profile shown).
    std::string profileName;
    // OK only: the working suffix list ("HTM:HTML:...:") of the profile named
    // currentProfileName, read after the pages saved; unset when that profile is not
    // stored (any more).
    std::optional<std::string> asciiSuffixes;
};

// Runs the options sheet modally over parent. currentProfileName is the profile selected
// in the main window's profile combo (empty for none): the profile page opens on it, or
// in the state of a new profile when it is empty or not stored. Every question goes
// through prompts.
OptionsOutcome runOptionsSheet(QWidget* parent, tsy::SiteMgr50& db, platform::Prompts& prompts,
                               const std::string& currentProfileName);

// The outcome of a sheet that has ended (accepted tells OK from Cancel).
OptionsOutcome outcomeOf(CFtpOptSheet& sheet, bool accepted, tsy::SiteMgr50& db,
                         const std::string& currentProfileName);

}  // namespace options
