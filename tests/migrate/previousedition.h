#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "legacykeys.h"
#include "pathhelpers.h"
#include "scratchconfig.h"
#include "sitemgr50.h"
#include "testfiles.h"

// The earlier edition's data, built with our own libraries inside a scratch configuration:
// its Site key, its site database, its install record and its data folders.
namespace previousedition {

inline tsy::CRegistryBase userKey(const std::string& path) {
    return tsy::CRegistryBase(path, tsy::HKEY_CURRENT_USER, 1);
}
inline tsy::CRegistryBase currentKey(const std::string& path) {
    return tsy::CRegistryBase(path, tsy::HKEY_CURRENT_USER, 0);
}

inline void writeSiteKey(const std::string& siteDb, const std::string& siteProf = "STP",
                         const std::string& servProf = "SVP",
                         const char* key = migration::kOldSiteKey) {
    auto site = userKey(key);
    site.SetValueString("SiteDB", siteDb);
    site.SetValueString("SiteProf", siteProf);
    site.SetValueString("ServProf", servProf);
}

// The install record of a variant: a non-empty "Top" means still installed.
inline void setInstallFolder(const std::string& top,
                             const char* machineKey = migration::kOldMachineKey) {
    tsy::CRegistryBase(machineKey, tsy::HKEY_LOCAL_MACHINE, 1).SetValueString("Top", top);
}

inline std::vector<std::string> siteInfo(const std::string& tag) {
    std::vector<std::string> info;
    for (int i = 0; i < tsy::SiteMgr50::kSiteInfoCount; ++i)
        info.push_back(tag + "-" + std::to_string(i));
    return info;
}

inline tsy::ServProfInfo serverInfo(const std::string& host) {
    tsy::ServProfInfo info;
    info.host = host;
    info.user = "ann";
    info.password = "secret";
    info.port = 2121;
    info.passiveMode = 1;
    info.initRemoteDir = "/htdocs";
    info.asciiSuffix = ":HTM:TXT:";
    return info;
}

// A site with two folders and one of each other kind of content.
inline void addSite(tsy::SiteMgr50& db, const std::string& name, const std::string& tag) {
    ASSERT_GE(db.SetSiteProfInfo(name, siteInfo(tag)), 0);
    ASSERT_EQ(db.SiteOpen(name, 1, false), 0);
    ASSERT_GE(db.FolderNew("/images"), 0);
    ASSERT_GE(db.FolderNew("/" + tag), 0);
    ASSERT_EQ(db.SetUrlInfo("http://localhost/" + tag, {"Title " + tag, 2}), 0);
    std::string a = tag + ".html", b = "value " + tag;
    ASSERT_EQ(db.SetPathInfo("/" + tag + "/index.html", {&a, &b}), 0);
    ASSERT_GE(db.SetRelInfo({"/index.html", "/" + tag + ".html", 1}), 0);
    ASSERT_GE(db.SetLinkInfo({"/index.html", "http://localhost/" + tag, 3}), 0);
    ASSERT_EQ(db.SiteClose(), 0);
}

// The earlier edition's site database in folder/Site/ with two sites and two server
// profiles, and its Site key pointing there.
inline std::string buildSiteDatabase(const std::string& folder) {
    const std::string siteDb = folder + "/Site/";
    tsy::SiteMgr50 db;
    EXPECT_EQ(db.setDB(siteDb, "STP", "SVP", 0), 0);
    addSite(db, "home", "old-home");
    addSite(db, "shared", "old-shared");
    EXPECT_EQ(db.SetServProfInfo("old-server", serverInfo("old.example")), 0);
    EXPECT_EQ(db.SetServProfInfo("shared", serverInfo("old-shared.example")), 0);
    writeSiteKey(siteDb);
    return siteDb;
}

using testsupport::readFile;
using testsupport::writeFile;

}  // namespace previousedition
