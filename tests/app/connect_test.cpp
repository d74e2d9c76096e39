// Connecting through the window against the scripted server: what the window shows of a
// connection and of its failures, the first listing, the directory last used, links, the
// typed filter, and a connection that is lost.
#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeView>
#include <chrono>
#include <fstream>

#include "connecttestfixture.h"
#include "filelistview.h"
#include "remotepanecontroller.h"
#include "uitexts.h"

using testsupport::DataStep;
using testsupport::Delivery;
using testsupport::ScriptedFtpServer;
using Commands = std::vector<std::string>;
using platform::Answer;

namespace {

// Also notes what status pane 0 showed when each message was asked (on the UI thread).
class PromptsSeeingStatus : public testsupport::ScriptedPrompts {
public:
    explicit PromptsSeeingStatus(const MainWindow& window) : window_(window) {}
    Answer ask(const platform::Message& message) override {
        statusWhenAsked.push_back(window_.statusText(0).toStdString());
        return ScriptedPrompts::ask(message);
    }
    std::vector<std::string> statusWhenAsked;

private:
    const MainWindow& window_;
};

}  // namespace

TEST_F(ConnectTest, DirectConnectFillsTheRemotePane) {
    ScriptedFtpServer server;
    loginScript(server);
    readyScript(server);
    server.expect("PWD", "257 \"/home/alice\"\r\n");
    server.expect("QUIT", "221 Bye\r\n");
    server.start();
    openPassiveWindow("site", server.port());

    ASSERT_TRUE(connect());
    EXPECT_TRUE(window_->ftpSession() != nullptr);
    EXPECT_EQ(window_->connectionIconState(), 3);
    EXPECT_EQ(remoteNames(), (Commands{"docs", "images", "index.html", "latest", "robots.txt"}));
    const auto& model = window_->remoteModel();
    EXPECT_EQ(model.item(0).entryType, ftp::EntryType::Directory)
        << "a link to a directory is a directory row";
    EXPECT_TRUE(model.item(0).isDirectory);
    EXPECT_EQ(model.item(3).entryType, ftp::EntryType::LinkToFile) << "a link to a file";
    EXPECT_EQ(model.data(model.index(2, 4), Qt::DisplayRole).toString(), "-rw-r--r--");
    EXPECT_EQ(window_->statusText(0), "已连接服务器 '127.0.0.1'.");
    EXPECT_TRUE(window_->control(1027)->isEnabled());
    EXPECT_TRUE(window_->control(1056)->isEnabled());
    EXPECT_FALSE(window_->control(1000)->isEnabled());
    EXPECT_FALSE(window_->control(1020)->isEnabled());
    EXPECT_EQ(window_->control<QComboBox>(1002)->currentText(), "/home/alice");
    EXPECT_EQ(window_->connection().homeDirectory(), "/home/alice");
    EXPECT_TRUE(server.mismatches().empty()) << server.mismatches().front();
    EXPECT_TRUE(prompts_.asked().empty());

    // Disconnecting: PWD remembered, QUIT, the remote pane emptied.
    window_->connection().toggleConnection();
    EXPECT_EQ(window_->ftpSession(), nullptr);
    EXPECT_EQ(window_->connectionIconState(), 0);
    EXPECT_EQ(window_->remoteModel().size(), 0);
    EXPECT_EQ(window_->lastRemotePath(), "/home/alice");
    EXPECT_TRUE(window_->control(1000)->isEnabled());
    EXPECT_FALSE(window_->control(1027)->isEnabled());
}

TEST_F(ConnectTest, PassiveModeFromTheProfileName) {
    ScriptedFtpServer server;
    loginScript(server);
    readyScript(server);
    server.start();
    auto p = profile("site:passive_mode", server.port());
    p.passiveMode = 0;
    save(p);
    openWindow("site:passive_mode");
    ASSERT_TRUE(connect());
    EXPECT_TRUE(window_->ftpSession()->passive);
    EXPECT_EQ(window_->remoteModel().size(), 5);
}

TEST_F(ConnectTest, RefusedConnectionShows1200) {
    save(profile("dead", testsupport::freeLoopbackPort()));
    openWindow("dead");
    ASSERT_TRUE(connect());
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1200});
    EXPECT_EQ(std::get<std::string>(prompts_.asked()[0].args[0]), "127.0.0.1");
    EXPECT_EQ(window_->ftpSession(), nullptr);
    EXPECT_EQ(window_->connectionIconState(), 0);
    EXPECT_TRUE(window_->control(1019)->isEnabled());
    EXPECT_TRUE(window_->control(1000)->isEnabled());
}

