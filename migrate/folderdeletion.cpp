#include "folderdeletion.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "pathhelpers.h"
#include "profilestore.h"
#include "registrystore.h"

namespace migration {
namespace {

// The path with links and "." / ".." resolved as far as it exists; empty when it cannot be.
std::string resolved(const std::string& path) {
    if (path.empty()) return {};
    std::error_code error;
    std::filesystem::path result = std::filesystem::weakly_canonical(path, error);
    if (error) return {};
    std::string text = result.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// Whether inner is outer or lies below it; both resolved.
bool within(const std::string& outer, const std::string& inner) {
    if (outer == "/") return true;
    return inner == outer ||
           (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
            inner[outer.size()] == '/');
}

std::vector<std::string> homeFolders() {
    std::vector<std::string> homes;
    if (const char* home = std::getenv("HOME"); home && *home) homes.emplace_back(home);
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        homes.emplace_back(entry->pw_dir);
    return homes;
}

}  // namespace

std::vector<std::string> currentVersionFolders() {
    std::vector<std::string> folders{tsy::RegistryStore::configFolder(),
                                     tsy::RegistryStore::dataFolder(),
                                     tsy::CTscCommon::getProductFolder(tsy::CTscCommon::Programs)};
    const tsy::CRegistryBase site(tsy::CTscCommon::getHKCUTsypageSite(), tsy::HKEY_CURRENT_USER, 0);
    folders.push_back(site.GetValueString(session::kSiteDbValue, "", 0));
    std::erase_if(folders, [](const std::string& folder) { return folder.empty(); });
    return folders;
}

Refusal deletionRefusal(const std::string& folder, const std::vector<std::string>& guarded) {
    if (!tsy::have_drive(folder)) return Refusal::NotAbsolute;
    char buffer[PATH_MAX];
    if (!::realpath(folder.c_str(), buffer)) return Refusal::Missing;
    const std::string real = buffer;
    if (real == "/" || tsy::is_drive_root(real)) return Refusal::FileSystemRoot;
    for (const std::string& home : homeFolders()) {
        const std::string resolvedHome = resolved(home);
        if (!resolvedHome.empty() && within(real, resolvedHome)) return Refusal::Home;
    }
    for (const std::string& keep : guarded) {
        if (!tsy::have_drive(keep)) continue;
        const std::string resolvedKeep = resolved(keep);
        if (!resolvedKeep.empty() && within(real, resolvedKeep)) return Refusal::HoldsCurrentData;
    }
    return Refusal::None;
}

}  // namespace migration
