// The site database: server profiles, enumeration, site contents, files and format versions.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "scratchconfig.h"
#include "sitemgr50.h"
#include "sitestrings.h"

using tsy::enumNames;
using tsy::SiteMgr50;
using tsy::take;

namespace {

class SiteDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = config_.root() + "/Site/";
        ASSERT_EQ(db_.setDB(folder_, "STP", "SVP", 0), 0) << db_.lastError();
    }
    ScratchConfig config_;
    std::string folder_;
    SiteMgr50 db_;
};

TEST_F(SiteDatabase, EveryServerProfileFieldRoundTrips) {
    const std::string odd = std::string("服务器\0with NUL\n\"quote'", 25);
    ASSERT_EQ(db_.SetServProf("main", "ftp.example.org", "ann", odd, "fourth", 1, "fw.local",
                              "fwuser", "fwpass"),
              0);
    int id = db_.ServProfGetID("main");
    ASSERT_GE(id, 0);
    EXPECT_EQ(db_.GetServProfPortNum(id), 21);  // the defaults of a new profile
    EXPECT_EQ(db_.GetServProfMRUDirLocal(id), nullptr);
    EXPECT_EQ(db_.GetServProfAsciiSuffix(id), nullptr);
    EXPECT_EQ(db_.GetServProfEncryption(id), 0);

    EXPECT_EQ(db_.SetServProfPortNum(id, 2121), 0);
    EXPECT_EQ(db_.SetServProfEncryption(id, 3), 0);
    EXPECT_EQ(db_.SetServProfUsePassiveMode(id, 1), 0);
    EXPECT_EQ(db_.SetServProfTrandelType(id, 2), 0);
    EXPECT_EQ(db_.SetServProfInitDirMode(id, 2), 0);
    EXPECT_EQ(db_.SetServProfLockDir(id, 1), 0);
    EXPECT_EQ(db_.SetServProfInitRemoteDir(id, "/pub/www"), 0);
    EXPECT_EQ(db_.SetServProfMRUDirLocal(id, "/home/ann/site/"), 0);
    EXPECT_EQ(db_.SetServProfMRUDirRemote(id, ""), 0);
    EXPECT_EQ(db_.SetServProfAsciiSuffix(id, ":CGI:CSS:HTM:"), 0);

    // A second instance on the same files sees everything.
    SiteMgr50 other;
    ASSERT_EQ(other.setDB(folder_, "STP", "SVP", 0), 0);
    std::string *host, *user, *password, *extra, *fwHost, *fwUser, *fwPassword;
    int useFirewall = -1;
    ASSERT_EQ(other.GetServProf("main", &host, &user, &password, &extra, &useFirewall, &fwHost,
                                &fwUser, &fwPassword),
              0);
    EXPECT_EQ(take(host), "ftp.example.org");
    EXPECT_EQ(take(user), "ann");
    EXPECT_EQ(take(password), odd);
    EXPECT_EQ(take(extra), "fourth");
    EXPECT_EQ(useFirewall, 1);
    EXPECT_EQ(take(fwHost), "fw.local");
    EXPECT_EQ(take(fwUser), "fwuser");
    EXPECT_EQ(take(fwPassword), "fwpass");
    EXPECT_EQ(other.ServProfGetID("main"), id);
    EXPECT_EQ(other.GetServProfPortNum(id), 2121);
    EXPECT_EQ(other.GetServProfUsePassiveMode(id), 1);
    EXPECT_EQ(other.GetServProfTrandelType(id), 2);
    EXPECT_EQ(other.GetServProfInitDirMode(id), 2);
    EXPECT_EQ(other.GetServProfLockDir(id), 1);
    EXPECT_EQ(other.GetServProfEncryption(id), 3);
    EXPECT_EQ(take(other.GetServProfInitRemoteDir(id)), "/pub/www");
    EXPECT_EQ(take(other.GetServProfMRUDirLocal(id)), "/home/ann/site/");
    const tsy::SiteString remote = tsy::adopt(other.GetServProfMRUDirRemote(id));
    ASSERT_TRUE(remote) << "stored empty, not absent";
    EXPECT_EQ(*remote, "");
    EXPECT_EQ(take(other.GetServProfAsciiSuffix(id)), ":CGI:CSS:HTM:");

    // Replacing the main fields keeps the identifier and every other field.
    ASSERT_EQ(db_.SetServProf("main", "new.host", "bob", "", "", 0, "", "", ""), 0);
    EXPECT_EQ(db_.ServProfGetID("main"), id);
    EXPECT_EQ(db_.GetServProfPortNum(id), 2121);
    EXPECT_EQ(take(db_.GetServProfAsciiSuffix(id)), ":CGI:CSS:HTM:");

    // The whole profile at once, as a copy between databases reads and writes it.
    tsy::ServProfInfo info;
    ASSERT_EQ(db_.GetServProfInfo("main", info), 0);
    EXPECT_EQ(info.host, "new.host");
    EXPECT_EQ(info.port, 2121);
    EXPECT_EQ(info.initRemoteDir, "/pub/www");
    EXPECT_EQ(info.mruDirRemote, "");
    ASSERT_EQ(db_.SetServProfInfo("copy", info), 0);
    tsy::ServProfInfo copy;
    ASSERT_EQ(db_.GetServProfInfo("copy", copy), 0);
    EXPECT_EQ(copy.host, info.host);
    EXPECT_EQ(copy.user, info.user);
    EXPECT_EQ(copy.lockDir, info.lockDir);
    EXPECT_EQ(copy.transferType, info.transferType);
    EXPECT_EQ(copy.asciiSuffix, info.asciiSuffix);
    EXPECT_EQ(copy.mruDirLocal, info.mruDirLocal);
    EXPECT_EQ(copy.encryption, 3);
}