// The refusals and their messages are the connect worker's; here the window's part: the
// status bar is empty when the message is asked and stays so, and the session is gone.
TEST_F(ConnectTest, RefusedLoginShowsItsMessageBesideAnEmptyStatusBar) {
    ScriptedFtpServer server;
    server.expect("USER alice", "331 Password\r\n");
    server.expect("PASS pw", "530 Login incorrect\r\n");
    server.expect("SYST", "215 UNIX Type: L8\r\n");
    server.start();
    save(profile("site", server.port()));
    openWindow("site");
    PromptsSeeingStatus prompts(*window_);
    window_->setPrompts(&prompts);
    ASSERT_TRUE(connect());
    EXPECT_EQ(prompts.askedIds(), std::vector<int>{1205});
    EXPECT_EQ(prompts.statusWhenAsked, Commands{""});
    EXPECT_EQ(window_->ftpSession(), nullptr);
    EXPECT_TRUE(server.waitForDisconnect());
    EXPECT_EQ(server.commands().back(), "QUIT") << "the session is closed";
    EXPECT_EQ(window_->statusText(0).toStdString(), "");
}

TEST_F(ConnectTest, FirewallFailuresShow1203WithTheFirewallHost) {
    auto p = profile("fw", 21);
    p.useFirewall = 1;
    p.firewallHost = "127.0.0.1";
    p.firewallUser = "fwuser";
    p.firewallPassword = "fwpw";
    save(p);
    openWindow("fw");
    window_->connection().setFirewallPort(testsupport::freeLoopbackPort());
    ASSERT_TRUE(connect());
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1203});
    EXPECT_EQ(std::get<std::string>(prompts_.asked()[0].args[0]), "127.0.0.1");
}

// Mode 1 starts in the directory last used, which the window hands to the worker; a
// refusal keeps the connection.
TEST_F(ConnectTest, InitialDirectoryLastUsed) {
    ScriptedFtpServer server;
    loginScript(server);
    server.expect("CWD /gone", "550 No such directory\r\n");
    readyScript(server);
    server.start();
    auto p = profile("site", server.port());
    p.initialDirMode = 1;
    p.mruRemoteDir = "/gone";
    p.passiveMode = 1;
    save(p);
    openWindow("site");
    ASSERT_TRUE(connect());
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1260});
    EXPECT_EQ(std::get<std::string>(prompts_.asked()[0].args[0]), "/gone");
    EXPECT_NE(window_->ftpSession(), nullptr);
    EXPECT_EQ(window_->connectionIconState(), 3);
    EXPECT_TRUE(server.mismatches().empty());
}

TEST_F(ConnectTest, TypedRemotePatternFiltersOneRefresh) {
    ScriptedFtpServer server;
    loginScript(server);
    readyScript(server);
    server.expect("NOOP", "200 OK\r\n");
    server.expect("CWD /home/alice/", "250 OK\r\n");
    // The links are filtered out before they would be probed.
    listingScript(server, "/home/alice", kListing, false);
    listingScript(server, "/home/alice", kListing, true);
    server.start();
    openPassiveWindow("site", server.port());
    ASSERT_TRUE(connect());
    window_->remotePane().pathTyped("/home/alice/*.htm");
    EXPECT_EQ(remoteNames(), Commands{"index.html"});
    window_->connection().refreshRemote();
    EXPECT_EQ(remoteNames().size(), 5u);
    EXPECT_TRUE(server.mismatches().empty()) << server.mismatches().front();
}

TEST_F(ConnectTest, LostConnectionNoDisconnectsYesReconnects) {
    ScriptedFtpServer server;
    loginScript(server);
    readyScript(server);
    // The server goes away before the next command.
    server.expect("NOOP", "", Delivery::CloseAfter);
    // The reconnection starts a new control connection on the same script.
    loginScript(server);
    readyScript(server);
    server.expect("NOOP", "", Delivery::CloseAfter);
    server.start();
    openPassiveWindow("site", server.port());
    ASSERT_TRUE(connect());

    prompts_.answer(Answer::Yes);
    window_->connection().refreshRemote();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window_->ftpSession() && !window_->workerRunning() &&
                   window_->connectionIconState() == 3;
        },
        20000));
    EXPECT_EQ(server.connectionsAccepted(), 2u);
    EXPECT_EQ(remoteNames().size(), 5u);

    prompts_.answer(Answer::No);
    window_->connection().refreshRemote();
    EXPECT_EQ(window_->ftpSession(), nullptr);
    EXPECT_EQ(prompts_.askedIds(), (std::vector<int>{1249, 1249}));
    EXPECT_EQ(window_->statusText(0), "") << "nothing of the dead connection stays";
}

