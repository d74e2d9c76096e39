// Server profiles in the site database, and where that database is found.
#include <gtest/gtest.h>

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "fileio.h"
#include "pathhelpers.h"
#include "profilestore.h"
#include "scratchconfig.h"
#include "sitemgr50.h"
#include "truststore.h"

using session::ServerProfile;
using tsy::CRegistryBase;
using tsy::CTscCommon;
using tsy::HKEY_CURRENT_USER;

namespace {

ServerProfile everyField() {
    ServerProfile p;
    p.name = "web:passive_mode";
    p.host = "127.0.0.1";
    p.user = "ann";
    p.password = "pässwörd";
    p.extraText = "fourth";
    p.firewallHost = "fw";
    p.firewallUser = "fwuser";
    p.firewallPassword = "fwpass";
    p.initialRemoteDir = "/pub/www";
    p.mruLocalDir = "/home/ann/site/";
    p.mruRemoteDir = "/pub/www/images";
    p.passiveMode = 1;
    p.useFirewall = 1;
    p.transferType = 2;
    p.initialDirMode = 2;
    p.lockDir = 1;
    p.port = 2121;
    p.encryption = session::kExplicitTlsIfAvailable;
    p.nameEncoding = session::kGb18030Names;
    p.listCommand = session::kAlwaysList;
    p.verifyTransfers = 0;
    p.asciiSuffixes = "HTM:";
    return p;
}

void expectSameStoredFields(const ServerProfile& a, const ServerProfile& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.host, b.host);
    EXPECT_EQ(a.user, b.user);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.extraText, b.extraText);
    EXPECT_EQ(a.firewallHost, b.firewallHost);
    EXPECT_EQ(a.firewallUser, b.firewallUser);
    EXPECT_EQ(a.firewallPassword, b.firewallPassword);
    EXPECT_EQ(a.initialRemoteDir, b.initialRemoteDir);
    EXPECT_EQ(a.mruLocalDir, b.mruLocalDir);
    EXPECT_EQ(a.mruRemoteDir, b.mruRemoteDir);
    EXPECT_EQ(a.passiveMode, b.passiveMode);
    EXPECT_EQ(a.useFirewall, b.useFirewall);
    EXPECT_EQ(a.transferType, b.transferType);
    EXPECT_EQ(a.initialDirMode, b.initialDirMode);
    EXPECT_EQ(a.lockDir, b.lockDir);
    EXPECT_EQ(a.port, b.port);
    EXPECT_EQ(a.encryption, b.encryption);
    EXPECT_EQ(a.nameEncoding, b.nameEncoding);
    EXPECT_EQ(a.listCommand, b.listCommand);
    EXPECT_EQ(a.verifyTransfers, b.verifyTransfers);
}

class ProfileStore : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(session::openSiteDatabase(db_), 0) << db_.lastError(); }
    ScratchConfig config_;
    tsy::SiteMgr50 db_;
};

TEST(SiteDatabaseLocation, MissingValuesAreWrittenWithTheirDefaults) {
    ScratchConfig config;
    tsy::SiteMgr50 db;
    ASSERT_EQ(session::openSiteDatabase(db), 0);
    CRegistryBase site(CTscCommon::getHKCUTsypageSite(), HKEY_CURRENT_USER, 0);
    EXPECT_EQ(site.GetValueString("SiteDB", "", 1), config.dir() + "/Site/");
    EXPECT_EQ(site.GetValueString("SiteProf", "", 1), "STP");
    EXPECT_EQ(site.GetValueString("ServProf", "", 1), "SVP");
    EXPECT_TRUE(tsy::is_file(config.dir() + "/Site/STP"));
    EXPECT_TRUE(tsy::is_file(config.dir() + "/Site/SVP"));
}