TEST_F(SiteDatabase, NumberColumnsOfLaterVersionsRoundTrip) {
    ASSERT_EQ(db_.SetServProf("p", "h", "u", "", "", 0, "", "", ""), 0);
    const int id = db_.ServProfGetID("p");
    struct Column {
        int (SiteMgr50::*get)(int);
        int (SiteMgr50::*set)(int, int);
        int byDefault, stored;
    };
    const Column columns[] = {
        {&SiteMgr50::GetServProfNameEncoding, &SiteMgr50::SetServProfNameEncoding, 0, 2},
        {&SiteMgr50::GetServProfListCommand, &SiteMgr50::SetServProfListCommand, 0, 1},
        {&SiteMgr50::GetServProfVerifyTransfers, &SiteMgr50::SetServProfVerifyTransfers, 1, 0},
    };
    SiteMgr50 other;
    ASSERT_EQ(other.setDB(folder_, "STP", "SVP", 0), 0);
    for (const Column& c : columns) {
        EXPECT_EQ((db_.*c.get)(id), c.byDefault);
        EXPECT_EQ((db_.*c.set)(id, c.stored), 0);
        EXPECT_EQ((other.*c.get)(id), c.stored);
    }
}

// A file of the first version, before profiles chose their encryption, is converted when
// opened: its profiles read as plain FTP, as they always connected.
TEST_F(SiteDatabase, FirstVersionProfilesReadAsPlainFtp) {
    ASSERT_EQ(db_.SetServProf("old", "h", "u", "", "", 0, "", "", ""), 0);
    db_.setDB(config_.root() + "/other", "a", "b", 0);  // let go of the files
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ + "SVP").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "ALTER TABLE server_profile DROP COLUMN encryption; "
                           "ALTER TABLE server_profile DROP COLUMN name_encoding; "
                           "ALTER TABLE server_profile DROP COLUMN list_command; "
                           "ALTER TABLE server_profile DROP COLUMN verify_transfers; "
                           "UPDATE schema_version SET version = 1 WHERE part = 'server profiles'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    SiteMgr50 reopened;
    ASSERT_EQ(reopened.setDB(folder_, "STP", "SVP", 0), 0) << reopened.lastError();
    const int id = reopened.ServProfGetID("old");
    ASSERT_GE(id, 0);
    EXPECT_EQ(reopened.GetServProfEncryption(id), 0);
    // Later columns come with their defaults.
    EXPECT_EQ(reopened.GetServProfNameEncoding(id), 0);
    EXPECT_EQ(reopened.GetServProfVerifyTransfers(id), 1);
    EXPECT_EQ(reopened.SetServProfEncryption(id, 1), 0);
    EXPECT_EQ(reopened.GetServProfEncryption(id), 1);
    reopened.setDB(config_.root() + "/other", "a", "b", 0);
    SiteMgr50 again;  // converted once: opened again as it is
    ASSERT_EQ(again.setDB(folder_, "STP", "SVP", 0), 0) << again.lastError();
    EXPECT_EQ(again.GetServProfEncryption(id), 1);
}

