// Site profiles and site contents copied item by item from one database to another, the
// way the settings migration moves an earlier edition's sites.
#include <gtest/gtest.h>

#include "scratchconfig.h"
#include "sitemgr50.h"

using tsy::SiteMgr50;

namespace {

std::string take(std::string* text) {
    std::string copy = text ? *text : "(null)";
    SiteMgr50::DeleteString(text);
    return copy;
}

std::vector<std::string> info21(const std::string& prefix) {
    std::vector<std::string> info;
    for (int i = 0; i < SiteMgr50::kSiteInfoCount; ++i)
        info.push_back(prefix + std::to_string(i));
    return info;
}

void fillSite(SiteMgr50& db, const std::string& name, const std::string& tag) {
    ASSERT_GE(db.SetSiteProfInfo(name, info21(tag)), 0);
    ASSERT_EQ(db.SiteOpen(name, 1, false), 0);
    ASSERT_GE(db.FolderNew("/images"), 0);
    ASSERT_GE(db.FolderNew("/" + tag), 0);
    EXPECT_LT(db.FolderNew("/images"), 0);  // already there
    ASSERT_EQ(db.SetUrlInfo("http://localhost/" + tag, {"Title " + tag, 3}), 0);
    std::string a = "index.html", b = tag + " value";
    ASSERT_EQ(db.SetPathInfo("/" + tag + "/index.html", {&a, nullptr, &b}), 0);
    ASSERT_GE(db.SetRelInfo({"/index.html", "/" + tag + ".html", 1}), 0);
    int link = db.SetLinkInfo({"/index.html", "http://localhost/" + tag, 2});
    ASSERT_GE(link, 0);
    EXPECT_EQ(db.SetLinkInfo({"/index.html", "http://localhost/" + tag, 5}), link);  // updated
    ASSERT_EQ(db.SiteClose(), 0);
}

// Copies one site's contents, as the migration does.
void copyContents(SiteMgr50& from, SiteMgr50& to, const std::string& site) {
    ASSERT_EQ(from.SiteOpen(site, 1, false), 0);
    ASSERT_EQ(to.SiteOpen(site, 1, false), 0);
    from.EnumFolder(1);
    while (std::string* folder = from.EnumFolder(0)) {
        if (to.FolderGetID(*folder) < 0) {
            EXPECT_GE(to.FolderNew(*folder), 0);
        }
        SiteMgr50::DeleteString(folder);
    }
    from.EnumUrl(1);
    while (std::string* url = from.EnumUrl(0)) {
        tsy::UrlInfo info;
        if (from.GetUrlInfo(*url, info) == 0) {
            EXPECT_EQ(to.SetUrlInfo(*url, info), 0);
        }
        SiteMgr50::DeleteString(url);
    }
    from.EnumPath(1);
    while (std::string* path = from.EnumPath(0)) {
        std::vector<std::string*> values;
        if (from.GetPathInfo(*path, values) == 0) {
            EXPECT_EQ(to.SetPathInfo(*path, values), 0);
        }
        for (std::string* v : values)
            SiteMgr50::DeleteString(v);
        SiteMgr50::DeleteString(path);
    }
    from.EnumRel(1);
    for (int index; (index = from.EnumRel(0)) >= 0;) {
        tsy::RelInfo info;
        if (from.GetRelInfo(index, info) == 0) {
            EXPECT_GE(to.SetRelInfo(info), 0);
        }
    }
    from.EnumLink(1);
    for (int index; (index = from.EnumLink(0)) >= 0;) {
        tsy::LinkInfo info;
        if (from.GetLinkInfo(index, info) == 0) {
            EXPECT_GE(to.SetLinkInfo(info), 0);
        }
    }
    to.SiteClose();
    from.SiteClose();
}

TEST(SiteCopy, SitesAndServerProfilesMoveBetweenTwoDatabases) {
    ScratchConfig config;
    SiteMgr50 previous, current;
    ASSERT_EQ(previous.setDB(config.root() + "/old/Site", "STP", "SVP", 0), 0);
    ASSERT_EQ(current.setDB(config.root() + "/new/Site/", "STP", "SVP", 0), 0);
    fillSite(previous, "home", "h");
    fillSite(previous, "shared", "old");
    fillSite(current, "shared", "new");
    tsy::ServProfInfo oldInfo;
    oldInfo.host = "old.host";
    oldInfo.port = 2121;
    oldInfo.asciiSuffix = ":";
    ASSERT_EQ(previous.SetServProfInfo("server", oldInfo), 0);
    ASSERT_EQ(previous.SetServProfInfo("shared", oldInfo), 0);
    tsy::ServProfInfo newInfo;
    newInfo.host = "new.host";
    ASSERT_EQ(current.SetServProfInfo("shared", newInfo), 0);

    previous.EnumSiteProf(1);
    while (std::string* name = previous.EnumSiteProf(0)) {
        std::vector<std::string> info(SiteMgr50::kSiteInfoCount);
        ASSERT_EQ(previous.GetSiteProfInfo(*name, info), 0);
        if (current.SiteProfGetID(*name) < 0) {
            int id = current.SetSiteProfInfo(*name, info);
            ASSERT_GE(id, 0);
            copyContents(previous, current, *name);
            EXPECT_EQ(current.SetSiteProfSiteCreateTime(id, 1700000000), 0);
        }
        SiteMgr50::DeleteString(name);
    }
    previous.EnumServProf(1);
    while (std::string* name = previous.EnumServProf(0)) {
        tsy::ServProfInfo info;
        ASSERT_EQ(previous.GetServProfInfo(*name, info), 0);
        if (current.ServProfGetID(*name) < 0) {
            EXPECT_EQ(current.SetServProfInfo(*name, info), 0);
        }
        SiteMgr50::DeleteString(name);
    }

    // The copied site, whole.
    std::vector<std::string> info;
    ASSERT_EQ(current.GetSiteProfInfo("home", info), 0);
    EXPECT_EQ(info, info21("h"));
    EXPECT_EQ(current.GetSiteProfSiteCreateTime(current.SiteProfGetID("home")), 1700000000);
    ASSERT_EQ(current.SiteOpen("home", 1, false), 0);
    std::vector<std::string> folders;
    current.EnumFolder(1);
    while (std::string* f = current.EnumFolder(0))
        folders.push_back(take(f));
    EXPECT_EQ(folders, (std::vector<std::string>{"/h", "/images"}));
    tsy::UrlInfo url;
    ASSERT_EQ(current.GetUrlInfo("http://localhost/h", url), 0);
    EXPECT_EQ(url.title, "Title h");
    EXPECT_EQ(url.status, 3);
    std::vector<std::string*> values;
    ASSERT_EQ(current.GetPathInfo("/h/index.html", values), 0);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(take(values[0]), "index.html");
    EXPECT_EQ(take(values[1]), "");
    EXPECT_EQ(take(values[2]), "h value");
    current.EnumRel(1);
    int rel = current.EnumRel(0);
    ASSERT_GE(rel, 0);
    EXPECT_LT(current.EnumRel(0), 0);
    tsy::RelInfo relation;
    ASSERT_EQ(current.GetRelInfo(rel, relation), 0);
    EXPECT_EQ(relation.target, "/h.html");
    current.EnumLink(1);
    int link = current.EnumLink(0);
    tsy::LinkInfo linkInfo;
    ASSERT_EQ(current.GetLinkInfo(link, linkInfo), 0);
    EXPECT_EQ(linkInfo.target, "http://localhost/h");
    EXPECT_EQ(linkInfo.kind, 5);
    EXPECT_LT(current.EnumLink(0), 0);
    current.SiteClose();

    // A site and a server profile present in both keep the current values and contents.
    ASSERT_EQ(current.GetSiteProfInfo("shared", info), 0);
    EXPECT_EQ(info, info21("new"));
    ASSERT_EQ(current.SiteOpen("shared", 1, false), 0);
    EXPECT_LT(current.FolderGetID("/old"), 0);
    EXPECT_GE(current.FolderGetID("/new"), 0);
    current.SiteClose();
    tsy::ServProfInfo server;
    ASSERT_EQ(current.GetServProfInfo("shared", server), 0);
    EXPECT_EQ(server.host, "new.host");
    ASSERT_EQ(current.GetServProfInfo("server", server), 0);
    EXPECT_EQ(server.host, "old.host");
    EXPECT_EQ(server.port, 2121);
    EXPECT_EQ(server.asciiSuffix, ":");
    EXPECT_EQ(server.mruDirLocal, std::nullopt);

    // The previous database is unchanged.
    ASSERT_EQ(previous.GetSiteProfInfo("shared", info), 0);
    EXPECT_EQ(info, info21("old"));
}

TEST(SiteCopy, ContentCallsNeedAnOpenSite) {
    ScratchConfig config;
    SiteMgr50 db;
    ASSERT_EQ(db.setDB(config.root() + "/Site/", "STP", "SVP", 0), 0);
    EXPECT_LT(db.SiteOpen("missing", 1, false), 0);
    EXPECT_EQ(db.EnumFolder(0), nullptr);
    EXPECT_LT(db.EnumRel(0), 0);
    EXPECT_LT(db.FolderNew("/x"), 0);
    EXPECT_LT(db.SetUrlInfo("http://localhost/", {}), 0);

    ASSERT_EQ(db.SiteOpen("made", 1, true), 0);  // created on request
    EXPECT_GE(db.SiteProfGetID("made"), 0);
    EXPECT_LT(db.SetSiteProfInfo("made", std::vector<std::string>(22)), 0);
    std::vector<std::string> info;
    ASSERT_EQ(db.GetSiteProfInfo("made", info), 0);
    EXPECT_EQ(info, std::vector<std::string>(SiteMgr50::kSiteInfoCount));
    tsy::RelInfo relation;
    EXPECT_LT(db.GetRelInfo(12345, relation), 0);
    db.SiteClose();
    EXPECT_EQ(db.EnumUrl(0), nullptr);
}

}  // namespace
