// Site and server profiles carried from the earlier edition's site database into ours.
#include <gtest/gtest.h>

#include <ctime>

#include "previousedition.h"
#include "profilemigration.h"
#include "profilestore.h"
#include "sitestrings.h"

using migration::migrateProfiles;
using migration::oldSiteDataFound;
using tsy::SiteMgr50;
using tsy::take;
using namespace previousedition;

namespace {

std::vector<std::string> folders(SiteMgr50& db, const std::string& site) {
    EXPECT_EQ(db.SiteOpen(site, 1, false), 0);
    std::vector<std::string> result = tsy::enumNames(db, &SiteMgr50::EnumFolder);
    db.SiteClose();
    return result;
}

class ProfileMigration : public ::testing::Test {
protected:
    void openCurrent(SiteMgr50& db) { ASSERT_EQ(session::openSiteDatabase(db), 0); }
    std::string currentSiteValue(const char* name) {
        return currentKey(tsy::CTscCommon::getHKCUTsypageSite()).GetValueString(name, "(none)");
    }

    // The contents of the earlier edition's site "home" as it was built: a page, its
    // path values, one relation and one link.
    static void expectOldHomeContents(SiteMgr50& current) {
        ASSERT_EQ(current.SiteOpen("home", 1, false), 0);
        tsy::UrlInfo url;
        ASSERT_EQ(current.GetUrlInfo("http://localhost/old-home", url), 0);
        EXPECT_EQ(url.title, "Title old-home");
        EXPECT_EQ(url.status, 2);
        std::vector<std::string*> values;
        ASSERT_EQ(current.GetPathInfo("/old-home/index.html", values), 0);
        ASSERT_EQ(values.size(), 2u);
        EXPECT_EQ(take(values[0]), "old-home.html");
        EXPECT_EQ(take(values[1]), "value old-home");
        current.EnumRel(1);
        tsy::RelInfo relation;
        ASSERT_EQ(current.GetRelInfo(current.EnumRel(0), relation), 0);
        EXPECT_EQ(relation.target, "/old-home.html");
        EXPECT_LT(current.EnumRel(0), 0);
        current.EnumLink(1);
        tsy::LinkInfo link;
        ASSERT_EQ(current.GetLinkInfo(current.EnumLink(0), link), 0);
        EXPECT_EQ(link.target, "http://localhost/old-home");
        EXPECT_EQ(link.kind, 3);
        EXPECT_LT(current.EnumLink(0), 0);
        current.SiteClose();
    }

