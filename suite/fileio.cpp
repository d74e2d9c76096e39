#include "fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tsy {
namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string parentFolder(const std::string& path) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    std::size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool ensurePrivateFolder(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // An existing folder keeps its mode: it may be one the user chose (the
        // configuration variable) and shares; our files in it are owner-only anyway.
        return S_ISDIR(st.st_mode);
    }
    if (errno != ENOENT) return false;
    std::string parent = parentFolder(path);
    if (parent != path && parent != "." && parent != "/") {
        struct stat pst {};
        if (::stat(parent.c_str(), &pst) != 0 && !ensurePrivateFolder(parent)) return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                         bool noReplace) {
    return writeFileAtomically(
        path, [bytes](int fd) { return writeAll(fd, bytes); }, mode, noReplace);
}

bool writeFileAtomically(const std::string& path, const std::function<bool(int)>& fill, mode_t mode,
                         bool noReplace) {
    std::string pattern = path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);  // created 0600
    if (fd < 0) return false;
    std::string temp(name.data());
    bool ok = ::fchmod(fd, mode) == 0 && fill(fd) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        if (noReplace) {
            // link() refuses an existing target, so a file that appeared meanwhile is
            // never replaced.
            ok = ::link(temp.c_str(), path.c_str()) == 0;
            ::unlink(temp.c_str());
        } else {
            ok = ::rename(temp.c_str(), path.c_str()) == 0;
        }
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(parentFolder(path));
    return true;
}

bool readWholeFile(const std::string& path, std::string& bytes, bool* missing) {
    bytes.clear();
    if (missing) *missing = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (missing) *missing = errno == ENOENT;
        return false;
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace tsy