TEST(SiteDatabaseLocation, StoredValuesAreUsedAndEmptyOnesReplaced) {
    ScratchConfig config;
    CRegistryBase site(CTscCommon::getHKCUTsypageSite(), HKEY_CURRENT_USER, 1);
    const std::string folder = config.root() + "/elsewhere";  // no trailing separator
    site.SetValueString("SiteDB", folder);
    site.SetValueString("SiteProf", "");
    site.SetValueString("ServProf", "servers.db");
    tsy::SiteMgr50 db;
    ASSERT_EQ(session::openSiteDatabase(db), 0);
    EXPECT_EQ(site.GetValueString("SiteDB", "", 1), folder);  // the value itself stays
    EXPECT_EQ(site.GetValueString("SiteProf", "", 1), "STP");
    EXPECT_EQ(site.GetValueString("ServProf", "", 1), "servers.db");
    EXPECT_TRUE(tsy::is_file(folder + "/STP"));
    EXPECT_TRUE(tsy::is_file(folder + "/servers.db"));
}

TEST_F(ProfileStore, EveryFieldRoundTrips) {
    ServerProfile saved = everyField();
    ASSERT_EQ(session::saveProfile(db_, saved), 1);

    // Reopened, as at the next start.
    tsy::SiteMgr50 reopened;
    ASSERT_EQ(session::openSiteDatabase(reopened), 0);
    ServerProfile loaded;
    loaded.asciiSuffixes = "KEPT:";
    ASSERT_EQ(session::loadProfile(reopened, saved.name, loaded), 1);
    expectSameStoredFields(loaded, saved);
    EXPECT_EQ(loaded.asciiSuffixes, "KEPT:");  // the list has its own calls

    // Saving again under the same name replaces; the lock flag and directories follow.
    loaded.lockDir = 0;
    loaded.mruRemoteDir.clear();
    ASSERT_EQ(session::saveProfile(reopened, loaded), 1);
    ServerProfile again;
    ASSERT_EQ(session::loadProfile(db_, saved.name, again), 1);
    expectSameStoredFields(again, loaded);
}

TEST_F(ProfileStore, UnknownProfilesAndEmptyNames) {
    ServerProfile record = everyField();
    EXPECT_EQ(session::loadProfile(db_, "nobody", record), 0);
    expectSameStoredFields(record, everyField());  // untouched

    ServerProfile unnamed = everyField();
    unnamed.name.clear();
    EXPECT_EQ(session::saveProfile(db_, unnamed), 0);
    db_.EnumServProf(1);
    EXPECT_EQ(db_.EnumServProf(0), nullptr);

    session::clearProfile(record);
    ServerProfile cleared;
    cleared.asciiSuffixes = record.asciiSuffixes;
    expectSameStoredFields(record, cleared);
    EXPECT_EQ(record.port, 21);
    EXPECT_EQ(record.encryption, session::kRequireExplicitTls);  // a new profile's choice
    EXPECT_EQ(record.asciiSuffixes, "HTM:");                     // the list is left alone
}