TEST_F(SiteDatabase, UnknownNamesAndIdentifiersAndEmptyNamesFail) {
    EXPECT_LT(db_.ServProfGetID("nobody"), 0);
    EXPECT_LT(db_.SiteProfGetID("nowhere"), 0);
    std::string* host = reinterpret_cast<std::string*>(0x1);
    std::string* user = host;
    EXPECT_LT(db_.GetServProf("nobody", &host, &user, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr),
              0);
    EXPECT_EQ(host, nullptr);  // nothing to release
    EXPECT_EQ(user, nullptr);
    EXPECT_EQ(db_.GetServProfPortNum(12345), -1);
    EXPECT_LT(db_.SetServProfPortNum(12345, 21), 0);
    EXPECT_LT(db_.SetServProfMRUDirLocal(12345, "/x"), 0);
    EXPECT_EQ(db_.GetServProfMRUDirLocal(12345), nullptr);

    EXPECT_LT(db_.SetServProf("", "host", "user", "", "", 0, "", "", ""), 0);
    EXPECT_LT(db_.SetServProfInfo("", tsy::ServProfInfo()), 0);
    EXPECT_LT(db_.SetSiteProfInfo("", {}), 0);
    EXPECT_TRUE(enumNames(db_, &SiteMgr50::EnumServProf).empty());

    SiteMgr50 closed;  // no setDB
    EXPECT_LT(closed.ServProfGetID("x"), 0);
    EXPECT_EQ(closed.EnumServProf(0), nullptr);
    EXPECT_LT(closed.SetServProf("x", "", "", "", "", 0, "", "", ""), 0);
}

TEST_F(SiteDatabase, EnumerationRewindsAndDeletionRemoves) {
    for (const char* name : {"beta", "Alpha", "gamma"}) {
        ASSERT_EQ(db_.SetServProf(name, "h", "u", "", "", 0, "", "", ""), 0);
    }
    EXPECT_EQ(enumNames(db_, &SiteMgr50::EnumServProf),
              (std::vector<std::string>{"Alpha", "beta", "gamma"}));

    // Without a rewind the walk goes on from where it stopped, and ends with null.
    db_.EnumServProf(1);
    EXPECT_EQ(take(db_.EnumServProf(0)), "Alpha");
    EXPECT_EQ(db_.ServProfDel("beta"), 0);  // changes do not disturb a walk under way
    EXPECT_EQ(take(db_.EnumServProf(0)), "beta");
    EXPECT_EQ(take(db_.EnumServProf(0)), "gamma");
    EXPECT_EQ(db_.EnumServProf(0), nullptr);
    EXPECT_EQ(db_.EnumServProf(0), nullptr);
    EXPECT_EQ(enumNames(db_, &SiteMgr50::EnumServProf),
              (std::vector<std::string>{"Alpha", "gamma"}));

    EXPECT_LT(db_.ServProfGetID("beta"), 0);
    EXPECT_LT(db_.ServProfDel("beta"), 0);
    int gamma = db_.ServProfGetID("gamma");
    EXPECT_EQ(db_.ServProfDel("gamma"), 0);
    // A stale identifier never reaches a later profile.
    ASSERT_EQ(db_.SetServProf("delta", "h", "u", "", "", 0, "", "", ""), 0);
    EXPECT_NE(db_.ServProfGetID("delta"), gamma);
    EXPECT_LT(db_.SetServProfPortNum(gamma, 1), 0);
}

