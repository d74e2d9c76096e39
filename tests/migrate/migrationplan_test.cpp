// The switch, the rule that decides whether the dialog shows, and the work after OK.
#include <gtest/gtest.h>

#include "migrationplan.h"
#include "previousedition.h"
#include "profilestore.h"

using migration::carryOut;
using migration::Choices;
using migration::dialogNeeded;
using migration::parseSwitch;
using migration::Probes;
using namespace previousedition;

namespace {

TEST(MigrationSwitch, DashOrSlashMFollowedByOneCharacter) {
    struct Case {
        std::vector<std::string> arguments;
        bool present, done;
    };
    for (const Case& c : std::vector<Case>{{{}, false, false},
                                           {{"-m0"}, true, false},
                                           {{"-m1"}, true, true},
                                           {{"/m1"}, true, true},
                                           {{"-mx"}, true, false},
                                           {{"-m"}, false, false},
                                           {{"/work", "-m"}, false, false},
                                           {{"-m", "1"}, true, false},  // the blank follows
                                           {{"/m0", "-m1"}, true, false},
                                           {{"-m12"}, true, true}}) {
        std::string line;
        for (const auto& a : c.arguments)
            line += a + " ";
        EXPECT_EQ(parseSwitch(c.arguments).present, c.present) << line;
        EXPECT_EQ(parseSwitch(c.arguments).done, c.done) << line;
    }
}

TEST(MigrationSwitch, ShowRule) {
    const Probes none;
    Probes site;
    site.oldSiteDataFound = true;
    Probes settings;
    settings.oldSettingsFound = true;
    Probes folder;
    folder.deletableFolders = {"/srv/old"};
    EXPECT_FALSE(dialogNeeded(none, false));
    EXPECT_FALSE(dialogNeeded(none, true));
    EXPECT_TRUE(dialogNeeded(site, false));
    EXPECT_TRUE(dialogNeeded(settings, false));
    EXPECT_FALSE(dialogNeeded(site, true));
    EXPECT_FALSE(dialogNeeded(settings, true));
    EXPECT_TRUE(dialogNeeded(folder, true));
}

class CarryOut : public ::testing::Test {
protected:
    void SetUp() override {
        siteDb_ = buildSiteDatabase(old_);
        userKey(migration::kOldOptionsKey).SetValueDWORD("fontSize", 12);
        probes_ = migration::runProbes();
        ASSERT_TRUE(probes_.oldSiteDataFound);
        ASSERT_TRUE(probes_.oldSettingsFound);
        ASSERT_EQ(probes_.deletableFolders, std::vector<std::string>{old_});
    }
    bool currentKeyExists(const std::string& path) { return currentKey(path).Exists(); }

    ScratchConfig config_;
    const std::string old_ = config_.root() + "/old";
    std::string siteDb_;
    Probes probes_;
};

TEST_F(CarryOut, NothingTickedChangesNothing) {
    const std::string before = readFile(config_.dir() + "/user.settings");
    EXPECT_EQ(carryOut(Choices{false, false, true, false}, probes_), migration::kNothingLeft);
    EXPECT_EQ(readFile(config_.dir() + "/user.settings"), before);
    EXPECT_TRUE(std::filesystem::exists(old_));
    EXPECT_FALSE(std::filesystem::exists(config_.dir() + "/Site"));
    // Showing it again next time is the one thing asked.
    EXPECT_EQ(carryOut(Choices{false, false, false, false}, probes_), migration::kOfferAgain);
}

TEST_F(CarryOut, EverythingTickedMigratesThenDeletes) {
    EXPECT_EQ(carryOut(Choices{true, true, true, true}, probes_), migration::kNothingLeft);
    EXPECT_FALSE(std::filesystem::exists(old_));
    EXPECT_EQ(currentKey(tsy::CTscCommon::getHKCUTsypageOptions()).GetValueDWORD("fontSize", 0),
              12u);
    tsy::SiteMgr50 current;
    ASSERT_EQ(session::openSiteDatabase(current), 0);
    EXPECT_GE(current.ServProfGetID("old-server"), 0);
    EXPECT_GE(current.SiteProfGetID("home"), 0);
}

TEST_F(CarryOut, AFailedMigrationKeepsTheFoldersAndOffersAgain) {
    // Our site database cannot be written: a file stands where its folder should be.
    writeFile(config_.root() + "/blocked", "");
    userKey(tsy::CTscCommon::getHKCUTsypageSite())
        .SetValueString("SiteDB", config_.root() + "/blocked/");
    EXPECT_EQ(carryOut(Choices{true, true, true, true}, probes_), migration::kOfferAgain);
    EXPECT_TRUE(std::filesystem::exists(siteDb_ + "SVP")) << "the only copy of the profiles";
    // The options were still migrated.
    EXPECT_EQ(currentKey(tsy::CTscCommon::getHKCUTsypageOptions()).GetValueDWORD("fontSize", 0),
              12u);
}

TEST_F(CarryOut, AFailedDeletionOffersAgain) {
    Probes probes = probes_;
    probes.deletableFolders = {"/"};
    EXPECT_EQ(carryOut(Choices{false, false, true, true}, probes), migration::kOfferAgain);
    // Not ticked: the folders stay and that is no failure.
    EXPECT_EQ(carryOut(Choices{false, false, true, false}, probes), migration::kNothingLeft);
}

}  // namespace
