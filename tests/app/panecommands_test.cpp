// The file commands of both panes through the real window, with real focus: keys,
// double-clicks, the up buttons and the lock, against the scripted server.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTreeView>
#include <fstream>

#include "connecttestfixture.h"
#include "filelistview.h"

using testsupport::ScriptedFtpServer;
using Exchanges = std::vector<std::pair<std::string, std::string>>;
namespace fs = std::filesystem;

namespace {

const char* kSmallListing =
    "drwxr-xr-x   2 alice users     4096 Mar  1 09:12 sub\r\n"
    "-rw-r--r--   1 alice users       10 Mar  1 09:12 a.txt\r\n";

enum Side { Local, Remote };
// ClickName: a click on the name of the selected row opens the name editor.
enum Action { DoubleClick, Enter, Backspace, UpButton, F5, CtrlM, F2, Delete, CtrlS, ClickName };

struct Case {
    const char* label;
    Side side;
    Action action;
    const char* row;    // the row clicked first, or none
    const char* typed;  // the in-place editor's text; none: Escape
    bool lock;
    Exchanges exchanges;
    const char* listedAfter;  // the directory the pane is listed in afterwards, or none
    std::vector<int> messages;
    std::string remotePath;                    // where the server pane ends
    std::string localPath;                     // where the local pane ends, under the test folder
    std::vector<std::string> localNames = {};  // entries the local folder must hold afterwards
    bool lockAfter = false;
};

void press(QWidget* target, Action action) {
    static const std::map<Action, std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        {Enter, {Qt::Key_Return, {}}},
        {Backspace, {Qt::Key_Backspace, {}}},
        {F5, {Qt::Key_F5, {}}},
        {CtrlM, {Qt::Key_M, Qt::ControlModifier}},
        {F2, {Qt::Key_F2, {}}},
        {Delete, {Qt::Key_Delete, {}}},
        {CtrlS, {Qt::Key_S, Qt::ControlModifier}},
    };
    const auto& [key, modifiers] = keys.at(action);
    QTest::keyClick(target, key, modifiers);
}

}  // namespace

class PaneCommandsTest : public ConnectTest {
protected:
    // Clicks the named row (or just gives the list the focus) and does the action.
    void act(const Case& c) {
        FileListView& list = c.side == Local ? window_->localList() : window_->remoteList();
        QTreeView* view = list.detailsView();
        QPoint at(5, 5);
        if (c.row) {
            const int row = c.side == Local ? window_->localModel().findName(c.row)
                                            : window_->remoteModel().findName(c.row);
            ASSERT_GE(row, 0) << c.row;
            at = view->visualRect(view->model()->index(row, 0)).center();
        }
        if (c.action == DoubleClick) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
            return;
        }
        if (c.row)
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        else
            view->setFocus();
        if (c.action == UpButton) {
            QTest::mouseClick(window_->control(c.side == Local ? 1057 : 1058), Qt::LeftButton);
            return;
        }
        if (c.action == ClickName) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            ASSERT_TRUE(QTest::qWaitFor(
                [] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr; }));
        }
        if (c.action == Delete)
            QTimer::singleShot(0, [] {
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    dialog->done(1);
            });
        if (c.action != ClickName) press(QApplication::focusWidget(), c.action);
        if (c.action != CtrlM && c.action != F2 && c.action != ClickName) return;
        // The editor takes the focus once the event loop has run (slowly under the
        // sanitizers).
        ASSERT_TRUE(QTest::qWaitFor([] {
            return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
        })) << "the name editor is open";
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (!c.typed) {
            QTest::keyClick(editor, Qt::Key_Escape);
            return;
        }
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromStdString(c.typed));
        QTest::keyClick(editor, Qt::Key_Return);
    }

    void makeLocalFolder() {
        const fs::path local = root_ / "local";
        fs::remove_all(local);
        for (const char* dir : {"images", "sub"})
            fs::create_directories(local / dir);
        for (const char* file : {"a.txt", "b.txt", "README.TXT"})
            std::ofstream(local / file) << "x";
    }
};

