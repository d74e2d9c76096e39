#include "profilestore.h"

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "pathhelpers.h"
#include "sitemgr50.h"
#include "sitestrings.h"

namespace session {
namespace {

// A missing or empty value takes its default, which is written back.
std::string valueOrDefault(tsy::CRegistryBase& key, const char* name, const std::string& fallback) {
    std::string value = key.GetValueString(name, "", 1);
    if (value.empty() && !fallback.empty()) {
        value = fallback;
        key.SetValueString(name, value);
    }
    return value;
}

}  // namespace

std::string siteDatabaseFolder() {
    tsy::CRegistryBase key(tsy::CTscCommon::getHKCUTsypageSite(), tsy::HKEY_CURRENT_USER, 1);
    // Without a product folder there is no sound default: a relative "Site/" would
    // follow the current directory around, so nothing is written then.
    std::string product = tsy::CTscCommon::getProductFolder(tsy::CTscCommon::ProductTop, 0);
    std::string folderDefault = product.empty() ? "" : product + kSiteFolderDefault + "/";
    std::string folder = valueOrDefault(key, kSiteDbValue, folderDefault);
    if (!folder.empty() && !tsy::hasEndYenMark(folder)) tsy::addLastYenMark(folder);
    return folder;
}

int openSiteDatabase(tsy::SiteMgr50& db) {
    std::string folder = siteDatabaseFolder();
    tsy::CRegistryBase key(tsy::CTscCommon::getHKCUTsypageSite(), tsy::HKEY_CURRENT_USER, 1);
    std::string siteFile = valueOrDefault(key, kSiteProfValue, kSiteProfDefault);
    std::string serverFile = valueOrDefault(key, kServProfValue, kServProfDefault);
    if (folder.empty()) return -1;
    return db.setDB(folder, siteFile, serverFile, 0);
}

int loadProfile(tsy::SiteMgr50& db, const std::string& name, ServerProfile& record) {
    std::string *host = nullptr, *user = nullptr, *password = nullptr, *extra = nullptr;
    std::string *firewallHost = nullptr, *firewallUser = nullptr, *firewallPassword = nullptr;
    int useFirewall = 0;
    int result = db.GetServProf(name, &host, &user, &password, &extra, &useFirewall, &firewallHost,
                                &firewallUser, &firewallPassword);
    // Every string is released, whatever the result.
    ServerProfile loaded = record;
    loaded.name = name;
    loaded.host = tsy::take(host);
    loaded.user = tsy::take(user);
    loaded.password = tsy::take(password);
    loaded.extraText = tsy::take(extra);
    loaded.useFirewall = useFirewall;
    loaded.firewallHost = tsy::take(firewallHost);
    loaded.firewallUser = tsy::take(firewallUser);
    loaded.firewallPassword = tsy::take(firewallPassword);
    if (result < 0) return 0;

    int id = db.ServProfGetID(name);
    if (id >= 0) {
        loaded.port = db.GetServProfPortNum(id);
        loaded.passiveMode = db.GetServProfUsePassiveMode(id);
        loaded.transferType = db.GetServProfTrandelType(id);
        loaded.initialDirMode = db.GetServProfInitDirMode(id);
        loaded.lockDir = db.GetServProfLockDir(id);
        loaded.encryption = db.GetServProfEncryption(id);
        loaded.nameEncoding = db.GetServProfNameEncoding(id);
        loaded.listCommand = db.GetServProfListCommand(id);
        loaded.verifyTransfers = db.GetServProfVerifyTransfers(id);
        loaded.initialRemoteDir = tsy::take(db.GetServProfInitRemoteDir(id));
        loaded.mruLocalDir = tsy::take(db.GetServProfMRUDirLocal(id));
        loaded.mruRemoteDir = tsy::take(db.GetServProfMRUDirRemote(id));
    }
    record = std::move(loaded);
    return 1;
}

int saveProfile(tsy::SiteMgr50& db, const ServerProfile& record) {
    int result = db.SetServProf(record.name, record.host, record.user, record.password,
                                record.extraText, record.useFirewall, record.firewallHost,
                                record.firewallUser, record.firewallPassword);
    int id = result == 0 ? db.ServProfGetID(record.name) : -1;
    if (id >= 0) {
        db.SetServProfPortNum(id, record.port);
        db.SetServProfUsePassiveMode(id, record.passiveMode);
        db.SetServProfTrandelType(id, record.transferType);
        db.SetServProfInitDirMode(id, record.initialDirMode);
        db.SetServProfInitRemoteDir(id, record.initialRemoteDir);
        db.SetServProfLockDir(id, record.lockDir);
        db.SetServProfEncryption(id, record.encryption);
        db.SetServProfNameEncoding(id, record.nameEncoding);
        db.SetServProfListCommand(id, record.listCommand);
        db.SetServProfVerifyTransfers(id, record.verifyTransfers);
        db.SetServProfMRUDirLocal(id, record.mruLocalDir);
        db.SetServProfMRUDirRemote(id, record.mruRemoteDir);
    }
    return result == 0 ? 1 : 0;
}

std::string workingSuffixes(const std::string& stored, const std::string& defaultList) {
    const std::string& text = stored.empty() ? defaultList : stored;
    // Only the leading ':' goes: a list stored without it keeps its first extension whole.
    return !text.empty() && text.front() == ':' ? text.substr(1) : text;
}

void loadAsciiSuffixes(tsy::SiteMgr50& db, const std::string& name, ServerProfile& record,
                       const std::string& defaultList) {
    int id = db.ServProfGetID(name);
    if (id >= 0) {
        record.asciiSuffixes =
            workingSuffixes(tsy::take(db.GetServProfAsciiSuffix(id)), defaultList);
    } else if (record.asciiSuffixes.empty()) {
        record.asciiSuffixes = workingSuffixes("", defaultList);
    }
}

}  // namespace session