    ScratchConfig config_;
};

TEST_F(ProfileMigration, SitesWithTheirContentsAndServersCopiedExistingNamesKept) {
    const std::string oldSiteDb = buildSiteDatabase(config_.root() + "/old");
    {
        SiteMgr50 current;
        openCurrent(current);
        addSite(current, "shared", "new-shared");
        ASSERT_EQ(current.SetServProfInfo("shared", serverInfo("new-shared.example")), 0);
    }
    ASSERT_TRUE(oldSiteDataFound());
    const std::time_t before = std::time(nullptr);
    EXPECT_TRUE(migrateProfiles(false, true));
    const std::time_t after = std::time(nullptr);

    SiteMgr50 current;
    openCurrent(current);
    EXPECT_EQ(tsy::enumNames(current, &SiteMgr50::EnumSiteProf),
              (std::vector<std::string>{"home", "shared"}));
    EXPECT_EQ(tsy::enumNames(current, &SiteMgr50::EnumServProf),
              (std::vector<std::string>{"old-server", "shared"}));

    // The copied site, whole, with a creation time of its own.
    std::vector<std::string> info;
    ASSERT_EQ(current.GetSiteProfInfo("home", info), 0);
    EXPECT_EQ(info, siteInfo("old-home"));
    const std::int64_t created = current.GetSiteProfSiteCreateTime(current.SiteProfGetID("home"));
    EXPECT_GE(created, before);
    EXPECT_LE(created, after);
    EXPECT_EQ(folders(current, "home"), (std::vector<std::string>{"/images", "/old-home"}));
    expectOldHomeContents(current);

    // A site of the same name keeps our profile and our contents: nothing is merged.
    ASSERT_EQ(current.GetSiteProfInfo("shared", info), 0);
    EXPECT_EQ(info, siteInfo("new-shared"));
    EXPECT_EQ(folders(current, "shared"), (std::vector<std::string>{"/images", "/new-shared"}));

    // Server profiles: every field of a new one; ours where the name exists.
    tsy::ServProfInfo server;
    ASSERT_EQ(current.GetServProfInfo("old-server", server), 0);
    EXPECT_EQ(server.host, "old.example");
    EXPECT_EQ(server.password, "secret");
    EXPECT_EQ(server.port, 2121);
    EXPECT_EQ(server.passiveMode, 1);
    EXPECT_EQ(server.initRemoteDir, std::optional<std::string>("/htdocs"));
    EXPECT_EQ(server.asciiSuffix, std::optional<std::string>(":HTM:TXT:"));
    EXPECT_FALSE(server.mruDirLocal.has_value());
    ASSERT_EQ(current.GetServProfInfo("shared", server), 0);
    EXPECT_EQ(server.host, "new-shared.example");

    // The earlier edition's database is left as it was.
    SiteMgr50 previous;
    ASSERT_EQ(previous.setDB(oldSiteDb, "STP", "SVP", 0), 0);
    EXPECT_EQ(tsy::enumNames(previous, &SiteMgr50::EnumSiteProf),
              (std::vector<std::string>{"home", "shared"}));
    EXPECT_EQ(folders(previous, "shared"), (std::vector<std::string>{"/images", "/old-shared"}));

    // A second run finds every name present and copies nothing twice.
    EXPECT_TRUE(migrateProfiles(false, true));
    EXPECT_EQ(folders(current, "home"), (std::vector<std::string>{"/images", "/old-home"}));
    EXPECT_EQ(tsy::enumNames(current, &SiteMgr50::EnumServProf).size(), 2u);
}

TEST_F(ProfileMigration, AnEmptyCurrentSiteKeyReceivesItsDefaults) {
    buildSiteDatabase(config_.root() + "/old");
    EXPECT_EQ(currentSiteValue("SiteDB"), "(none)");
    EXPECT_TRUE(migrateProfiles(false, true));
    EXPECT_EQ(currentSiteValue("SiteDB"), config_.dir() + "/Site/");
    EXPECT_EQ(currentSiteValue("SiteProf"), "STP");
    EXPECT_EQ(currentSiteValue("ServProf"), "SVP");
    EXPECT_TRUE(tsy::is_file(config_.dir() + "/Site/SVP"));
}

TEST_F(ProfileMigration, APreviousFolderWithoutTrailingSeparatorIsAccepted) {
    std::string siteDb = buildSiteDatabase(config_.root() + "/old");
    siteDb.pop_back();
    writeSiteKey(siteDb);
    EXPECT_TRUE(oldSiteDataFound());
    EXPECT_TRUE(migrateProfiles(false, true));
    SiteMgr50 current;
    openCurrent(current);
    EXPECT_GE(current.ServProfGetID("old-server"), 0);
}

TEST_F(ProfileMigration, IncompletePreviousDataCopiesNothing) {
    const std::string siteDb = buildSiteDatabase(config_.root() + "/old");
    // "ServProf" empty: no database to copy, and our Site key is not even opened.
    writeSiteKey(siteDb, "STP", "");
    EXPECT_FALSE(oldSiteDataFound());
    EXPECT_TRUE(migrateProfiles(false, true));
    EXPECT_EQ(currentSiteValue("SiteDB"), "(none)");

    // A file name that names no file.
    writeSiteKey(siteDb, "STP", "missing");
    EXPECT_FALSE(oldSiteDataFound());
    writeSiteKey("", "STP", "SVP");
    EXPECT_FALSE(oldSiteDataFound());

    // Complete data, but the box was not ticked.
    writeSiteKey(siteDb);
    EXPECT_TRUE(oldSiteDataFound());
    EXPECT_TRUE(migrateProfiles(false, false));
    EXPECT_EQ(currentSiteValue("SiteDB"), "(none)");
}

TEST_F(ProfileMigration, APreviousDatabaseThatCannotBeOpenedIsAFailure) {
    const std::string siteDb = buildSiteDatabase(config_.root() + "/old");
    writeFile(siteDb + "SVP", "this is no database, and it is long enough to be read as one....");
    ASSERT_TRUE(oldSiteDataFound());
    EXPECT_FALSE(migrateProfiles(false, true));
    EXPECT_EQ(readFile(siteDb + "SVP").substr(0, 10), "this is no") << "left as it was";
}

}  // namespace