namespace {

const Exchanges kIntoImages = {
    {"NOOP", "200 OK"}, {"CWD images", "250 OK"}, {"PWD", "257 \"/home/alice/images\""}};
const Exchanges kUpToHome = {{"NOOP", "200 OK"}, {"CWD ..", "250 OK"}, {"PWD", "257 \"/home\""}};
const Case kCases[] = {
    {"remote double-click",
     Remote,
     DoubleClick,
     "images",
     nullptr,
     false,
     kIntoImages,
     "/home/alice/images",
     {},
     "/home/alice/images",
     "local/"},
    {"remote Enter",
     Remote,
     Enter,
     "images",
     nullptr,
     false,
     kIntoImages,
     "/home/alice/images",
     {},
     "/home/alice/images",
     "local/"},
    {"remote folder refused",
     Remote,
     Enter,
     "images",
     nullptr,
     false,
     {{"NOOP", "200 OK"}, {"CWD images", "550 No"}},
     nullptr,
     {1250},
     "/home/alice",
     "local/"},
    {"remote Backspace",
     Remote,
     Backspace,
     "index.html",
     nullptr,
     false,
     kUpToHome,
     "/home",
     {},
     "/home",
     "local/"},
    {"remote up button",
     Remote,
     UpButton,
     nullptr,
     nullptr,
     false,
     kUpToHome,
     "/home",
     {},
     "/home",
     "local/"},
    {"remote F5",
     Remote,
     F5,
     nullptr,
     nullptr,
     false,
     {},
     "/home/alice",
     {},
     "/home/alice",
     "local/"},
    {"remote new folder",
     Remote,
     CtrlM,
     nullptr,
     "site",
     false,
     {{"NOOP", "200 OK"}, {"MKD site", "257 \"site\" made"}},
     "/home/alice",
     {},
     "/home/alice",
     "local/"},
    {"remote new folder cancelled",
     Remote,
     CtrlM,
     nullptr,
     nullptr,
     false,
     {{"NOOP", "200 OK"}, {"MKD 新目录", "550 No"}},
     "/home/alice",
     {},
     "/home/alice",
     "local/"},
    {"remote rename",
     Remote,
     F2,
     "index.html",
     "home.html",
     false,
     {{"NOOP", "200 OK"}, {"RNFR index.html", "350 More"}, {"RNTO home.html", "250 OK"}},
     "/home/alice",
     {},
     "/home/alice",
     "local/"},
    {"remote rename by a click on the name",
     Remote,
     ClickName,
     "index.html",
     "home.html",
     false,
     {{"RNFR index.html", "350 More"}, {"RNTO home.html", "250 OK"}},
     "/home/alice",
     {},
     "/home/alice",
     "local/"},
    {"remote rename refused",
     Remote,
     F2,
     "index.html",
     "home.html",
     false,
     {{"NOOP", "200 OK"}, {"RNFR index.html", "350 More"}, {"RNTO home.html", "553 No"}},
     nullptr,
     {1225},
     "/home/alice",
     "local/"},
    {"remote delete",
     Remote,
     Delete,
     "robots.txt",
     nullptr,
     false,
     {{"NOOP", "200 OK"}, {"DELE robots.txt", "250 OK"}},
     "/home/alice",
     {},
     "/home/alice",
     "local/"},
    {"lock moves both",
     Remote,
     DoubleClick,
     "images",
     nullptr,
     true,
     kIntoImages,
     "/home/alice/images",
     {},
     "/home/alice/images",
     "local/images/",
     {},
     true},
    {"lock released",
     Remote,
     DoubleClick,
     "docs",
     nullptr,
     true,
     {{"NOOP", "200 OK"}, {"CWD docs", "250 OK"}, {"PWD", "257 \"/home/alice/docs\""}},
     "/home/alice/docs",
     {111},
     "/home/alice/docs",
     "local/"},
    {"local double-click",
     Local,
     DoubleClick,
     "sub",
     nullptr,
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     "local/sub/"},
    {"local Enter",
     Local,
     Enter,
     "sub",
     nullptr,
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     "local/sub/"},
    {"local Backspace",
     Local,
     Backspace,
     "a.txt",
     nullptr,
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     ""},
    {"local up button",
     Local,
     UpButton,
     nullptr,
     nullptr,
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     ""},
    {"local lock",
     Local,
     DoubleClick,
     "sub",
     nullptr,
     true,
     {{"NOOP", "200 OK"}, {"CWD sub", "250 OK"}, {"PWD", "257 \"/home/alice/sub\""}},
     "/home/alice/sub",
     {},
     "/home/alice/sub",
     "local/sub/",
     {},
     true},
    {"local new folder",
     Local,
     CtrlM,
     nullptr,
     "made",
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     "local/",
     {"made"}},
    {"local new folder cancelled",
     Local,
     CtrlM,
     nullptr,
     nullptr,
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     "local/",
     {"新目录"}},
    {"local rename",
     Local,
     F2,
     "a.txt",
     "c.txt",
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     "local/",
     {"c.txt", "b.txt"}},
    {"local rename onto a name",
     Local,
     F2,
     "a.txt",
     "b.txt",
     false,
     {},
     nullptr,
     {1225},
     "/home/alice",
     "local/",
     {"a.txt", "b.txt"}},
    {"local delete to the trash",
     Local,
     Delete,
     "a.txt",
     nullptr,
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     "local/",
     {"../data/Trash/files/a.txt", "b.txt"}},
    {"local lower case",
     Local,
     CtrlS,
     "README.TXT",
     nullptr,
     false,
     {},
     nullptr,
     {},
     "/home/alice",
     "local/",
     {"readme.txt"}},
};

}  // namespace

