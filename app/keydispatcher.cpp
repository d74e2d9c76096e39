#include "keydispatcher.h"

namespace keys {
namespace {

bool within(const std::optional<Clock::time_point>& since, Clock::time_point now) {
    return since && now - *since < kArmedFor;
}

// The Ctrl table: the letter and the pane decide.
Command ctrlShortcut(int key, Side side) {
    const bool local = side == Side::Local;
    switch (key) {
        case 'A':
            return local ? Command::SelectAllLocal : Command::SelectAllRemote;
        case 'D':
            return local ? Command::ListLocalMissingOnServer : Command::ListRemoteMissingLocally;
        case 'M':
            return local ? Command::NewDirectoryLocal : Command::NewDirectoryRemote;
        case 'N':
            return local ? Command::RenameLocal : Command::RenameRemote;
        case 'O':
            return local ? Command::ChangeLocalDirectory : Command::None;
        case 'P':
            return local ? Command::None : Command::ChangePermissionsRemote;
        case 'S':
            return local ? Command::LowerCaseNamesLocal : Command::None;
        case 'U':
            return local ? Command::ListNewerLocal : Command::ListNewerRemote;
    }
    return Command::None;
}

// A key without Ctrl: the pane's own keys.
Command plainKey(int key, bool shiftArmed, const KeyContext& context) {
    const bool local = context.side == Side::Local;
    switch (key) {
        case Backspace:
            // In a directory box Backspace edits the text.
            if (context.comboFocused) return Command::None;
            return local ? Command::UpOneLevelLocal : Command::UpOneLevelRemote;
        case Home:
            return local ? Command::None : Command::GoHomeRemote;
        case F2:
            return local ? Command::RenameLocal : Command::RenameRemote;
        case F5:
            return local ? Command::RefreshLocal : Command::RefreshRemote;
        case Return:
        case Enter:
            if (!context.listFocused) return Command::None;
            return local ? Command::OpenLocalItem : Command::OpenRemoteItem;
        case Delete:
            if (!context.listFocused) return Command::None;
            if (!local) return Command::DeleteRemote;
            return shiftArmed ? Command::DeleteLocalPermanently : Command::DeleteLocalToTrash;
    }
    return Command::None;
}

}  // namespace

KeyDecision dispatchKey(int key, int modifiers, Clock::time_point now, const ArmedState& armed,
                        const KeyContext& context) {
    KeyDecision decision;
    decision.next.shiftSince = within(armed.shiftSince, now) ? armed.shiftSince : std::nullopt;
    // An in-place editor takes every key as text; the panes' keys wait until it closes.
    const Side side = context.editorOpen ? Side::None : context.side;
    const bool ctrlArmed = within(armed.ctrlSince, now);

    if (key == Control) {
        // A second Ctrl within the window disarms, as any key does.
        if (!ctrlArmed) decision.next.ctrlSince = now;
    } else if (key == Escape) {
        // Outside an editor Escape would close the main window.
        decision.swallow = !context.editorOpen;
    } else if (ctrlArmed || (modifiers & kControlModifier) != 0) {
        if (side == Side::None)
            decision.command = Command::None;
        else if (key == QuoteLeft || key == AsciiTilde)
            decision.command = Command::ToggleTrace;
        else if (key == 'A' && context.comboFocused)
            decision.command = Command::None;  // the box's own select-all of its text
        else
            decision.command = ctrlShortcut(key, side);
    } else if (key == Shift) {
        if (side == Side::Local && context.listFocused) decision.next.shiftSince = now;
    } else if (side != Side::None) {
        const bool shiftArmed = decision.next.shiftSince || (modifiers & kShiftModifier) != 0;
        decision.command = plainKey(key, shiftArmed, context);
        if (decision.command == Command::DeleteLocalPermanently ||
            decision.command == Command::DeleteLocalToTrash)
            decision.next.shiftSince.reset();
    }
    if (decision.command != Command::None) decision.swallow = true;
    return decision;
}

}  // namespace keys
