#include "pathhelpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "fileio.h"

namespace tsy {
namespace {

// Mount points in /proc/self/mountinfo write blank, tab, newline and "\" as \ooo.
std::string unescapeMountPath(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string::npos) {
                out.push_back(static_cast<char>(std::strtol(digits.c_str(), nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

bool isMountPoint(const std::string& resolved) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (!(fields >> id >> parent >> device >> root >> mountPoint)) continue;
        if (unescapeMountPath(mountPoint) == resolved) return true;
    }
    return false;
}

bool copyBytes(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(to, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += w;
        }
    }
}

}  // namespace

bool hasEndYenMark(const std::string& path) {
    return !path.empty() && path.back() == '/';
}

void addLastYenMark(std::string& path) {
    path.push_back('/');
}

bool is_file(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_directory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool have_drive(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

bool is_drive_root(const std::string& path) {
    if (!have_drive(path)) return false;
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return false;
    std::string real = resolved;
    if (real == "/") return true;
    if (isMountPoint(real)) return true;
    // A mount that mountinfo does not show still changes the device.
    struct stat self {
    }, parent{};
    return ::stat(real.c_str(), &self) == 0 && ::stat(parentFolder(real).c_str(), &parent) == 0 &&
           self.st_dev != parent.st_dev;
}

int TsyCopyFile(const std::string& source, const std::string& destination, int failIfExists) {
    if (source.empty() || destination.empty()) return 0;
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return 0;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return 0;
    }
    struct stat existing {};
    if (failIfExists && ::lstat(destination.c_str(), &existing) == 0) {
        ::close(in);
        return 0;
    }
    bool ok = writeFileAtomically(
        destination, [&](int out) { return copyBytes(in, out); }, st.st_mode & 0777,
        failIfExists != 0);
    ::close(in);
    return ok ? 1 : 0;
}

}  // namespace tsy