TEST_F(PaneCommandsTest, CommandsOfBothPanes) {
    ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.label);
        makeLocalFolder();
        ScriptedFtpServer server;
        loginScript(server);
        readyScript(server);
        std::vector<std::string> expected;
        for (const auto& [command, reply] : c.exchanges) {
            server.expect(command, reply + "\r\n");
            expected.push_back(command);
        }
        if (c.listedAfter) {
            listingScript(server, c.listedAfter, kSmallListing);
            for (const char* command : {"NOOP", "PWD", "PASV", "LIST -la"})
                expected.push_back(command);
        }
        server.start();
        fs::current_path(root_ / "local");
        openPassiveWindow("site", server.port());
        ASSERT_TRUE(connect());
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        if (c.lock) QTest::mouseClick(window_->control(1056), Qt::LeftButton);
        const std::size_t askedBefore = prompts_.askedIds().size();
        act(c);
        QApplication::processEvents();

        EXPECT_TRUE(server.mismatches().empty()) << server.mismatches().front();
        const auto received = server.commands();
        ASSERT_GE(received.size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(received.end() - expected.size(), received.end()),
                  expected);
        const auto asked = prompts_.askedIds();
        EXPECT_EQ(std::vector<int>(asked.begin() + askedBefore, asked.end()), c.messages);
        EXPECT_EQ(window_->connection().remotePath(), c.remotePath);
        EXPECT_EQ(window_->localFolder(), (root_ / c.localPath).string());
        EXPECT_EQ(window_->directoryLocked(), c.lockAfter);
        for (const std::string& name : c.localNames)
            EXPECT_TRUE(fs::exists(root_ / "local" / name)) << name;
        window_.reset();
    }
}

// The keys after a name edit go to a window whose editor is gone (under ASan a stale
// look at it would show).
TEST_F(PaneCommandsTest, KeysAfterANameEdit) {
    makeLocalFolder();
    fs::current_path(root_ / "local");
    openPassiveWindow("site", testsupport::freeLoopbackPort());
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    for (const char* name : {"one", "two"}) {
        Case c{};
        c.side = Local;
        c.action = CtrlM;
        c.typed = name;
        act(c);
        // The next command waits until this edit has ended and the pane shows the folder.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return fs::is_directory(root_ / "local" / name) &&
                   window_->localModel().findName(name) >= 0 &&
                   !qobject_cast<QLineEdit*>(QApplication::focusWidget());
        })) << name;
    }
}
