#include "treeremoval.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

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

bool removeTree(const std::string& folder) {
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

}  // namespace platform
