#include "profilemigration.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "legacykeys.h"
#include "pathhelpers.h"
#include "profilestore.h"
#include "sitemgr50.h"
#include "sitestrings.h"

namespace migration {
namespace {

using tsy::SiteMgr50;

struct DatabaseFiles {
    std::string folder, siteProfiles, serverProfiles;
};

DatabaseFiles readOldSiteKey() {
    tsy::CRegistryBase key(kOldSiteKey, tsy::HKEY_CURRENT_USER, 0);
    DatabaseFiles files{key.GetValueString(session::kSiteDbValue, "", 0),
                        key.GetValueString(session::kSiteProfValue, "", 0),
                        key.GetValueString(session::kServProfValue, "", 0)};
    if (!files.folder.empty() && !tsy::hasEndYenMark(files.folder))
        tsy::addLastYenMark(files.folder);
    return files;
}

// The earlier edition's database, read only: empty values take the defaults, which are
// not written back.
int openOldDatabase(SiteMgr50& db) {
    DatabaseFiles files = readOldSiteKey();
    if (files.folder.empty()) {
        std::string product = tsy::CTscCommon::getProductFolder(tsy::CTscCommon::ProductTop, 0);
        if (product.empty()) return -1;
        files.folder = product + session::kSiteFolderDefault + "/";
    }
    if (files.siteProfiles.empty()) files.siteProfiles = session::kSiteProfDefault;
    if (files.serverProfiles.empty()) files.serverProfiles = session::kServProfDefault;
    return db.setDB(files.folder, files.siteProfiles, files.serverProfiles, 0);
}

// One site's contents, item by item. Its outcome does not decide the migration's.
void copySiteContents(SiteMgr50& from, SiteMgr50& to, const std::string& site) {
    if (from.SiteOpen(site, 1, false) < 0) return;
    if (to.SiteOpen(site, 1, false) < 0) {
        from.SiteClose();
        return;
    }
    for (const std::string& folder : tsy::enumNames(from, &SiteMgr50::EnumFolder)) {
        if (to.FolderGetID(folder) < 0) to.FolderNew(folder);
    }
    for (const std::string& url : tsy::enumNames(from, &SiteMgr50::EnumUrl)) {
        tsy::UrlInfo info;
        if (from.GetUrlInfo(url, info) == 0) to.SetUrlInfo(url, info);
    }
    for (const std::string& path : tsy::enumNames(from, &SiteMgr50::EnumPath)) {
        std::vector<std::string*> values;
        if (from.GetPathInfo(path, values) == 0) to.SetPathInfo(path, values);
        for (std::string* value : values)
            SiteMgr50::DeleteString(value);
    }
    from.EnumRel(1);
    for (int index; (index = from.EnumRel(0)) >= 0;) {
        tsy::RelInfo info;
        if (from.GetRelInfo(index, info) == 0) to.SetRelInfo(info);
    }
    from.EnumLink(1);
    for (int index; (index = from.EnumLink(0)) >= 0;) {
        tsy::LinkInfo info;
        if (from.GetLinkInfo(index, info) == 0) to.SetLinkInfo(info);
    }
    to.SiteClose();
    from.SiteClose();
}

bool copySiteProfiles(SiteMgr50& from, SiteMgr50& to) {
    bool ok = true;
    for (const std::string& name : tsy::enumNames(from, &SiteMgr50::EnumSiteProf)) {
        std::vector<std::string> info(SiteMgr50::kSiteInfoCount);
        int read = from.GetSiteProfInfo(name, info);
        if (read < 0) ok = false;
        if (read != 0) continue;
        if (to.SiteProfGetID(name) >= 0) continue;
        int id = to.SetSiteProfInfo(name, info);
        if (id < 0) {
            ok = false;
            continue;
        }
        copySiteContents(from, to, name);
        to.SetSiteProfSiteCreateTime(id, static_cast<std::int64_t>(std::time(nullptr)));
    }
    return ok;
}

bool copyServerProfiles(SiteMgr50& from, SiteMgr50& to) {
    bool ok = true;
    for (const std::string& name : tsy::enumNames(from, &SiteMgr50::EnumServProf)) {
        tsy::ServProfInfo info;
        int read = from.GetServProfInfo(name, info);
        if (read < 0) ok = false;
        if (read != 0) continue;
        if (to.ServProfGetID(name) >= 0) continue;
        if (to.SetServProfInfo(name, info) < 0) ok = false;
    }
    return ok;
}

}  // namespace

bool oldSiteDataFound() {
    DatabaseFiles files = readOldSiteKey();
    if (files.folder.empty() || files.siteProfiles.empty() || files.serverProfiles.empty())
        return false;
    return tsy::is_file(files.folder + files.siteProfiles) &&
           tsy::is_file(files.folder + files.serverProfiles);
}

bool migrateProfiles(bool earlierServerSettings, bool siteAndServerSettings) {
    const bool copy = siteAndServerSettings && oldSiteDataFound();
    if (!earlierServerSettings && !copy) return true;

    auto current = std::make_unique<SiteMgr50>();
    // A database that cannot be opened would fail every write anyway; say so at once.
    if (session::openSiteDatabase(*current) < 0) return false;
    if (!copy) return true;

    auto previous = std::make_unique<SiteMgr50>();
    if (openOldDatabase(*previous) < 0) return false;
    const bool sitesOk = copySiteProfiles(*previous, *current);
    const bool serversOk = copyServerProfiles(*previous, *current);
    return sitesOk && serversOk;
}

}  // namespace migration
