#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <utility>

// Which key-down in the main window becomes which file command. Pure: the window passes
// each key-down with the time, the focus and the armed state, and gets back the command,
// whether to swallow the key and the new armed state. No Qt here; key and modifier
// values are those of Qt (QKeyEvent::key() and ::modifiers()), so the window passes them
// straight in.
namespace keys {

using Clock = std::chrono::steady_clock;

// Qt::Key values.
constexpr int Escape = 0x01000000;
constexpr int Backspace = 0x01000003;
constexpr int Return = 0x01000004;
constexpr int Enter = 0x01000005;
constexpr int Delete = 0x01000007;
constexpr int Home = 0x01000010;
constexpr int Shift = 0x01000020;
constexpr int Control = 0x01000021;
constexpr int F2 = 0x01000031;
constexpr int F5 = 0x01000034;
constexpr int QuoteLeft = 0x60;   // the key left of 1 on a US keyboard
constexpr int AsciiTilde = 0x7e;  // the same key with Shift
// Qt::KeyboardModifier bits.
constexpr int kShiftModifier = 0x02000000;
constexpr int kControlModifier = 0x04000000;

// A Ctrl or Shift key-down arms the next key for this long.
constexpr std::chrono::milliseconds kArmedFor{500};

enum class Side { None, Local, Remote };

enum class Command {
    None,
    UpOneLevelLocal,
    UpOneLevelRemote,
    GoHomeRemote,
    OpenLocalItem,
    OpenRemoteItem,
    RenameLocal,
    RenameRemote,
    RefreshLocal,
    RefreshRemote,
    SelectAllLocal,
    SelectAllRemote,
    NewDirectoryLocal,
    NewDirectoryRemote,
    ChangeLocalDirectory,
    ChangePermissionsRemote,
    LowerCaseNamesLocal,
    ListLocalMissingOnServer,
    ListRemoteMissingLocally,
    ListNewerLocal,
    ListNewerRemote,
    DeleteLocalToTrash,
    DeleteLocalPermanently,
    DeleteRemote,
    ToggleTrace,
};

// Where the key-down happened.
struct KeyContext {
    Side side = Side::None;     // the pane that has the focus (list, up button, boxes)
    bool listFocused = false;   // that pane's list itself has the focus
    bool editorOpen = false;    // an in-place editor of either list is open
    bool comboFocused = false;  // a directory box (or its edit field) has the focus
};

// When Ctrl and Shift were last pressed while they still count; empty when disarmed.
struct ArmedState {
    std::optional<Clock::time_point> ctrlSince;
    std::optional<Clock::time_point> shiftSince;
};

struct KeyDecision {
    Command command = Command::None;
    // The key does not reach the focused widget: a key that ran a command, and Escape
    // outside an in-place editor (it would close the window).
    bool swallow = false;
    ArmedState next;
};

// Ctrl then a letter within 500 ms is a shortcut, and so is the letter pressed with Ctrl
// held; Shift then Delete within 500 ms in the local list deletes permanently, and so
// does Shift+Delete. Any key after Ctrl disarms it, Ctrl included.
KeyDecision dispatchKey(int key, int modifiers, Clock::time_point now, const ArmedState& armed,
                        const KeyContext& context);

// The window's holder of the armed state, with the clock it reads.
class KeyDispatcher {
public:
    using Now = std::function<Clock::time_point()>;
    explicit KeyDispatcher(Now now = &Clock::now) : now_(std::move(now)) {}
    KeyDecision press(int key, int modifiers, const KeyContext& context) {
        KeyDecision decision = dispatchKey(key, modifiers, now_(), armed_, context);
        armed_ = decision.next;
        return decision;
    }
    // For the delete command of the local menu: whether Shift armed it, used up here.
    bool takeShiftArmed() {
        const bool armed = armed_.shiftSince && now_() - *armed_.shiftSince < kArmedFor;
        armed_.shiftSince.reset();
        return armed;
    }

private:
    Now now_;
    ArmedState armed_;
};

}  // namespace keys
