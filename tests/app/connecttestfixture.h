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
