#include "olddataremoval.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "cregistrybase.h"
#include "folderdeletion.h"
#include "legacykeys.h"
#include "pathhelpers.h"
#include "profilestore.h"
#include "registrydata.h"
#include "treeremoval.h"

namespace migration {
namespace {

constexpr const char* kSiteFolderSuffix = "/Site/";

struct Variant {
    const char* siteKey;
    const char* machineKey;
};
constexpr Variant kVariants[] = {{kOldSiteKey, kOldMachineKey},
                                 {kOldSiteKeyVariant2, kOldMachineKeyVariant2}};

bool sameFolder(const std::string& a, const std::string& b) {
    if (tsy::equalNoCase(a, b)) return true;
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

std::string dataFolderOfSiteDb(const std::string& siteDb) {
    const std::size_t suffix = std::char_traits<char>::length(kSiteFolderSuffix);
    if (siteDb.size() <= suffix ||
        !tsy::equalNoCase(std::string_view(siteDb).substr(siteDb.size() - suffix),
                          kSiteFolderSuffix))
        return {};
    std::string folder = siteDb.substr(0, siteDb.size() - suffix);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

OldFolders collectOldFolders(const std::vector<std::string>& guarded) {
    OldFolders folders;
    for (const Variant& variant : kVariants) {
        const tsy::CRegistryBase site(variant.siteKey, tsy::HKEY_CURRENT_USER, 0);
        const std::string siteDb = site.GetValueString(session::kSiteDbValue, "", 0);
        if (siteDb.empty()) continue;
        const tsy::CRegistryBase machine(variant.machineKey, tsy::HKEY_LOCAL_MACHINE, 0);
        const bool installed = !machine.GetValueString(kInstallFolderValue, "", 0).empty();
        const std::string candidate = dataFolderOfSiteDb(siteDb);
        if (candidate.empty()) continue;
        if (installed) {
            folders.keptFolders.push_back(candidate);
        } else if (tsy::is_directory(candidate) &&
                   deletionRefusal(candidate, guarded) == Refusal::None) {
            folders.deletableFolders.push_back(candidate);
        }
    }
    return folders;
}

void cleanDeletableFolders(OldFolders& folders) {
    std::vector<std::string> cleaned;
    for (const std::string& folder : folders.deletableFolders) {
        auto same = [&](const std::string& other) { return sameFolder(folder, other); };
        if (folder.empty() || std::any_of(cleaned.begin(), cleaned.end(), same) ||
            std::any_of(folders.keptFolders.begin(), folders.keptFolders.end(), same))
            continue;
        cleaned.push_back(folder);
    }
    folders.deletableFolders = std::move(cleaned);
}

std::vector<std::string> findDeletableFolders() {
    OldFolders folders = collectOldFolders(currentVersionFolders());
    cleanDeletableFolders(folders);
    return folders.deletableFolders;
}

bool deleteOldFolders(const std::vector<std::string>& folders) {
    const std::vector<std::string> guarded = currentVersionFolders();
    bool ok = true;
    for (const std::string& folder : folders) {
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 && errno == ENOENT) continue;
        if (deletionRefusal(folder, guarded) != Refusal::None || !platform::removeTree(folder))
            ok = false;
    }
    return ok;
}

}  // namespace migration
