// Which key sequences, with which timing and focus, become which file commands.
#include <gtest/gtest.h>

#include <QtCore/qnamespace.h>

#include <vector>

#include "keydispatcher.h"

using keys::Command;
using keys::KeyContext;
using keys::Side;

static_assert(keys::Escape == Qt::Key_Escape && keys::Backspace == Qt::Key_Backspace &&
              keys::Return == Qt::Key_Return && keys::Enter == Qt::Key_Enter &&
              keys::Delete == Qt::Key_Delete && keys::Home == Qt::Key_Home &&
              keys::Shift == Qt::Key_Shift && keys::Control == Qt::Key_Control &&
              keys::F2 == Qt::Key_F2 && keys::F5 == Qt::Key_F5 &&
              keys::QuoteLeft == Qt::Key_QuoteLeft && keys::AsciiTilde == Qt::Key_AsciiTilde &&
              'M' == Qt::Key_M);
static_assert(keys::kControlModifier == Qt::ControlModifier &&
              keys::kShiftModifier == Qt::ShiftModifier);

namespace {

constexpr int Ctrl = keys::Control, Chord = keys::kControlModifier,
              ShiftHeld = keys::kShiftModifier;

struct Press {
    int at;  // ms after the first press
    int key;
    int modifiers = 0;
};

const KeyContext localList{Side::Local, true, false, false};
const KeyContext remoteList{Side::Remote, true, false, false};
const KeyContext localBox{Side::Local, false, false, true};
const KeyContext remoteBox{Side::Remote, false, false, true};
const KeyContext localButton{Side::Local, false, false, false};
const KeyContext localEditor{Side::Local, false, true, false};
const KeyContext remoteEditor{Side::Remote, false, true, false};
const KeyContext nowhere{Side::None, false, false, false};

struct Case {
    const char* what;
    KeyContext context;
    std::vector<Press> presses;
    Command last;  // the command of the last press
    bool swallowed;
};

const Case kCases[] = {
    {"Ctrl then M on the remote list",
     remoteList,
     {{0, Ctrl}, {120, 'M'}},
     Command::NewDirectoryRemote,
     true},
    {"Ctrl then M on the local list",
     localList,
     {{0, Ctrl}, {499, 'M'}},
     Command::NewDirectoryLocal,
     true},
    {"M 600 ms after Ctrl is plain M", remoteList, {{0, Ctrl}, {600, 'M'}}, Command::None, false},
    {"M exactly 500 ms after Ctrl", remoteList, {{0, Ctrl}, {500, 'M'}}, Command::None, false},
    {"a real Ctrl+M chord, Ctrl held long",
     remoteList,
     {{0, Ctrl, Chord}, {2000, 'M', Chord}},
     Command::NewDirectoryRemote,
     true},
    {"a chord without a Ctrl key-down seen",
     localList,
     {{0, 'M', Chord}},
     Command::NewDirectoryLocal,
     true},
    {"a repeated Ctrl disarms",
     remoteList,
     {{0, Ctrl}, {100, Ctrl}, {200, 'M'}},
     Command::None,
     false},
    {"Ctrl re-armed after expiry",
     remoteList,
     {{0, Ctrl}, {700, Ctrl}, {900, 'M'}},
     Command::NewDirectoryRemote,
     true},
    {"a shortcut uses the arming up",
     localList,
     {{0, Ctrl}, {100, 'A'}, {200, 'M'}},
     Command::None,
     false},
    {"a key that is no shortcut disarms",
     localList,
     {{0, Ctrl}, {100, 'X'}, {200, 'M'}},
     Command::None,
     false},
    {"Ctrl+O on the local side",
     localList,
     {{0, Ctrl}, {50, 'O'}},
     Command::ChangeLocalDirectory,
     true},
    {"Ctrl+O on the remote side does nothing",
     remoteList,
     {{0, Ctrl}, {50, 'O'}},
     Command::None,
     false},
    {"Ctrl+P on the remote side",
     remoteList,
     {{0, 'P', Chord}},
     Command::ChangePermissionsRemote,
     true},
    {"Ctrl+P on the local side does nothing", localList, {{0, 'P', Chord}}, Command::None, false},
    {"Ctrl+S lower-cases local names",
     localList,
     {{0, 'S', Chord}},
     Command::LowerCaseNamesLocal,
     true},
    {"Ctrl+S on the remote side does nothing", remoteList, {{0, 'S', Chord}}, Command::None, false},
    {"Ctrl+N", remoteList, {{0, 'N', Chord}}, Command::RenameRemote, true},
    {"Ctrl+A local", localList, {{0, 'A', Chord}}, Command::SelectAllLocal, true},
    {"Ctrl+A remote", remoteList, {{0, 'A', Chord}}, Command::SelectAllRemote, true},
    {"Ctrl+A in a box selects its text", localBox, {{0, 'A', Chord}}, Command::None, false},
    {"Ctrl then A in a box", remoteBox, {{0, Ctrl}, {50, 'A'}}, Command::None, false},
    {"Ctrl+D local", localList, {{0, 'D', Chord}}, Command::ListLocalMissingOnServer, true},
    {"Ctrl+D remote", remoteList, {{0, 'D', Chord}}, Command::ListRemoteMissingLocally, true},
    {"Ctrl+U local", localList, {{0, 'U', Chord}}, Command::ListNewerLocal, true},
    {"Ctrl+U remote", remoteList, {{0, 'U', Chord}}, Command::ListNewerRemote, true},
    {"Ctrl then ` toggles the trace",
     remoteList,
     {{0, Ctrl}, {80, keys::QuoteLeft}},
     Command::ToggleTrace,
     true},
    {"Ctrl+~ with Shift too",
     localBox,
     {{0, keys::AsciiTilde, Chord | ShiftHeld}},
     Command::ToggleTrace,
     true},
    {"shortcuts need a pane", nowhere, {{0, Ctrl}, {80, 'M'}}, Command::None, false},
    {"Ctrl+M in an open editor is text", localEditor, {{0, 'M', Chord}}, Command::None, false},
    {"Escape without an editor is swallowed", localList, {{0, keys::Escape}}, Command::None, true},
    {"Escape anywhere in the window", nowhere, {{0, keys::Escape}}, Command::None, true},
    {"Escape after Ctrl is still swallowed",
     remoteList,
     {{0, Ctrl}, {10, keys::Escape}},
     Command::None,
     true},
    {"Escape in an editor cancels it", remoteEditor, {{0, keys::Escape}}, Command::None, false},
    {"Backspace on the local list",
     localList,
     {{0, keys::Backspace}},
     Command::UpOneLevelLocal,
     true},
    {"Backspace on the local up button",
     localButton,
     {{0, keys::Backspace}},
     Command::UpOneLevelLocal,
     true},
    {"Backspace on the remote list",
     remoteList,
     {{0, keys::Backspace}},
     Command::UpOneLevelRemote,
     true},
    {"Backspace in the local box edits", localBox, {{0, keys::Backspace}}, Command::None, false},
    {"Backspace in the remote box edits", remoteBox, {{0, keys::Backspace}}, Command::None, false},
    {"Backspace in an editor edits", remoteEditor, {{0, keys::Backspace}}, Command::None, false},
    {"Home on the remote side", remoteBox, {{0, keys::Home}}, Command::GoHomeRemote, true},
    {"Home on the local side", localList, {{0, keys::Home}}, Command::None, false},
    {"F2 local", localList, {{0, keys::F2}}, Command::RenameLocal, true},
    {"F2 remote", remoteList, {{0, keys::F2}}, Command::RenameRemote, true},
    {"F5 local", localBox, {{0, keys::F5}}, Command::RefreshLocal, true},
    {"F5 remote", remoteList, {{0, keys::F5}}, Command::RefreshRemote, true},
    {"F5 outside the panes", nowhere, {{0, keys::F5}}, Command::None, false},
    {"Enter on a local row", localList, {{0, keys::Return}}, Command::OpenLocalItem, true},
    {"Enter on a remote row", remoteList, {{0, keys::Enter}}, Command::OpenRemoteItem, true},
    {"Enter in a box is the box's", remoteBox, {{0, keys::Return}}, Command::None, false},
    {"Delete in the local list", localList, {{0, keys::Delete}}, Command::DeleteLocalToTrash, true},
    {"Delete in the remote list", remoteList, {{0, keys::Delete}}, Command::DeleteRemote, true},
    {"Delete in a box edits", localBox, {{0, keys::Delete}}, Command::None, false},
    {"Shift then Delete 300 ms later",
     localList,
     {{0, keys::Shift}, {300, keys::Delete}},
     Command::DeleteLocalPermanently,
     true},
    {"Shift then Delete 700 ms later",
     localList,
     {{0, keys::Shift}, {700, keys::Delete}},
     Command::DeleteLocalToTrash,
     true},
    {"Shift+Delete held together",
     localList,
     {{0, keys::Delete, ShiftHeld}},
     Command::DeleteLocalPermanently,
     true},
    {"one Shift arms one Delete",
     localList,
     {{0, keys::Shift}, {100, keys::Delete}, {200, keys::Delete}},
     Command::DeleteLocalToTrash,
     true},
};

}  // namespace