TEST_F(SiteDatabase, SiteContentsNeedAnOpenSiteAndKeepWhatWasSet) {
    EXPECT_LT(db_.SiteOpen("missing", 1, false), 0);
    EXPECT_EQ(db_.EnumFolder(0), nullptr);
    EXPECT_LT(db_.EnumRel(0), 0);
    EXPECT_LT(db_.FolderNew("/x"), 0);
    EXPECT_LT(db_.SetUrlInfo("http://localhost/", {}), 0);

    ASSERT_EQ(db_.SiteOpen("made", 1, true), 0);  // created on request
    EXPECT_GE(db_.SiteProfGetID("made"), 0);
    EXPECT_LT(db_.SetSiteProfInfo("made", std::vector<std::string>(22)), 0);
    std::vector<std::string> info;
    ASSERT_EQ(db_.GetSiteProfInfo("made", info), 0);
    EXPECT_EQ(info, std::vector<std::string>(SiteMgr50::kSiteInfoCount));
    tsy::RelInfo relation;
    EXPECT_LT(db_.GetRelInfo(12345, relation), 0);

    ASSERT_GE(db_.FolderNew("/images"), 0);
    EXPECT_LT(db_.FolderNew("/images"), 0);  // already there
    std::string page = "index.html";
    ASSERT_EQ(db_.SetPathInfo("/index.html", {&page, nullptr}), 0);
    std::vector<std::string*> values;
    ASSERT_EQ(db_.GetPathInfo("/index.html", values), 0);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(take(values[0]), "index.html");
    EXPECT_NE(values[1], nullptr) << "a null value is stored as empty text";
    EXPECT_EQ(take(values[1]), "");
    const int link = db_.SetLinkInfo({"/index.html", "http://localhost/", 2});
    ASSERT_GE(link, 0);
    EXPECT_EQ(db_.SetLinkInfo({"/index.html", "http://localhost/", 5}), link);  // updated
    tsy::LinkInfo linkInfo;
    ASSERT_EQ(db_.GetLinkInfo(link, linkInfo), 0);
    EXPECT_EQ(linkInfo.kind, 5);
    db_.SiteClose();
    EXPECT_EQ(db_.EnumUrl(0), nullptr);
}

TEST_F(SiteDatabase, FilesAreOwnerOnlyAndVersioned) {
    EXPECT_EQ(ScratchConfig::mode(folder_ + "SVP"), 0600u);
    EXPECT_EQ(ScratchConfig::mode(folder_ + "STP"), 0600u);
    EXPECT_EQ(ScratchConfig::mode(config_.root() + "/Site"), 0700u);

    ASSERT_EQ(db_.SetServProf("kept", "h", "u", "", "", 0, "", "", ""), 0);
    db_.setDB(config_.root() + "/other", "a", "b", 0);  // let go of the files

    // A database of ours that others could read is narrowed when opened.
    ::chmod((folder_ + "SVP").c_str(), 0644);
    SiteMgr50 reopened;
    ASSERT_EQ(reopened.setDB(folder_, "STP", "SVP", 0), 0);
    EXPECT_EQ(ScratchConfig::mode(folder_ + "SVP"), 0600u);
    EXPECT_GE(reopened.ServProfGetID("kept"), 0);
    reopened.setDB(config_.root() + "/other", "a", "b", 0);

    // A file written by a newer version is refused and left alone.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((folder_ + "SVP").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(raw, "UPDATE schema_version SET version = 99 WHERE part = 'server profiles'",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(raw);
    SiteMgr50 newer;
    EXPECT_LT(newer.setDB(folder_, "STP", "SVP", 0), 0);
    EXPECT_NE(newer.lastError().find("newer"), std::string::npos) << newer.lastError();
    EXPECT_LT(newer.ServProfGetID("kept"), 0);
    int site = newer.SetSiteProfInfo("site", {});  // the other file stays usable
    EXPECT_GE(site, 0);
    EXPECT_EQ(newer.SiteProfGetID("site"), site);

    // A file that is no database is refused and not touched.
    const std::string junk = config_.root() + "/junk/";
    std::filesystem::create_directories(junk);
    std::ofstream(junk + "SVP", std::ios::binary) << std::string(4096, 'j');
    SiteMgr50 bad;
    EXPECT_LT(bad.setDB(junk, "STP", "SVP", 0), 0);
    EXPECT_FALSE(bad.lastError().empty());
    EXPECT_EQ(std::filesystem::file_size(junk + "SVP"), 4096u);

    // One file for both kinds of profile works too.
    SiteMgr50 single;
    ASSERT_EQ(single.setDB(config_.root() + "/single", "site.db", "site.db", 0), 0);
    ASSERT_EQ(single.SetServProf("p", "h", "u", "", "", 0, "", "", ""), 0);
    EXPECT_GE(single.SetSiteProfInfo("s", {"title"}), 0);
    EXPECT_GE(single.ServProfGetID("p"), 0);
    EXPECT_GE(single.SiteProfGetID("s"), 0);
}

}  // namespace