// Ctrl+D and Ctrl+U on the server pane: a dead connection keeps the Ctrl+D filter for the
// first listing after it, and never sets the Ctrl+U one.
TEST_F(ConnectTest, RemoteComparisonKeys) {
    struct Case {
        const char* what;
        Qt::Key key;
        bool alive;
        Commands names;  // listed afterwards, when alive
        bool flagLeft;   // the key's flag still set afterwards
    };
    const Case cases[] = {
        {"Ctrl+D lists what the local folder lacks",
         Qt::Key_D,
         true,
         {"docs", "images", "latest", "robots.txt"},
         false},
        {"Ctrl+U lists what is newer than its local namesake", Qt::Key_U, true, {}, false},
        {"Ctrl+D on a dead connection keeps its flag", Qt::Key_D, false, {}, true},
        {"Ctrl+U on a dead connection sets nothing", Qt::Key_U, false, {}, false},
    };
    std::ofstream(root_ / "local" / "index.html") << "x";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedFtpServer server;
        loginScript(server);
        readyScript(server);
        if (c.key == Qt::Key_U && c.alive) server.expect("NOOP", "200 OK\r\n");
        if (c.alive)
            listingScript(server, "/home/alice", kListing, true);
        else
            server.expect("NOOP", "", Delivery::CloseAfter);
        server.start();
        openPassiveWindow("site", server.port());
        window_->refreshLocal();
        testsupport::ScriptedPrompts prompts;
        window_->setPrompts(&prompts);
        ASSERT_TRUE(connect());
        prompts.answer(Answer::No);
        QTest::keyClick(window_->remoteList().currentView(), c.key, Qt::ControlModifier);
        const comparison::PaneFilters& flags = window_->listingFilters().remote;
        EXPECT_EQ(c.key == Qt::Key_D ? flags.notOnOtherSide : flags.newer, c.flagLeft);
        if (c.alive) {
            EXPECT_EQ(remoteNames(), c.names);
        }
        EXPECT_EQ(prompts.askedIds(), c.alive ? std::vector<int>{} : std::vector<int>{1249});
        EXPECT_TRUE(server.mismatches().empty()) << server.mismatches().front();
        window_.reset();
    }
}

// The first listing runs while the connect worker still waits for it: its failures
// must end the connection (and reconnect on Yes) all the same.
TEST_F(ConnectTest, FirstListingFailures) {
    struct Case {
        const char* what;
        Delivery noop;    // the NOOP before the listing; CloseAfter: the server is gone
        const char* pwd;  // the listing's PWD reply, when NOOP was answered
        Answer answer;    // to message 1249
        int message;
        bool reconnected;
    } cases[] = {
        {"lost, No", Delivery::CloseAfter, nullptr, Answer::No, 1249, false},
        {"lost, Yes", Delivery::CloseAfter, nullptr, Answer::Yes, 1249, true},
        {"PWD refused", Delivery::Whole, "550 Gone\r\n", Answer::Ok, 1255, false},
    };
    for (const Case& c : cases) {
        ScriptedFtpServer server;
        loginScript(server);
        server.expect("site IDLE 7200", "200 OK\r\n");
        server.expect("NOOP", c.pwd ? "200 OK\r\n" : "", c.noop);
        if (c.pwd) {
            server.expect("PWD", c.pwd);
            server.expect("PWD", c.pwd);  // at the disconnect
            server.expect("QUIT", "221 Bye\r\n");
        }
        if (c.reconnected) {
            loginScript(server);
            readyScript(server);
        }
        server.start();
        auto p = profile("site", server.port());
        p.passiveMode = 1;
        p.mruRemoteDir = "/before";
        save(p);
        openWindow("site");
        testsupport::ScriptedPrompts prompts;
        prompts.answer(c.answer);
        window_->setPrompts(&prompts);

        ASSERT_TRUE(connect()) << c.what;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !window_->workerRunning() && (!window_->ftpSession() || c.reconnected); },
            20000))
            << c.what;
        if (c.reconnected) {
            // Ready once the reconnection's worker has ended, after its first listing.
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return window_->connectionIconState() == 3 && !window_->workerRunning() &&
                           window_->control(1019)->isEnabled();
                },
                20000))
                << c.what;
        }
        EXPECT_EQ(prompts.askedIds(), std::vector<int>{c.message}) << c.what;
        EXPECT_EQ(server.connectionsAccepted(), c.reconnected ? 2u : 1u) << c.what;
        EXPECT_EQ(window_->ftpSession() != nullptr, c.reconnected) << c.what;
        EXPECT_EQ(window_->control(1027)->isEnabled(), c.reconnected) << c.what;
        EXPECT_EQ(window_->control(1000)->isEnabled(), !c.reconnected) << c.what;
        EXPECT_TRUE(window_->control(1019)->isEnabled()) << c.what;
        if (!c.reconnected) {
            EXPECT_EQ(window_->connectionIconState(), 0) << c.what;
            EXPECT_EQ(window_->lastRemotePath(), "") << c.what << ": no PWD confirmed it";
            EXPECT_EQ(window_->statusText(0).contains("UNIX"), false) << c.what;
        }
        EXPECT_TRUE(server.mismatches().empty()) << c.what << ": " << server.mismatches().front();
        window_.reset();
    }
}

