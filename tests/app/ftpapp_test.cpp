// trandel's start sequence: its order, early exits, the migration launch and the
// window and view settings kept between runs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "ftpapp.h"
#include "mainwindow.h"
#include "scriptedprompts.h"
#include "uitexts.h"
#include "windowsettings.h"

namespace fs = std::filesystem;

namespace {

// A configuration folder and a program folder of the test's own, with a stand-in
// tsymig that records its arguments and ends as the test says.
class StartTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("trandel-start-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "config");
        fs::create_directories(root_ / "bin");
        ::setenv("TESSALY_CONFIG_DIR", (root_ / "config").c_str(), 1);
        ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
    }
    void TearDown() override {
        ::unsetenv("LC_ALL");
        fs::remove_all(root_);
    }
    void installStandIn(const std::string& ending) {
        const fs::path script = root_ / "bin" / "tsymig";
        std::ofstream(script) << "#!/bin/sh\necho \"$@\" >> \"" << (root_ / "calls").string()
                              << "\"\n"
                              << ending << "\n";
        fs::permissions(script, fs::perms::owner_all);
    }
    std::string calls() const {
        std::ifstream in(root_ / "calls");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    FtpApp::Environment environment() {
        FtpApp::Environment env;
        env.programFolder = (root_ / "bin").string() + "/";
        env.prompts = &prompts_;
        env.runWindow = [this](MainWindow& window) {
            windowShown_ = true;
            window.close();
        };
        return env;
    }
    std::uint32_t settingsValue(const char* name) {
        return tsy::CRegistryBase(tsy::CTscCommon::getHKCUTsypageSettings(), tsy::HKEY_CURRENT_USER,
                                  0)
            .GetValueDWORD(name, 99);
    }
    void setSettingsValue(const char* name, std::uint32_t value) {
        tsy::CRegistryBase(tsy::CTscCommon::getHKCUTsypageSettings(), tsy::HKEY_CURRENT_USER, 1)
            .SetValueDWORD(name, value);
    }

    fs::path root_;
    testsupport::ScriptedPrompts prompts_;
    bool windowShown_ = false;
};

}  // namespace

TEST_F(StartTest, StepsRunInTheirOrder) {
    installStandIn("exit 0");
    FtpApp app({"trandel", "/srv/site"}, environment());
    app.initInstance();
    EXPECT_EQ(app.steps(), (std::vector<std::string>{"module", "locale", "clock", "sockets",
                                                     "start-folder", "registry-key", "migration",
                                                     "site-database", "main-window"}));
    EXPECT_TRUE(windowShown_);
    EXPECT_EQ(app.startFolder, "/srv/site/");
    EXPECT_EQ(calls(), "-m0\n");
    EXPECT_TRUE(prompts_.asked().empty());
    // The site database went where the per-user Site key says, and the key got defaults.
    tsy::CRegistryBase site(tsy::CTscCommon::getHKCUTsypageSite(), tsy::HKEY_CURRENT_USER, 0);
    EXPECT_EQ(site.GetValueString("SiteProf", ""), "STP");
    EXPECT_EQ(site.GetValueString("ServProf", ""), "SVP");
    EXPECT_FALSE(site.GetValueString("SiteDB", "").empty());
    app.exitInstance();
}

TEST_F(StartTest, ClockBefore1970EndsBeforeAnythingIsStarted) {
    installStandIn("exit 0");
    auto env = environment();
    env.clock = [] { return std::time_t{-1}; };
    FtpApp app({"trandel"}, env);
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1301});
    EXPECT_EQ(app.steps().back(), "clock-wrong");
    EXPECT_FALSE(windowShown_);
    EXPECT_EQ(calls(), "");
    EXPECT_EQ(settingsValue("migrationDone"), 99u) << "nothing is written on an early exit";
}

TEST_F(StartTest, SocketFailureEndsWithMessage104) {
    installStandIn("exit 0");
    auto env = environment();
    env.initSockets = [] { return false; };
    FtpApp app({"trandel"}, env);
    app.run();
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{104});
    EXPECT_EQ(app.steps().back(), "sockets-failed");
    EXPECT_EQ(calls(), "");
}

TEST_F(StartTest, MigrationFlagsFollowTheExitCode) {
    // Exit code 0: offered again next time, nothing written.
    installStandIn("exit 0");
    FtpApp(QStringList{"trandel"}, environment()).launchMigration();
    EXPECT_EQ(calls(), "-m0\n");
    EXPECT_EQ(settingsValue("migrationDone"), 99u);

    // A killed tsymig has no exit code: values unchanged, tried again.
    installStandIn("kill -9 $$");
    FtpApp(QStringList{"trandel"}, environment()).launchMigration();
    EXPECT_EQ(settingsValue("migNeverShow"), 99u);

    // Any other exit code sets both values.
    installStandIn("exit 3");
    FtpApp(QStringList{"trandel"}, environment()).launchMigration();
    EXPECT_EQ(settingsValue("migrationDone"), 1u);
    EXPECT_EQ(settingsValue("migNeverShow"), 1u);

    // Never shown again, whatever "migrationDone" holds.
    FtpApp(QStringList{"trandel"}, environment()).launchMigration();
    EXPECT_EQ(calls(), "-m0\n-m0\n-m0\n");
}

TEST_F(StartTest, DoneMigrationStartsTsymigWithM1) {
    installStandIn("exit 0");
    setSettingsValue("migrationDone", 1);
    setSettingsValue("migNeverShow", 0);
    FtpApp(QStringList{"trandel"}, environment()).launchMigration();
    EXPECT_EQ(calls(), "-m1\n");
}

TEST_F(StartTest, MissingTsymigChangesNothing) {
    FtpApp app({"trandel"}, environment());
    app.launchMigration();
    EXPECT_EQ(settingsValue("migrationDone"), 99u);
}

