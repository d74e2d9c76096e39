#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sqlitedb.h"

namespace tsy {

// Every stored field of one server profile, for copying a profile whole.
struct ServProfInfo {
    std::string host, user, password, extraText;
    int useFirewall = 0;
    std::string firewallHost, firewallUser, firewallPassword;
    int port = 21;
    int passiveMode = 0;
    int transferType = 0;
    int initDirMode = 0;
    int lockDir = 0;
    int encryption = 0;  // as the profile store numbers it; 0 plain FTP
    // Absent until set.
    std::optional<std::string> initRemoteDir, mruDirLocal, mruDirRemote, asciiSuffix;
};

// Site contents: only what a copy between two databases carries.
struct UrlInfo {
    std::string title;
    int status = 0;
};
struct RelInfo {
    std::string source, target;
    int kind = 0;
};
struct LinkInfo {
    std::string path, target;
    int kind = 0;
};

// The site database: server profiles in one SQLite file, site profiles and their contents
// in another (both in the folder given to setDB; they may be the same file).
//
// Results: 0 success and negative failure; GetID calls and the calls that create an item
// return an identifier of 0 or more. A string result is a new object that the caller
// releases with DeleteString; null means none. Enum calls: 1 rewinds (result ignored),
// 0 yields the next item, then null (or a negative index for EnumRel and EnumLink). An
// enumeration walks the names as they were at its rewind (or at its first call), in byte
// order, so changes made while enumerating do not disturb it.
class SiteMgr50 {
public:
    static constexpr int kSiteInfoCount = 21;

    SiteMgr50() = default;
    ~SiteMgr50() = default;
    SiteMgr50(const SiteMgr50&) = delete;
    SiteMgr50& operator=(const SiteMgr50&) = delete;

    // folder (with or without the trailing "/") is created owner-only when missing.
    int setDB(const std::string& folder, const std::string& siteProfileFile,
              const std::string& serverProfileFile, int reserved = 0);
    static void DeleteString(std::string* text);
    const std::string& lastError() const { return lastError_; }

    // Server profiles.
    std::string* EnumServProf(int rewind);
    int ServProfGetID(const std::string& name);
    int GetServProf(const std::string& name, std::string** host, std::string** user,
                    std::string** password, std::string** extraText, int* useFirewall,
                    std::string** firewallHost, std::string** firewallUser,
                    std::string** firewallPassword);
    // Creates or replaces these fields; the profile's other fields and identifier stay.
    int SetServProf(const std::string& name, const std::string& host, const std::string& user,
                    const std::string& password, const std::string& extraText, int useFirewall,
                    const std::string& firewallHost, const std::string& firewallUser,
                    const std::string& firewallPassword);
    // Numbers of an unknown identifier read as -1.
    int GetServProfPortNum(int id);
    int GetServProfUsePassiveMode(int id);
    int GetServProfTrandelType(int id);
    int GetServProfInitDirMode(int id);
    int GetServProfLockDir(int id);
    // How the profile's connections are encrypted; 0 (plain) for one never set.
    int GetServProfEncryption(int id);
    int SetServProfEncryption(int id, int value);
    // 0 automatic, 1 UTF-8, 2 GB18030.
    int GetServProfNameEncoding(int id);
    int SetServProfNameEncoding(int id, int value);
    // 0 the machine listing where offered, 1 always LIST.
    int GetServProfListCommand(int id);
    int SetServProfListCommand(int id, int value);
    // 1 (the default) checks every transfer, 0 does not.
    int GetServProfVerifyTransfers(int id);
    int SetServProfVerifyTransfers(int id, int value);
    int SetServProfPortNum(int id, int value);
    int SetServProfUsePassiveMode(int id, int value);
    int SetServProfTrandelType(int id, int value);
    int SetServProfInitDirMode(int id, int value);
    int SetServProfLockDir(int id, int value);
    std::string* GetServProfInitRemoteDir(int id);
    std::string* GetServProfMRUDirLocal(int id);
    std::string* GetServProfMRUDirRemote(int id);
    std::string* GetServProfAsciiSuffix(int id);
    int SetServProfInitRemoteDir(int id, const std::string& text);
    int SetServProfMRUDirLocal(int id, const std::string& text);
    int SetServProfMRUDirRemote(int id, const std::string& text);
    int SetServProfAsciiSuffix(int id, const std::string& text);
    int ServProfDel(const std::string& name);
    int GetServProfInfo(const std::string& name, ServProfInfo& info);
    int SetServProfInfo(const std::string& name, const ServProfInfo& info);

    // Site profiles: 21 texts and a creation time (seconds since 1970).
    std::string* EnumSiteProf(int rewind);
    int SiteProfGetID(const std::string& name);
    // info becomes kSiteInfoCount texts.
    int GetSiteProfInfo(const std::string& name, std::vector<std::string>& info);
    // Creates or replaces; missing texts are empty, more than kSiteInfoCount are refused.
    // Returns the site's identifier.
    int SetSiteProfInfo(const std::string& name, const std::vector<std::string>& info);
    int SetSiteProfSiteCreateTime(int id, std::int64_t seconds);
    std::int64_t GetSiteProfSiteCreateTime(int id);

    // The contents calls below work on the site opened here. mode is accepted as callers
    // pass it (1); create makes a missing site profile.
    int SiteOpen(const std::string& name, int mode, bool create);
    int SiteClose();

    std::string* EnumFolder(int rewind);
    int FolderGetID(const std::string& name);
    int FolderNew(const std::string& name);  // the new folder's identifier

    std::string* EnumUrl(int rewind);
    int GetUrlInfo(const std::string& url, UrlInfo& info);
    int SetUrlInfo(const std::string& url, const UrlInfo& info);

    std::string* EnumPath(int rewind);
    // Appends new strings to values; the caller releases each with DeleteString.
    int GetPathInfo(const std::string& path, std::vector<std::string*>& values);
    // Replaces the path's values (a null entry is stored as an empty text).
    int SetPathInfo(const std::string& path, const std::vector<std::string*>& values);

    // Relations and links are addressed by index; Set adds one, or updates the one with
    // the same source and target (path and target), and returns its index.
    int EnumRel(int rewind);
    int GetRelInfo(int index, RelInfo& info);
    int SetRelInfo(const RelInfo& info);
    int EnumLink(int rewind);
    int GetLinkInfo(int index, LinkInfo& info);
    int SetLinkInfo(const LinkInfo& info);

private:
    struct Cursor {
        std::vector<std::string> names;
        std::vector<std::int64_t> indexes;
        std::size_t next = 0;
        bool loaded = false;
    };

    bool ready(SqliteDb& db);
    bool siteReady();
    std::string* nextName(Cursor& cursor, SqliteDb& db, const char* sql, bool bySite, int rewind);
    int nextIndex(Cursor& cursor, const char* sql, int rewind);
    int idOf(SqliteDb& db, const char* sql, const std::string& name, bool bySite);
    int serverNumber(const char* column, int id);
    int setServerNumber(const char* column, int id, int value);
    std::string* serverText(const char* column, int id);
    int setServerText(const char* column, int id, const std::string& text);
    void resetSiteCursors();
    int fail(SqliteDb& db);

    SqliteDb servers_;
    SqliteDb sites_;
    std::string lastError_;
    std::int64_t openSite_ = -1;
    Cursor serverCursor_, siteCursor_, folderCursor_, urlCursor_, pathCursor_, relCursor_,
        linkCursor_;
};

}  // namespace tsy