TEST_F(ProfileStore, StoredFormsOfTheTextExtensionList) {
    ServerProfile p = everyField();
    ASSERT_EQ(session::saveProfile(db_, p), 1);
    int id = db_.ServProfGetID(p.name);
    // Whatever default the caller's texts give.
    const std::string kDefaultList = ":SSI:XML:";
    const std::string defaultWorking = "SSI:XML:";

    session::loadAsciiSuffixes(db_, p.name, p, kDefaultList);  // nothing stored
    EXPECT_EQ(p.asciiSuffixes, defaultWorking);

    db_.SetServProfAsciiSuffix(id, ":");  // an emptied list
    session::loadAsciiSuffixes(db_, p.name, p, kDefaultList);
    EXPECT_EQ(p.asciiSuffixes, "");

    db_.SetServProfAsciiSuffix(id, "");  // empty stands for the default
    session::loadAsciiSuffixes(db_, p.name, p, kDefaultList);
    EXPECT_EQ(p.asciiSuffixes, defaultWorking);

    db_.SetServProfAsciiSuffix(id, ":CGI:CSS:HTM:");
    session::loadAsciiSuffixes(db_, p.name, p, kDefaultList);
    EXPECT_EQ(p.asciiSuffixes, "CGI:CSS:HTM:");

    db_.SetServProfAsciiSuffix(id, "ASP:PHP:");  // no leading ':' - nothing is cut off
    session::loadAsciiSuffixes(db_, p.name, p, kDefaultList);
    EXPECT_EQ(p.asciiSuffixes, "ASP:PHP:");

    // saveProfile leaves the stored list alone.
    ASSERT_EQ(session::saveProfile(db_, p), 1);
    std::string* stored = db_.GetServProfAsciiSuffix(id);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored, "ASP:PHP:");
    tsy::SiteMgr50::DeleteString(stored);

    // A profile that is not stored: the list stays, unless it is empty.
    session::loadAsciiSuffixes(db_, "nobody", p, kDefaultList);
    EXPECT_EQ(p.asciiSuffixes, "ASP:PHP:");
    p.asciiSuffixes.clear();
    session::loadAsciiSuffixes(db_, "nobody", p, kDefaultList);
    EXPECT_EQ(p.asciiSuffixes, defaultWorking);
}

}  // namespace

TEST(ConnectionPort, ImplicitTlsTakes990ForTheDefaultPortOnly) {
    const struct {
        int encryption, port, expected;
    } rows[] = {
        {session::kRequireImplicitTls, 21, 990},    {session::kRequireImplicitTls, 0, 990},
        {session::kRequireImplicitTls, 2990, 2990}, {session::kRequireExplicitTls, 21, 21},
        {session::kPlainFtp, 2121, 2121},
    };
    for (const auto& row : rows) {
        ServerProfile p;
        p.encryption = row.encryption;
        p.port = row.port;
        EXPECT_EQ(session::connectionPort(p), row.expected) << row.encryption << " " << row.port;
    }
}

TEST(TrustStore, OneFingerprintPerHostAndPortAndNoForgedLines) {
    ScratchConfig config;
    const std::string path = config.root() + "/Site/" + session::TrustStore::kFileName;
    using Verdict = session::TrustStore::Verdict;
    {
        session::TrustStore store(path);
        EXPECT_EQ(store.check("ftp.example.org", 21, "AA:BB"), Verdict::Unknown);
        ASSERT_TRUE(store.remember("ftp.example.org", 21, "AA:BB"));
        ASSERT_TRUE(store.remember("ftp.example.org", 990, "CC:DD"));
        // A host that could write a line of its own is refused.
        EXPECT_FALSE(store.remember("evil.example 21 EE:FF\nftp.example.org", 21, "EE:FF"));
        EXPECT_FALSE(store.remember("", 21, "EE:FF"));
        EXPECT_FALSE(session::TrustStore("").remember("h", 21, "AA"));
    }
    EXPECT_EQ(ScratchConfig::mode(path), 0600u);
    std::string bytes;
    ASSERT_TRUE(tsy::readWholeFile(path, bytes));
    tsy::writeFileAtomically(path, bytes + "damaged line\n", 0600);

    session::TrustStore reread(path);  // as at the next start
    EXPECT_EQ(reread.check("ftp.example.org", 21, "AA:BB"), Verdict::Trusted);
    EXPECT_EQ(reread.check("ftp.example.org", 21, "CC:DD"), Verdict::Changed);
    EXPECT_EQ(reread.check("ftp.example.org", 990, "CC:DD"), Verdict::Trusted);
    EXPECT_EQ(reread.check("damaged", 0, "line"), Verdict::Unknown);
    ASSERT_TRUE(reread.remember("ftp.example.org", 21, "EE:FF"));  // trusted anew
    EXPECT_EQ(session::TrustStore(path).trusted("ftp.example.org", 21), "EE:FF");
}