TEST_F(ConnectTest, ClosingDuringASlowLoginNeitherHangsNorCrashes) {
    ScriptedFtpServer server;
    server.setSlowByteDelay(std::chrono::milliseconds(300));
    server.expect("USER alice", "331 Password required, take your time\r\n", Delivery::SlowBytes);
    server.start();
    save(profile("site", server.port()));
    openWindow("site");
    window_->connection().toggleConnection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.commands().empty(); }, 10000));
    prompts_.answer(Answer::Ok);  // message 105: quit while connected
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(window_->close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(window_->workerRunning() && window_->isVisible());
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{105});
    window_.reset();
}

TEST_F(ConnectTest, ScreenshotsOfTheConnectedWindowAtScreenSize) {
    // Long names, sizes over 10 MB and times must all show whole.
    const char* listing =
        "total 3\r\n"
        "drwxr-xr-x   2 alice users     4096 Dec  8 08:45 images\r\n"
        "-rw-r--r--   1 alice users 98765432 Dec  8 08:45 holiday-photos-of-the-bakery-2026.zip\r\n"
        "-rw-r--r--   1 alice users    12345 Dec  8 23:59 index.html\r\n";
    for (const char* name : {"index.html", "about.html", "style.css", "menu.js"})
        std::ofstream(root_ / "local" / name) << std::string(1800, 'x');
    std::ofstream(root_ / "local" / "price-list-for-the-spring-season.pdf") << "x";
    std::filesystem::resize_file(root_ / "local" / "price-list-for-the-spring-season.pdf",
                                 23LL << 20);
    std::filesystem::create_directories(root_ / "local" / "images");
    const std::pair<UiTexts::Language, const char*> languages[] = {
        {UiTexts::Language::Chinese, "zh"}, {UiTexts::Language::English, "en"}};
    for (const auto& [language, suffix] : languages) {
        UiTexts texts(language);
        ScriptedFtpServer server;
        loginScript(server);
        server.expect("site IDLE 7200", "200 OK\r\n");
        listingScript(server, "/home/alice", listing);
        server.start();
        openPassiveWindow("Harbour Lane", server.port());
        // As maximised on a common screen (the test platform's screen is smaller).
        window_->resize(1600, 900);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        window_->refreshLocal();
        ASSERT_TRUE(connect());
        // The largest rate the status pane is sized for, in the language's own format.
        std::string rate;
        ASSERT_TRUE(ftp::formatRate(uitexts::text(1272).toStdString(), 9999999.9, rate));
        window_->setStatusText(1, QString::fromStdString(rate));
        QApplication::processEvents();
        QDir().mkpath(screenshotPath(""));
        EXPECT_TRUE(window_->grab().save(screenshotPath(QString("connected_%1.png").arg(suffix))));
        window_.reset();
    }
}

TEST_F(ConnectTest, RateTextFollowsTheLanguage) {
    const std::pair<UiTexts::Language, std::string> cases[] = {
        {UiTexts::Language::Chinese, "%4.1f K 字节/sec"},
        {UiTexts::Language::English, "%4.1f KB/sec"}};
    for (const auto& [language, format] : cases) {
        UiTexts texts(language);
        ScriptedFtpServer server;
        loginScript(server);
        readyScript(server);
        server.start();
        openPassiveWindow("site", server.port());
        ASSERT_TRUE(connect());
        ASSERT_NE(window_->ftpSession(), nullptr);
        EXPECT_EQ(window_->ftpSession()->rateFormat(), format);
        window_.reset();
    }
}

