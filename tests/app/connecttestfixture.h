#pragma once

#include <unistd.h>

#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "connectioncontroller.h"
#include "ftpsession.h"
#include "mainwindow.h"
#include "profilestore.h"
#include "realftpservers.h"
#include "scriptedftpserver.h"
#include "scriptedprompts.h"
#include "sitemgr50.h"
#include "uitestfixture.h"

inline const char* kListing =
    "total 12\r\n"
    "drwxr-xr-x   2 alice users     4096 Mar  1 09:12 .\r\n"
    "drwxr-xr-x   5 root  root      4096 Jan  5  2023 ..\r\n"
    "drwxr-xr-x   2 alice users     4096 Mar  1 09:12 images\r\n"
    "-rw-r--r--   1 alice users     1536 Mar  1 09:12 index.html\r\n"
    "-rw-r--r--   1 alice users      100 Feb 11 18:40 robots.txt\r\n"
    "lrwxrwxrwx   1 alice users        6 Feb 11 18:40 docs -> images\r\n"
    "lrwxrwxrwx   1 alice users        9 Feb 11 18:40 latest -> index.html\r\n";

// The server side of a login and of the first listing in passive mode (EPSV over IPv6).
inline void loginScript(testsupport::ScriptedFtpServer& s,
                        const std::string& home = "/home/alice") {
    s.expectLogin("alice");
    s.expect("PWD", "257 \"" + home + "\" is the current directory\r\n");
}
inline void listingScript(testsupport::ScriptedFtpServer& s, const std::string& dir,
                          const std::string& listing, bool links = false) {
    s.expect("NOOP", "200 OK\r\n");
    s.expect("PWD", "257 \"" + dir + "\"\r\n");
    if (s.family() == AF_INET6)
        s.expectEpsv();
    else
        s.expectPasv();
    s.expectSendData("LIST -la", testsupport::DataStep{.data = listing});
    if (links) {
        s.expect("CWD docs", "250 OK\r\n");
        s.expect("CWD " + dir, "250 OK\r\n");
        s.expect("CWD latest", "550 Not a directory\r\n");
    }
}
inline void readyScript(testsupport::ScriptedFtpServer& s, const std::string& dir = "/home/alice") {
    s.expect("site IDLE 7200", "200 OK\r\n");
    listingScript(s, dir, kListing, true);
}

// A main window with a site database of its own in a temporary configuration, scripted
// prompts, and helpers to connect to a server and wait for the connect worker.
class ConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        root_ = std::filesystem::temp_directory_path() /
                ("trandel-connect-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "config");
        std::filesystem::create_directories(root_ / "local");
        ::setenv("TESSALY_CONFIG_DIR", (root_ / "config").c_str(), 1);
        // Job logs and the trash of replaced downloads stay in the test's folder.
        ::setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        ASSERT_GE(session::openSiteDatabase(db_), 0);
    }
    void TearDown() override {
        window_.reset();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(root_);
    }

    session::ServerProfile profile(const std::string& name, int port) {
        session::ServerProfile p;
        p.name = name;
        p.host = "127.0.0.1";
        p.user = "alice";
        p.password = "pw";
        p.port = port;
        p.mruLocalDir = (root_ / "local").string() + "/";
        p.encryption = session::kPlainFtp;  // the scripted dialogues are plain unless a test says
        return p;
    }
    void save(const session::ServerProfile& p) { ASSERT_EQ(session::saveProfile(db_, p), 1); }

    // Opens the window on the profile of that name.
    void openWindow(const std::string& profileName) {
        window_ = std::make_unique<MainWindow>(MainWindow::Context{&db_, "", ""});
        window_->setPrompts(&prompts_);
        ASSERT_TRUE(window_->initialize());
        auto* combo = window_->control<QComboBox>(1000);
        combo->setCurrentIndex(combo->findText(QString::fromStdString(profileName)));
        ASSERT_GE(combo->currentIndex(), 0);
        window_->selectProfile(0);
        // The profile is chosen here, not by the user: no options sheet after 1.5 s.
        window_->findChild<QTimer*>("3104")->stop();
        window_->show();
    }
    // Saves a passive-mode profile for the server on that port and opens the window on it.
    void openPassiveWindow(const std::string& profileName, int port) {
        auto p = profile(profileName, port);
        p.passiveMode = 1;
        save(p);
        openWindow(profileName);
    }
    // Presses Connect and waits until the connect worker has reported.
    bool connect() {
        window_->connection().toggleConnection();
        return QTest::qWaitFor([&] { return !window_->workerRunning(); }, 20000);
    }
    std::vector<std::string> remoteNames() {
        std::vector<std::string> names;
        for (int i = 0; i < window_->remoteModel().size(); ++i)
            names.push_back(window_->remoteModel().item(i).name);
        return names;
    }

    UiTexts texts_;
    tsy::SiteMgr50 db_;
    testsupport::ScriptedPrompts prompts_;
    std::filesystem::path previous_, root_;
    std::unique_ptr<MainWindow> window_;
};
