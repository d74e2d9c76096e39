#include "folderdeletion.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
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

bool isDotOrDotDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Empties the open directory and removes its subfolders, without following links or
// leaving its file system. Iterative, so that a deep tree cannot exhaust the stack.
bool removeContents(int rootFd, dev_t device) {
    struct Level {
        DIR* dir;
        std::string name;  // its name in the level above
    };
    DIR* root = ::fdopendir(rootFd);
    if (!root) {
        ::close(rootFd);
        return false;
    }
    bool ok = true;
    std::vector<Level> levels{{root, {}}};
    while (!levels.empty()) {
        DIR* dir = levels.back().dir;
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) ok = false;
            const std::string name = levels.back().name;
            ::closedir(dir);
            levels.pop_back();
            if (!levels.empty() &&
                ::unlinkat(::dirfd(levels.back().dir), name.c_str(), AT_REMOVEDIR) != 0)
                ok = false;
            continue;
        }
        if (isDotOrDotDot(entry->d_name)) continue;
        const int parent = ::dirfd(dir);
        struct stat st {};
        if (::fstatat(parent, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) ok = false;
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            // Files, links, sockets, pipes: the entry itself goes, never what it points to.
            if (::unlinkat(parent, entry->d_name, 0) != 0 && errno != ENOENT) ok = false;
            continue;
        }
        if (st.st_dev != device) {
            ok = false;  // another file system is mounted here: not ours to empty
            continue;
        }
        const int fd =
            ::openat(parent, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR* sub = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!sub) {
            if (fd >= 0) ::close(fd);
            ok = false;
            continue;
        }
        levels.push_back({sub, entry->d_name});
    }
    return ok;
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

bool removeFolderTree(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || ::lstat(folder.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) return ::unlink(folder.c_str()) == 0;
    if (!S_ISDIR(st.st_mode)) return false;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
        ::close(fd);  // replaced between the look and the open
        return false;
    }
    const bool contentsGone = removeContents(fd, opened.st_dev);
    return ::rmdir(folder.c_str()) == 0 && contentsGone;
}

}  // namespace migration
