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

// How a run of the options sheet ended, and what the main window needs to bring itself
// up to date.
struct OptionsOutcome {
    // OK: every page shown has saved. The main window then
    //  1. takes asciiSuffixes (when set) as its record's suffix list; unset means its
    //     profile is no longer stored and its list stays as it was;
    //  2. rebuilds its profile combo from the store;
    //  3. selects the combo entry exactly equal to profileName, makes it the current
    //     profile index (and lastUsedProfile) and loads it as a selection by the user
    //     does; without such an entry it re-selects the previous index without loading.
    // Cancel: nothing was saved and the main window refreshes nothing.
    bool accepted = false;
    // A profile was deleted in the store during the run, whatever closed the sheet: the
    // main window clears its own profile record (its suffix list stays). Its combo keeps
    // listing the deleted profile until the next OK rebuilds it.
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
