#include "benchfiles.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace bench {

bool isolateNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (fd >= 0) ::close(fd);
    return up;
}

void writePattern(const std::string& path, std::int64_t bytes, std::uint64_t seed) {
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(path, std::ios::binary);
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ULL + 1;
    for (std::int64_t left = bytes; left > 0;) {
        for (auto& word : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            word = x;
        }
        const auto n = std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size() * 8));
        out.write(reinterpret_cast<const char*>(block.data()), n);
        left -= n;
    }
}

std::vector<std::string> makeTree(const std::string& root) {
    std::vector<std::string> files;
    const std::string bytes(4096, 'x');
    for (int d = 0; d < 50; ++d) {
        char dir[16];
        std::snprintf(dir, sizeof dir, "d%02d", d);
        fs::create_directories(root + "/" + dir);
        for (int f = 0; f < 20; ++f) {
            char name[32];
            std::snprintf(name, sizeof name, "%s/f%03d.html", dir, f);
            std::ofstream(root + "/" + name, std::ios::binary) << bytes;
            files.push_back(name);
        }
    }
    return files;
}

std::size_t countTreeFiles(const std::string& root) {
    std::error_code ec;
    std::size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(root, ec))
        if (e.is_regular_file() && e.file_size() == 4096) ++n;
    return n;
}

}  // namespace bench