// Enter in either directory box or on a list row, with the keyboard focus where a click
// puts it: it never connects or disconnects, and each box applies what was typed.
namespace enter {

enum Target { LocalBox, RemoteBox, LocalRow, RemoteRow };
struct Case {
    Target target;
    Qt::Key key;
    bool connected;
    bool applied;  // the typed path entered, or the row opened
};
const Case kCases[] = {
    {LocalBox, Qt::Key_Return, false, true},   {LocalBox, Qt::Key_Enter, false, true},
    {LocalBox, Qt::Key_Return, true, true},    {LocalBox, Qt::Key_Enter, true, true},
    {RemoteBox, Qt::Key_Return, false, false}, {RemoteBox, Qt::Key_Enter, false, false},
    {RemoteBox, Qt::Key_Return, true, true},   {RemoteBox, Qt::Key_Enter, true, true},
    {LocalRow, Qt::Key_Return, false, true},   {LocalRow, Qt::Key_Enter, false, true},
    {LocalRow, Qt::Key_Return, true, true},    {LocalRow, Qt::Key_Enter, true, true},
    {RemoteRow, Qt::Key_Return, false, false}, {RemoteRow, Qt::Key_Enter, true, true},
    {RemoteRow, Qt::Key_Return, true, true},
};

// What the server sees of a connected case's Enter.
void script(ScriptedFtpServer& server, const Case& c) {
    loginScript(server);
    readyScript(server);
    if (c.connected && c.target == RemoteRow) {
        server.expect("NOOP", "200 OK\r\n");
        server.expect("CWD docs", "250 OK\r\n");
        server.expect("PWD", "257 \"/home/alice/docs\"\r\n");
        listingScript(server, "/home/alice/docs", "");
    }
    if (c.connected && c.target == RemoteBox) {
        server.expect("NOOP", "200 OK\r\n");
        server.expect("CWD /srv/www", "250 OK\r\n");
        listingScript(server, "/srv/www", kListing, true);
    }
}

}  // namespace enter

TEST_F(ConnectTest, EnterInTheBoxesAndOnRowsNeverConnectsOrDisconnects) {
    using namespace enter;
    std::filesystem::create_directories(root_ / "local" / "sub");
    const std::string typedLocal = (root_ / "local" / "sub").string();
    for (const Case& c : kCases) {
        const std::string label = std::to_string(c.target) +
                                  (c.key == Qt::Key_Enter ? " keypad" : "") +
                                  (c.connected ? " connected" : " disconnected");
        ScriptedFtpServer server;
        script(server, c);
        if (c.connected) server.start();
        std::filesystem::current_path(root_ / "local");
        openPassiveWindow("site", c.connected ? server.port() : testsupport::freeLoopbackPort());
        if (c.connected) {
            ASSERT_TRUE(connect()) << label;
        }
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get())) << label;

        auto* localBox = window_->control<QComboBox>(1031);
        auto* remoteBox = window_->control<QComboBox>(1002);
        FileListView& list = c.target == LocalRow ? window_->localList() : window_->remoteList();
        QSignalSpy opened(&list, &FileListView::rowActivated);
        if (c.target == LocalBox || c.target == RemoteBox) {
            QComboBox* box = c.target == LocalBox ? localBox : remoteBox;
            QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
            box->lineEdit()->clear();
            QTest::keyClicks(
                QApplication::focusWidget(),
                QString::fromStdString(c.target == LocalBox ? typedLocal : "/srv/www"));
        } else {
            QTreeView* view = list.detailsView();
            const QRect first = view->visualRect(view->model()->index(0, 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              first.isValid() ? first.center() : QPoint(10, 10));
        }
        QTest::keyClick(QApplication::focusWidget(), c.key);
        QApplication::processEvents();

        EXPECT_FALSE(window_->workerRunning()) << label;
        EXPECT_EQ(window_->ftpSession() != nullptr, c.connected) << label;
        EXPECT_TRUE(prompts_.asked().empty()) << label;
        EXPECT_TRUE(server.mismatches().empty()) << label << ": " << server.mismatches().front();
        bool applied = false;
        switch (c.target) {
            case LocalBox:
                applied = window_->localFolder() == typedLocal + "/";
                break;
            case RemoteBox:
                applied = window_->connection().remotePath() == "/srv/www";
                break;
            default:
                applied = opened.count() == 1 && opened.front().front().toInt() == 0;
        }
        EXPECT_EQ(applied, c.applied) << label;
        window_.reset();
    }
}