TEST(StartFolder, CommandLineIsTakenWholeAsAFolder) {
    EXPECT_EQ(FtpApp::startFolderFrom({"trandel"}), "");
    EXPECT_EQ(FtpApp::startFolderFrom({"trandel", "/srv/work"}), "/srv/work/");
    EXPECT_EQ(FtpApp::startFolderFrom({"trandel", "/"}), "/");
    EXPECT_EQ(FtpApp::startFolderFrom({"trandel", "/home/me/My", "Site"}), "/home/me/My Site/");
}

TEST_F(StartTest, LanguageModuleFollowsTheLocale) {
    installStandIn("exit 0");
    std::ofstream(root_ / "bin" / "ftp_en.dll") << "[strings]\n57344=File Transfer\n";
    {
        ::setenv("LC_ALL", "en_US.UTF-8", 1);
        FtpApp app({"trandel"}, environment());
        app.initInstance();
        EXPECT_TRUE(app.languageModule().moduleLoaded());
        EXPECT_EQ(app.languageModule().languageAbbreviation(), "ENU");
        EXPECT_EQ(uitexts::text(57344), "File Transfer");
        app.exitInstance();
        EXPECT_EQ(uitexts::module(), nullptr);
    }
    {
        ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
        FtpApp app({"trandel"}, environment());
        app.initInstance();
        EXPECT_FALSE(app.languageModule().moduleLoaded()) << "no ftp_zh.dll: built-in texts";
        EXPECT_EQ(uitexts::text(57344), "文件传送");
        app.exitInstance();
    }
    {
        ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
        FtpApp app({"trandel"}, environment());
        app.initInstance();
        EXPECT_FALSE(app.languageModule().moduleLoaded());
        EXPECT_EQ(uitexts::text(57344), "文件传送");
        app.exitInstance();
    }
}

TEST_F(StartTest, ViewSettingsFirstRunDefaultsAndRoundTrip) {
    const std::string key = "Software\\Test\\trandel\\settings";
    const ViewSettings defaults = readViewSettings(key);
    EXPECT_EQ(defaults.mode, 0);
    EXPECT_EQ(defaults.listPos, 50);
    EXPECT_EQ(defaults.dispMode, 3);
    EXPECT_EQ(defaults.placement.showCmd, 5);
    EXPECT_FALSE(defaults.placement.restorable());
    EXPECT_EQ(defaults.lastUsedProfile, 0);

    ViewSettings changed;
    changed.mode = 2;
    changed.listPos = 37;
    changed.dispMode = 1;
    changed.placement = {0, 1, -1, -1, -1, -1, 40, 30, 540, 730};
    changed.lastUsedProfile = -1;
    writeViewSettings(key, changed);
    const ViewSettings read = readViewSettings(key);
    EXPECT_EQ(read.mode, 2);
    EXPECT_EQ(read.listPos, 37);
    EXPECT_EQ(read.dispMode, 1);
    EXPECT_EQ(read.placement.top, 40);
    EXPECT_EQ(read.placement.right, 730);
    EXPECT_EQ(read.placement.minX, -1);
    EXPECT_EQ(read.lastUsedProfile, -1);
    EXPECT_TRUE(read.placement.restorable());
}

TEST_F(StartTest, WindowAppliesAndSavesItsSettings) {
    const std::string key = "Software\\Test\\trandel\\settings";
    {
        MainWindow window(MainWindow::Context{nullptr, "", key});
        ASSERT_TRUE(window.initialize());
        EXPECT_EQ(window.transferMode(), ftp::TransferMode::Automatic);
        EXPECT_EQ(window.listPos(), 50);
        EXPECT_TRUE(window.control<QAbstractButton>(1023)->isChecked());
        EXPECT_TRUE(window.control<QAbstractButton>(1055)->isChecked());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.setListPos(30);
        QTest::mouseClick(window.control<QAbstractButton>(1022), Qt::LeftButton);
        QTest::mouseClick(window.control<QAbstractButton>(1054), Qt::LeftButton);
        window.move(60, 50);
        window.close();
    }
    const ViewSettings saved = readViewSettings(key);
    EXPECT_EQ(saved.mode, 2);
    EXPECT_EQ(saved.listPos, 30);
    EXPECT_EQ(saved.dispMode, 2);
    EXPECT_TRUE(saved.placement.restorable());
    const QRect savedRect(saved.placement.left, saved.placement.top,
                          saved.placement.right - saved.placement.left,
                          saved.placement.bottom - saved.placement.top);
    // Two more starts: each restores the saved rectangle itself (the test platform draws
    // a frame round the window) and saves it again unchanged.
    for (int start = 0; start < 2; ++start) {
        MainWindow window(MainWindow::Context{nullptr, "", key});
        ASSERT_TRUE(window.initialize());
        EXPECT_EQ(window.listPos(), 30);
        EXPECT_TRUE(window.control<QAbstractButton>(1022)->isChecked());
        EXPECT_TRUE(window.control<QAbstractButton>(1054)->isChecked());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_EQ(window.geometry(), savedRect);
        window.close();
        const WindowPlacement again = readViewSettings(key).placement;
        EXPECT_EQ(QRect(again.left, again.top, again.right - again.left, again.bottom - again.top),
                  savedRect);
    }
    // A placement partly off the left edge is not restored.
    ViewSettings offEdge = saved;
    offEdge.placement.left = -20;
    writeViewSettings(key, offEdge);
    MainWindow window(MainWindow::Context{nullptr, "", key});
    ASSERT_TRUE(window.initialize());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.frameGeometry().width(), 640);
    EXPECT_NE(window.geometry().left(), -20);
}
