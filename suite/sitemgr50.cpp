#include "sitemgr50.h"

#include <climits>

#include "fileio.h"

namespace tsy {
namespace {

// Each file records the version of each kind of table it holds, so that a later version
// can convert it, and this one refuses a file written by a newer one.
// Server profiles: 2 added the encryption column; 3 the name encoding, the listing
// command and the verification of transfers.
constexpr int kServerSchemaVersion = 3;
constexpr int kSiteSchemaVersion = 1;

// Conversions of server profile tables, by the version they lead to. A profile stored
// before encryption could be chosen reads as plain FTP (0), as it always connected.
constexpr const char* kServerConversions[] = {
    nullptr,
    nullptr,
    "ALTER TABLE server_profile ADD COLUMN encryption INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE server_profile ADD COLUMN name_encoding INTEGER NOT NULL DEFAULT 0; "
    "ALTER TABLE server_profile ADD COLUMN list_command INTEGER NOT NULL DEFAULT 0; "
    "ALTER TABLE server_profile ADD COLUMN verify_transfers INTEGER NOT NULL DEFAULT 1",
};

constexpr const char* kServerTables = R"(
CREATE TABLE IF NOT EXISTS server_profile (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL UNIQUE,
    host TEXT NOT NULL DEFAULT '',
    user_id TEXT NOT NULL DEFAULT '',
    password TEXT NOT NULL DEFAULT '',
    extra_text TEXT NOT NULL DEFAULT '',
    use_firewall INTEGER NOT NULL DEFAULT 0,
    firewall_host TEXT NOT NULL DEFAULT '',
    firewall_user TEXT NOT NULL DEFAULT '',
    firewall_password TEXT NOT NULL DEFAULT '',
    port INTEGER NOT NULL DEFAULT 21,
    passive_mode INTEGER NOT NULL DEFAULT 0,
    transfer_type INTEGER NOT NULL DEFAULT 0,
    init_dir_mode INTEGER NOT NULL DEFAULT 0,
    lock_dir INTEGER NOT NULL DEFAULT 0,
    init_remote_dir TEXT,
    mru_dir_local TEXT,
    mru_dir_remote TEXT,
    ascii_suffix TEXT,
    encryption INTEGER NOT NULL DEFAULT 0,
    name_encoding INTEGER NOT NULL DEFAULT 0,
    list_command INTEGER NOT NULL DEFAULT 0,
    verify_transfers INTEGER NOT NULL DEFAULT 1
);)";

constexpr const char* kSiteTables = R"(
CREATE TABLE IF NOT EXISTS site_profile (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL UNIQUE,
    create_time INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS site_info (
    site_id INTEGER NOT NULL REFERENCES site_profile(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY (site_id, position)
);
CREATE TABLE IF NOT EXISTS site_folder (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    site_id INTEGER NOT NULL REFERENCES site_profile(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    UNIQUE (site_id, name)
);
CREATE TABLE IF NOT EXISTS site_url (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    site_id INTEGER NOT NULL REFERENCES site_profile(id) ON DELETE CASCADE,
    url TEXT NOT NULL,
    title TEXT NOT NULL,
    status INTEGER NOT NULL,
    UNIQUE (site_id, url)
);
CREATE TABLE IF NOT EXISTS site_path (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    site_id INTEGER NOT NULL REFERENCES site_profile(id) ON DELETE CASCADE,
    path TEXT NOT NULL,
    UNIQUE (site_id, path)
);
CREATE TABLE IF NOT EXISTS site_path_value (
    path_id INTEGER NOT NULL REFERENCES site_path(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY (path_id, position)
);
CREATE TABLE IF NOT EXISTS site_relation (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    site_id INTEGER NOT NULL REFERENCES site_profile(id) ON DELETE CASCADE,
    source TEXT NOT NULL,
    target TEXT NOT NULL,
    kind INTEGER NOT NULL,
    UNIQUE (site_id, source, target)
);
CREATE TABLE IF NOT EXISTS site_link (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    site_id INTEGER NOT NULL REFERENCES site_profile(id) ON DELETE CASCADE,
    path TEXT NOT NULL,
    target TEXT NOT NULL,
    kind INTEGER NOT NULL,
    UNIQUE (site_id, path, target)
);)";

bool prepareSchema(SqliteDb& db, const char* part, const char* tables, int current,
                   const char* const* conversions) {
    SqliteDb::Transaction transaction(db);
    if (!transaction.ok()) return false;
    if (!db.exec("CREATE TABLE IF NOT EXISTS schema_version ("
                 "part TEXT PRIMARY KEY, version INTEGER NOT NULL)")) {
        return false;
    }
    SqliteDb::Statement query(db, "SELECT version FROM schema_version WHERE part = ?");
    query.bind(1, std::string_view(part));
    if (query.step()) {
        std::int64_t version = query.integer(0);
        if (version > current) {
            db.noteError(std::string(part) + " were written by a newer version (" +
                         std::to_string(version) + ")");
            return false;
        }
        if (version == current) return transaction.commit();
        for (std::int64_t next = version + 1; next <= current; ++next)
            if (conversions && conversions[next] && !db.exec(conversions[next])) return false;
        SqliteDb::Statement update(db, "UPDATE schema_version SET version = ? WHERE part = ?");
        update.bind(1, std::int64_t{current}).bind(2, std::string_view(part));
        return update.run() && transaction.commit();
    }
    if (query.failed() || !db.exec(tables)) return false;
    SqliteDb::Statement insert(db, "INSERT INTO schema_version (part, version) VALUES (?, ?)");
    insert.bind(1, std::string_view(part)).bind(2, std::int64_t{current});
    return insert.run() && transaction.commit();
}

std::string* newString(std::string text) {
    return new std::string(std::move(text));
}

int toId(std::int64_t id) {
    return id >= 0 && id <= INT_MAX ? static_cast<int>(id) : -1;
}

void setOut(std::string** out, std::string text) {
    if (out) *out = newString(std::move(text));
}

}  // namespace

void SiteMgr50::DeleteString(std::string* text) {
    delete text;
}

int SiteMgr50::setDB(const std::string& folder, const std::string& siteProfileFile,
                     const std::string& serverProfileFile, int) {
    servers_.close();
    sites_.close();
    openSite_ = -1;
    serverCursor_ = siteCursor_ = Cursor();
    resetSiteCursors();
    lastError_.clear();
    if (folder.empty() || siteProfileFile.empty() || serverProfileFile.empty()) {
        lastError_ = "no database folder or file name";
        return -1;
    }
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (!ensurePrivateFolder(base)) {
        lastError_ = "cannot create the folder " + base;
        return -1;
    }
    if (base != "/") base += '/';

    // Each file is opened on its own, so that one damaged file leaves the other usable.
    bool serversOk = servers_.open(base + serverProfileFile) &&
                     prepareSchema(servers_, "server profiles", kServerTables, kServerSchemaVersion,
                                   kServerConversions);
    if (!serversOk) {
        lastError_ = servers_.lastError();
        servers_.close();
    }
    bool sitesOk = sites_.open(base + siteProfileFile) &&
                   prepareSchema(sites_, "site profiles", kSiteTables, kSiteSchemaVersion, nullptr);
    if (!sitesOk) {
        if (lastError_.empty()) lastError_ = sites_.lastError();
        sites_.close();
    }
    return serversOk && sitesOk ? 0 : -1;
}

bool SiteMgr50::ready(SqliteDb& db) {
    if (db.isOpen()) return true;
    lastError_ = "the database is not open";
    return false;
}

int SiteMgr50::fail(SqliteDb& db) {
    if (!db.lastError().empty()) lastError_ = db.lastError();
    return -1;
}

std::string* SiteMgr50::nextName(Cursor& cursor, SqliteDb& db, const char* sql, bool bySite,
                                 int rewind) {
    if (rewind || !cursor.loaded) {
        cursor = Cursor();
        cursor.loaded = true;
        if ((bySite ? siteReady() : ready(db))) {
            SqliteDb::Statement query(db, sql);
            if (bySite) query.bind(1, openSite_);
            while (query.step())
                cursor.names.push_back(query.text(0));
            if (query.failed()) fail(db);
        }
        if (rewind) return nullptr;
    }
    if (cursor.next >= cursor.names.size()) return nullptr;
    return newString(cursor.names[cursor.next++]);
}

int SiteMgr50::idOf(SqliteDb& db, const char* sql, const std::string& name, bool bySite) {
    if (bySite ? !siteReady() : !ready(db)) return -1;
    SqliteDb::Statement query(db, sql);
    int column = 1;
    if (bySite) query.bind(column++, openSite_);
    query.bind(column, name);
    if (query.step()) return toId(query.integer(0));
    if (query.failed()) fail(db);
    return -1;
}

std::string* SiteMgr50::EnumServProf(int rewind) {
    return nextName(serverCursor_, servers_, "SELECT name FROM server_profile ORDER BY name", false,
                    rewind);
}

int SiteMgr50::ServProfGetID(const std::string& name) {
    return idOf(servers_, "SELECT id FROM server_profile WHERE name = ?", name, false);
}

int SiteMgr50::GetServProf(const std::string& name, std::string** host, std::string** user,
                           std::string** password, std::string** extraText, int* useFirewall,
                           std::string** firewallHost, std::string** firewallUser,
                           std::string** firewallPassword) {
    for (std::string** out :
         {host, user, password, extraText, firewallHost, firewallUser, firewallPassword}) {
        if (out) *out = nullptr;
    }
    ServProfInfo info;
    int result = GetServProfInfo(name, info);
    if (result < 0) return result;
    setOut(host, info.host);
    setOut(user, info.user);
    setOut(password, info.password);
    setOut(extraText, info.extraText);
    if (useFirewall) *useFirewall = info.useFirewall;
    setOut(firewallHost, info.firewallHost);
    setOut(firewallUser, info.firewallUser);
    setOut(firewallPassword, info.firewallPassword);
    return 0;
}

int SiteMgr50::SetServProf(const std::string& name, const std::string& host,
                           const std::string& user, const std::string& password,
                           const std::string& extraText, int useFirewall,
                           const std::string& firewallHost, const std::string& firewallUser,
                           const std::string& firewallPassword) {
    if (name.empty()) {
        lastError_ = "a profile needs a name";
        return -1;
    }
    if (!ready(servers_)) return -1;
    SqliteDb::Statement upsert(servers_,
                               "INSERT INTO server_profile (name, host, user_id, password, "
                               "extra_text, use_firewall, firewall_host, firewall_user, "
                               "firewall_password) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                               "ON CONFLICT (name) DO UPDATE SET host = excluded.host, "
                               "user_id = excluded.user_id, password = excluded.password, "
                               "extra_text = excluded.extra_text, "
                               "use_firewall = excluded.use_firewall, "
                               "firewall_host = excluded.firewall_host, "
                               "firewall_user = excluded.firewall_user, "
                               "firewall_password = excluded.firewall_password");
    upsert.bind(1, name).bind(2, host).bind(3, user).bind(4, password).bind(5, extraText);
    upsert.bind(6, std::int64_t{useFirewall}).bind(7, firewallHost).bind(8, firewallUser);
    upsert.bind(9, firewallPassword);
    return upsert.run() ? 0 : fail(servers_);
}

int SiteMgr50::serverNumber(const char* column, int id) {
    if (!ready(servers_)) return -1;
    std::string sql = std::string("SELECT ") + column + " FROM server_profile WHERE id = ?";
    SqliteDb::Statement query(servers_, sql.c_str());
    query.bind(1, std::int64_t{id});
    if (query.step()) return static_cast<int>(query.integer(0));
    if (query.failed()) fail(servers_);
    return -1;
}

int SiteMgr50::setServerNumber(const char* column, int id, int value) {
    if (!ready(servers_)) return -1;
    std::string sql = std::string("UPDATE server_profile SET ") + column + " = ? WHERE id = ?";
    SqliteDb::Statement update(servers_, sql.c_str());
    update.bind(1, std::int64_t{value}).bind(2, std::int64_t{id});
    if (!update.run()) return fail(servers_);
    return servers_.changes() == 1 ? 0 : -1;
}

std::string* SiteMgr50::serverText(const char* column, int id) {
    if (!ready(servers_)) return nullptr;
    std::string sql = std::string("SELECT ") + column + " FROM server_profile WHERE id = ?";
    SqliteDb::Statement query(servers_, sql.c_str());
    query.bind(1, std::int64_t{id});
    if (query.step()) return query.isNull(0) ? nullptr : newString(query.text(0));
    if (query.failed()) fail(servers_);
    return nullptr;
}

int SiteMgr50::setServerText(const char* column, int id, const std::string& text) {
    if (!ready(servers_)) return -1;
    std::string sql = std::string("UPDATE server_profile SET ") + column + " = ? WHERE id = ?";
    SqliteDb::Statement update(servers_, sql.c_str());
    update.bind(1, text).bind(2, std::int64_t{id});
    if (!update.run()) return fail(servers_);
    return servers_.changes() == 1 ? 0 : -1;
}

int SiteMgr50::GetServProfPortNum(int id) {
    return serverNumber("port", id);
}
int SiteMgr50::GetServProfUsePassiveMode(int id) {
    return serverNumber("passive_mode", id);
}
int SiteMgr50::GetServProfTrandelType(int id) {
    return serverNumber("transfer_type", id);
}
int SiteMgr50::GetServProfInitDirMode(int id) {
    return serverNumber("init_dir_mode", id);
}
int SiteMgr50::GetServProfLockDir(int id) {
    return serverNumber("lock_dir", id);
}
int SiteMgr50::GetServProfEncryption(int id) {
    return serverNumber("encryption", id);
}
int SiteMgr50::SetServProfEncryption(int id, int v) {
    return setServerNumber("encryption", id, v);
}
int SiteMgr50::GetServProfNameEncoding(int id) {
    return serverNumber("name_encoding", id);
}
int SiteMgr50::SetServProfNameEncoding(int id, int v) {
    return setServerNumber("name_encoding", id, v);
}
int SiteMgr50::GetServProfListCommand(int id) {
    return serverNumber("list_command", id);
}
int SiteMgr50::SetServProfListCommand(int id, int v) {
    return setServerNumber("list_command", id, v);
}
int SiteMgr50::GetServProfVerifyTransfers(int id) {
    return serverNumber("verify_transfers", id);
}
int SiteMgr50::SetServProfVerifyTransfers(int id, int v) {
    return setServerNumber("verify_transfers", id, v);
}
int SiteMgr50::SetServProfPortNum(int id, int v) {
    return setServerNumber("port", id, v);
}
int SiteMgr50::SetServProfUsePassiveMode(int id, int v) {
    return setServerNumber("passive_mode", id, v);
}
int SiteMgr50::SetServProfTrandelType(int id, int v) {
    return setServerNumber("transfer_type", id, v);
}
int SiteMgr50::SetServProfInitDirMode(int id, int v) {
    return setServerNumber("init_dir_mode", id, v);
}
int SiteMgr50::SetServProfLockDir(int id, int v) {
    return setServerNumber("lock_dir", id, v);
}

std::string* SiteMgr50::GetServProfInitRemoteDir(int id) {
    return serverText("init_remote_dir", id);
}
std::string* SiteMgr50::GetServProfMRUDirLocal(int id) {
    return serverText("mru_dir_local", id);
}
std::string* SiteMgr50::GetServProfMRUDirRemote(int id) {
    return serverText("mru_dir_remote", id);
}
std::string* SiteMgr50::GetServProfAsciiSuffix(int id) {
    return serverText("ascii_suffix", id);
}
int SiteMgr50::SetServProfInitRemoteDir(int id, const std::string& text) {
    return setServerText("init_remote_dir", id, text);
}
int SiteMgr50::SetServProfMRUDirLocal(int id, const std::string& text) {
    return setServerText("mru_dir_local", id, text);
}
int SiteMgr50::SetServProfMRUDirRemote(int id, const std::string& text) {
    return setServerText("mru_dir_remote", id, text);
}
int SiteMgr50::SetServProfAsciiSuffix(int id, const std::string& text) {
    return setServerText("ascii_suffix", id, text);
}

int SiteMgr50::ServProfDel(const std::string& name) {
    if (!ready(servers_)) return -1;
    SqliteDb::Statement remove(servers_, "DELETE FROM server_profile WHERE name = ?");
    remove.bind(1, name);
    if (!remove.run()) return fail(servers_);
    return servers_.changes() == 1 ? 0 : -1;
}

int SiteMgr50::GetServProfInfo(const std::string& name, ServProfInfo& info) {
    if (!ready(servers_)) return -1;
    SqliteDb::Statement query(servers_,
                              "SELECT host, user_id, password, extra_text, use_firewall, "
                              "firewall_host, firewall_user, firewall_password, port, "
                              "passive_mode, transfer_type, init_dir_mode, lock_dir, "
                              "init_remote_dir, mru_dir_local, mru_dir_remote, ascii_suffix, "
                              "encryption FROM server_profile WHERE name = ?");
    query.bind(1, name);
    if (!query.step()) {
        if (query.failed()) return fail(servers_);
        lastError_ = "no server profile of that name";
        return -1;
    }
    auto number = [&](int column) { return static_cast<int>(query.integer(column)); };
    info.host = query.text(0);
    info.user = query.text(1);
    info.password = query.text(2);
    info.extraText = query.text(3);
    info.useFirewall = number(4);
    info.firewallHost = query.text(5);
    info.firewallUser = query.text(6);
    info.firewallPassword = query.text(7);
    info.port = number(8);
    info.passiveMode = number(9);
    info.transferType = number(10);
    info.initDirMode = number(11);
    info.lockDir = number(12);
    info.initRemoteDir = query.optionalText(13);
    info.mruDirLocal = query.optionalText(14);
    info.mruDirRemote = query.optionalText(15);
    info.asciiSuffix = query.optionalText(16);
    info.encryption = number(17);
    return 0;
}

int SiteMgr50::SetServProfInfo(const std::string& name, const ServProfInfo& info) {
    if (name.empty()) {
        lastError_ = "a profile needs a name";
        return -1;
    }
    if (!ready(servers_)) return -1;
    SqliteDb::Statement upsert(
        servers_,
        "INSERT INTO server_profile (name, host, user_id, password, extra_text, use_firewall, "
        "firewall_host, firewall_user, firewall_password, port, passive_mode, transfer_type, "
        "init_dir_mode, lock_dir, init_remote_dir, mru_dir_local, mru_dir_remote, ascii_suffix, "
        "encryption) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT (name) DO UPDATE SET host = excluded.host, user_id = excluded.user_id, "
        "password = excluded.password, extra_text = excluded.extra_text, "
        "use_firewall = excluded.use_firewall, firewall_host = excluded.firewall_host, "
        "firewall_user = excluded.firewall_user, "
        "firewall_password = excluded.firewall_password, port = excluded.port, "
        "passive_mode = excluded.passive_mode, transfer_type = excluded.transfer_type, "
        "init_dir_mode = excluded.init_dir_mode, lock_dir = excluded.lock_dir, "
        "init_remote_dir = excluded.init_remote_dir, mru_dir_local = excluded.mru_dir_local, "
        "mru_dir_remote = excluded.mru_dir_remote, ascii_suffix = excluded.ascii_suffix, "
        "encryption = excluded.encryption");
    upsert.bind(1, name).bind(2, info.host).bind(3, info.user).bind(4, info.password);
    upsert.bind(5, info.extraText).bind(6, std::int64_t{info.useFirewall});
    upsert.bind(7, info.firewallHost).bind(8, info.firewallUser).bind(9, info.firewallPassword);
    upsert.bind(10, std::int64_t{info.port}).bind(11, std::int64_t{info.passiveMode});
    upsert.bind(12, std::int64_t{info.transferType}).bind(13, std::int64_t{info.initDirMode});
    upsert.bind(14, std::int64_t{info.lockDir}).bind(15, info.initRemoteDir);
    upsert.bind(16, info.mruDirLocal).bind(17, info.mruDirRemote).bind(18, info.asciiSuffix);
    upsert.bind(19, std::int64_t{info.encryption});
    return upsert.run() ? 0 : fail(servers_);
}

}  // namespace tsy
