// The real tsymig started as trandel starts it, on an earlier edition's data built in a
// scratch configuration: the runs that end without a dialog or without a display, and
// trandel's launch.
#include <QStringList>
#include <optional>

#include "ftpapp.h"
#include "previousedition.h"
#include "process.h"

namespace fs = std::filesystem;
using namespace previousedition;

namespace {

class TsymigProcess : public ::testing::Test {
protected:
    void SetUp() override {
        // No window system at all: a run that needs none must not try to open one.
        config_.set("QT_QPA_PLATFORM", "xcb");
        config_.set("DISPLAY", std::nullopt);
        config_.set("WAYLAND_DISPLAY", std::nullopt);
    }
    int runTsymig(const std::vector<std::string>& arguments) {
        const platform::ProcessOutcome outcome = platform::runAndWait(TSYMIG_PATH, arguments);
        EXPECT_TRUE(outcome.started);
        EXPECT_TRUE(outcome.exited);
        return outcome.exitCode;
    }
    std::string settingsBytes() { return readFile(config_.dir() + "/user.settings"); }
    // tsymig is looked for beside trandel: a program folder of the test's own.
    FtpApp::Environment besideTrandel() {
        const fs::path bin = config_.root() + "/bin";
        fs::create_directories(bin);
        fs::create_symlink(TSYMIG_PATH, bin / "tsymig");
        FtpApp::Environment environment;
        environment.programFolder = bin.string() + "/";
        return environment;
    }
    static std::uint32_t settings(const char* name) {
        return currentKey(tsy::CTscCommon::getHKCUTsypageSettings()).GetValueDWORD(name, 99);
    }

    ScratchConfig config_;
};

TEST_F(TsymigProcess, NoEarlierDataAndNoFoldersEndsWithOne) {
    for (const char* argument : {"-m0", "-m1", "-m"})
        EXPECT_EQ(runTsymig({argument}), 1) << argument;
    EXPECT_FALSE(fs::exists(config_.dir())) << "nothing was written";
}

TEST_F(TsymigProcess, AfterAMigrationDataWithoutFoldersEndsWithOne) {
    buildSiteDatabase(config_.root() + "/old");
    userKey(migration::kOldOptionsKey).SetValueDWORD("fontSize", 12);
    setInstallFolder("/opt/lumora");
    const std::string before = settingsBytes();
    EXPECT_EQ(runTsymig({"-m1"}), 1);
    EXPECT_EQ(runTsymig({"/m1"}), 1);
    EXPECT_EQ(settingsBytes(), before);
    EXPECT_FALSE(fs::exists(config_.dir() + "/Site"));
}

TEST_F(TsymigProcess, TrandelStopsStartingItOnceItEndsNonZero) {
    const FtpApp::Environment environment = besideTrandel();
    const fs::path bin = environment.programFolder;
    userKey(tsy::CTscCommon::getHKCUTsypageSettings()).SetValueDWORD("migNeverShow", 0);

    FtpApp(QStringList{"trandel"}, environment).launchMigration();
    EXPECT_EQ(settings("migrationDone"), 1u);
    EXPECT_EQ(settings("migNeverShow"), 1u);

    // From now on it is not started at all, whatever it would find.
    fs::remove(bin / "tsymig");
    writeFile(bin / "tsymig", "#!/bin/sh\ntouch \"" + config_.root() + "/started\"\nexit 0\n");
    fs::permissions(bin / "tsymig", fs::perms::owner_all);
    buildSiteDatabase(config_.root() + "/old");
    FtpApp(QStringList{"trandel"}, environment).launchMigration();
    EXPECT_FALSE(fs::exists(config_.root() + "/started"));
}

TEST_F(TsymigProcess, WithoutADisplayTheDialogIsOfferedAgain) {
    userKey(migration::kOldOptionsKey).SetValueDWORD("fontSize", 12);
    const std::string errors = config_.root() + "/errors";
    for (const std::optional<std::string>& qpa : {std::optional<std::string>(), {"xcb"}}) {
        config_.set("QT_QPA_PLATFORM", qpa);
        const platform::ProcessOutcome outcome = platform::runAndWait(
            "/bin/sh", {"-c", "exec \"$0\" -m0 2>\"$1\"", TSYMIG_PATH, errors});
        EXPECT_TRUE(outcome.exited) << qpa.value_or("unset");
        EXPECT_EQ(outcome.exitCode, 0) << qpa.value_or("unset");
        EXPECT_NE(readFile(errors).find("tsymig: "), std::string::npos) << readFile(errors);
    }

    userKey(tsy::CTscCommon::getHKCUTsypageSettings()).SetValueDWORD("migNeverShow", 0);
    FtpApp(QStringList{"trandel"}, besideTrandel()).launchMigration();
    EXPECT_EQ(settings("migNeverShow"), 0u);
    EXPECT_EQ(settings("migrationDone"), 99u);
}

}  // namespace
