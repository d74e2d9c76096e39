// SiteMgr50: site profiles and the contents of the open site.
#include <climits>
#include <ctime>

#include "sitemgr50.h"

namespace tsy {
namespace {

int toId(std::int64_t id) {
    return id >= 0 && id <= INT_MAX ? static_cast<int>(id) : -1;
}

}  // namespace

bool SiteMgr50::siteReady() {
    if (!ready(sites_)) return false;
    if (openSite_ >= 0) return true;
    lastError_ = "no site is open";
    return false;
}

void SiteMgr50::resetSiteCursors() {
    folderCursor_ = urlCursor_ = pathCursor_ = relCursor_ = linkCursor_ = Cursor();
}

int SiteMgr50::nextIndex(Cursor& cursor, const char* sql, int rewind) {
    if (rewind || !cursor.loaded) {
        cursor = Cursor();
        cursor.loaded = true;
        if (siteReady()) {
            SqliteDb::Statement query(sites_, sql);
            query.bind(1, openSite_);
            while (query.step())
                cursor.indexes.push_back(query.integer(0));
            if (query.failed()) fail(sites_);
        }
        if (rewind) return 0;
    }
    if (cursor.next >= cursor.indexes.size()) return -1;
    return toId(cursor.indexes[cursor.next++]);
}

std::string* SiteMgr50::EnumSiteProf(int rewind) {
    return nextName(siteCursor_, sites_, "SELECT name FROM site_profile ORDER BY name", false,
                    rewind);
}

int SiteMgr50::SiteProfGetID(const std::string& name) {
    return idOf(sites_, "SELECT id FROM site_profile WHERE name = ?", name, false);
}

int SiteMgr50::GetSiteProfInfo(const std::string& name, std::vector<std::string>& info) {
    int id = SiteProfGetID(name);
    if (id < 0) return -1;
    info.assign(kSiteInfoCount, std::string());
    SqliteDb::Statement query(sites_, "SELECT position, value FROM site_info WHERE site_id = ?");
    query.bind(1, std::int64_t{id});
    while (query.step()) {
        std::int64_t position = query.integer(0);
        if (position >= 0 && position < kSiteInfoCount) info[position] = query.text(1);
    }
    return query.failed() ? fail(sites_) : 0;
}

int SiteMgr50::SetSiteProfInfo(const std::string& name, const std::vector<std::string>& info) {
    if (name.empty() || info.size() > kSiteInfoCount) {
        lastError_ = name.empty() ? "a site needs a name" : "too many site texts";
        return -1;
    }
    if (!ready(sites_)) return -1;
    SqliteDb::Transaction transaction(sites_);
    if (!transaction.ok()) return fail(sites_);
    SqliteDb::Statement upsert(sites_,
                               "INSERT INTO site_profile (name, create_time) VALUES (?, ?) "
                               "ON CONFLICT (name) DO UPDATE SET name = excluded.name "
                               "RETURNING id");
    upsert.bind(1, name).bind(2, static_cast<std::int64_t>(std::time(nullptr)));
    if (!upsert.step()) return fail(sites_);
    std::int64_t id = upsert.integer(0);
    if (!upsert.run()) return fail(sites_);

    SqliteDb::Statement clear(sites_, "DELETE FROM site_info WHERE site_id = ?");
    clear.bind(1, id);
    if (!clear.run()) return fail(sites_);
    for (int position = 0; position < kSiteInfoCount; ++position) {
        SqliteDb::Statement insert(sites_,
                                   "INSERT INTO site_info (site_id, position, value) "
                                   "VALUES (?, ?, ?)");
        const std::string empty;
        const std::string& value =
            position < static_cast<int>(info.size()) ? info[position] : empty;
        insert.bind(1, id).bind(2, std::int64_t{position}).bind(3, value);
        if (!insert.run()) return fail(sites_);
    }
    if (!transaction.commit()) return fail(sites_);
    return toId(id);
}

int SiteMgr50::SetSiteProfSiteCreateTime(int id, std::int64_t seconds) {
    if (!ready(sites_)) return -1;
    SqliteDb::Statement update(sites_, "UPDATE site_profile SET create_time = ? WHERE id = ?");
    update.bind(1, seconds).bind(2, std::int64_t{id});
    if (!update.run()) return fail(sites_);
    return sites_.changes() == 1 ? 0 : -1;
}

std::int64_t SiteMgr50::GetSiteProfSiteCreateTime(int id) {
    if (!ready(sites_)) return -1;
    SqliteDb::Statement query(sites_, "SELECT create_time FROM site_profile WHERE id = ?");
    query.bind(1, std::int64_t{id});
    return query.step() ? query.integer(0) : -1;
}

int SiteMgr50::SiteOpen(const std::string& name, int, bool create) {
    openSite_ = -1;
    resetSiteCursors();
    int id = SiteProfGetID(name);
    if (id < 0 && create) id = SetSiteProfInfo(name, {});
    if (id < 0) {
        lastError_ = "no site of that name";
        return -1;
    }
    openSite_ = id;
    return 0;
}

int SiteMgr50::SiteClose() {
    openSite_ = -1;
    resetSiteCursors();
    return 0;
}

std::string* SiteMgr50::EnumFolder(int rewind) {
    return nextName(folderCursor_, sites_,
                    "SELECT name FROM site_folder WHERE site_id = ? ORDER BY name", true, rewind);
}

int SiteMgr50::FolderGetID(const std::string& name) {
    return idOf(sites_, "SELECT id FROM site_folder WHERE site_id = ? AND name = ?", name, true);
}

int SiteMgr50::FolderNew(const std::string& name) {
    if (name.empty() || !siteReady()) return -1;
    SqliteDb::Statement insert(sites_, "INSERT INTO site_folder (site_id, name) VALUES (?, ?)");
    insert.bind(1, openSite_).bind(2, name);
    if (!insert.run()) return fail(sites_);  // also when the folder exists
    return toId(sites_.lastInsertId());
}

std::string* SiteMgr50::EnumUrl(int rewind) {
    return nextName(urlCursor_, sites_, "SELECT url FROM site_url WHERE site_id = ? ORDER BY url",
                    true, rewind);
}

int SiteMgr50::GetUrlInfo(const std::string& url, UrlInfo& info) {
    if (!siteReady()) return -1;
    SqliteDb::Statement query(sites_,
                              "SELECT title, status FROM site_url WHERE site_id = ? AND url = ?");
    query.bind(1, openSite_).bind(2, url);
    if (!query.step()) return fail(sites_);
    info.title = query.text(0);
    info.status = static_cast<int>(query.integer(1));
    return 0;
}

int SiteMgr50::SetUrlInfo(const std::string& url, const UrlInfo& info) {
    if (url.empty() || !siteReady()) return -1;
    SqliteDb::Statement upsert(sites_,
                               "INSERT INTO site_url (site_id, url, title, status) "
                               "VALUES (?, ?, ?, ?) ON CONFLICT (site_id, url) DO UPDATE SET "
                               "title = excluded.title, status = excluded.status");
    upsert.bind(1, openSite_).bind(2, url).bind(3, info.title);
    upsert.bind(4, std::int64_t{info.status});
    return upsert.run() ? 0 : fail(sites_);
}

std::string* SiteMgr50::EnumPath(int rewind) {
    return nextName(pathCursor_, sites_,
                    "SELECT path FROM site_path WHERE site_id = ? ORDER BY path", true, rewind);
}

int SiteMgr50::GetPathInfo(const std::string& path, std::vector<std::string*>& values) {
    int id = idOf(sites_, "SELECT id FROM site_path WHERE site_id = ? AND path = ?", path, true);
    if (id < 0) return -1;
    SqliteDb::Statement query(sites_,
                              "SELECT value FROM site_path_value WHERE path_id = ? "
                              "ORDER BY position");
    query.bind(1, std::int64_t{id});
    while (query.step())
        values.push_back(new std::string(query.text(0)));
    return query.failed() ? fail(sites_) : 0;
}

int SiteMgr50::SetPathInfo(const std::string& path, const std::vector<std::string*>& values) {
    if (path.empty() || !siteReady()) return -1;
    SqliteDb::Transaction transaction(sites_);
    if (!transaction.ok()) return fail(sites_);
    SqliteDb::Statement upsert(sites_,
                               "INSERT INTO site_path (site_id, path) VALUES (?, ?) "
                               "ON CONFLICT (site_id, path) DO UPDATE SET path = excluded.path "
                               "RETURNING id");
    upsert.bind(1, openSite_).bind(2, path);
    if (!upsert.step()) return fail(sites_);
    std::int64_t id = upsert.integer(0);
    if (!upsert.run()) return fail(sites_);
    SqliteDb::Statement clear(sites_, "DELETE FROM site_path_value WHERE path_id = ?");
    clear.bind(1, id);
    if (!clear.run()) return fail(sites_);
    for (std::size_t position = 0; position < values.size(); ++position) {
        SqliteDb::Statement insert(sites_,
                                   "INSERT INTO site_path_value (path_id, position, value) "
                                   "VALUES (?, ?, ?)");
        insert.bind(1, id).bind(2, static_cast<std::int64_t>(position));
        insert.bind(3, values[position] ? std::string_view(*values[position]) : "");
        if (!insert.run()) return fail(sites_);
    }
    return transaction.commit() ? 0 : fail(sites_);
}

int SiteMgr50::EnumRel(int rewind) {
    return nextIndex(relCursor_, "SELECT id FROM site_relation WHERE site_id = ? ORDER BY id",
                     rewind);
}

int SiteMgr50::GetRelInfo(int index, RelInfo& info) {
    if (!siteReady()) return -1;
    SqliteDb::Statement query(sites_,
                              "SELECT source, target, kind FROM site_relation "
                              "WHERE id = ? AND site_id = ?");
    query.bind(1, std::int64_t{index}).bind(2, openSite_);
    if (!query.step()) return fail(sites_);
    info.source = query.text(0);
    info.target = query.text(1);
    info.kind = static_cast<int>(query.integer(2));
    return 0;
}

int SiteMgr50::SetRelInfo(const RelInfo& info) {
    if (!siteReady()) return -1;
    SqliteDb::Statement upsert(sites_,
                               "INSERT INTO site_relation (site_id, source, target, kind) "
                               "VALUES (?, ?, ?, ?) ON CONFLICT (site_id, source, target) "
                               "DO UPDATE SET kind = excluded.kind RETURNING id");
    upsert.bind(1, openSite_).bind(2, info.source).bind(3, info.target);
    upsert.bind(4, std::int64_t{info.kind});
    if (!upsert.step()) return fail(sites_);
    std::int64_t id = upsert.integer(0);
    return upsert.run() ? toId(id) : fail(sites_);
}

int SiteMgr50::EnumLink(int rewind) {
    return nextIndex(linkCursor_, "SELECT id FROM site_link WHERE site_id = ? ORDER BY id", rewind);
}

int SiteMgr50::GetLinkInfo(int index, LinkInfo& info) {
    if (!siteReady()) return -1;
    SqliteDb::Statement query(sites_,
                              "SELECT path, target, kind FROM site_link "
                              "WHERE id = ? AND site_id = ?");
    query.bind(1, std::int64_t{index}).bind(2, openSite_);
    if (!query.step()) return fail(sites_);
    info.path = query.text(0);
    info.target = query.text(1);
    info.kind = static_cast<int>(query.integer(2));
    return 0;
}

int SiteMgr50::SetLinkInfo(const LinkInfo& info) {
    if (!siteReady()) return -1;
    SqliteDb::Statement upsert(sites_,
                               "INSERT INTO site_link (site_id, path, target, kind) "
                               "VALUES (?, ?, ?, ?) ON CONFLICT (site_id, path, target) "
                               "DO UPDATE SET kind = excluded.kind RETURNING id");
    upsert.bind(1, openSite_).bind(2, info.path).bind(3, info.target);
    upsert.bind(4, std::int64_t{info.kind});
    if (!upsert.step()) return fail(sites_);
    std::int64_t id = upsert.integer(0);
    return upsert.run() ? toId(id) : fail(sites_);
}

}  // namespace tsy