TEST(KeyDispatcher, SequencesWithTimingAndFocus) {
    for (const Case& c : kCases) {
        const keys::Clock::time_point start{std::chrono::hours(1)};
        keys::Clock::time_point now = start;
        keys::KeyDispatcher dispatcher([&now] { return now; });
        keys::KeyDecision decision;
        for (const Press& p : c.presses) {
            now = start + std::chrono::milliseconds(p.at);
            decision = dispatcher.press(p.key, p.modifiers, c.context);
        }
        EXPECT_EQ(decision.command, c.last) << c.what;
        EXPECT_EQ(decision.swallow, c.swallowed) << c.what;
    }
}

TEST(KeyDispatcher, TheLocalMenusDeleteUsesUpAShift) {
    const struct {
        int after;  // ms from Shift to the menu's delete
        bool permanent;
    } cases[] = {{300, true}, {700, false}};
    for (const auto& c : cases) {
        keys::Clock::time_point now{std::chrono::hours(1)};
        keys::KeyDispatcher dispatcher([&now] { return now; });
        dispatcher.press(keys::Shift, 0, localList);
        now += std::chrono::milliseconds(c.after);
        EXPECT_EQ(dispatcher.takeShiftArmed(), c.permanent) << c.after;
        EXPECT_FALSE(dispatcher.takeShiftArmed()) << "used up";
    }
}
