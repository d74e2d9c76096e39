#include "mounts.h"

#include <fstream>
#include <sstream>

namespace platform {
namespace {

// The mounts table writes blanks, tabs, newlines and backslashes as octal escapes.
std::string unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.push_back(field[i]);
    }
    return out;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// File systems that hold no user files of their own.
bool isPseudo(const std::string& fsType, const std::string& path) {
    static const char* const kPseudo[] = {
        "proc",        "sysfs",      "devtmpfs",  "devpts",  "tmpfs",    "cgroup",
        "cgroup2",     "securityfs", "pstore",    "debugfs", "tracefs",  "configfs",
        "fusectl",     "mqueue",     "hugetlbfs", "bpf",     "autofs",   "binfmt_misc",
        "rpc_pipefs",  "nsfs",       "efivarfs",  "ramfs",   "squashfs", "fuse.gvfsd-fuse",
        "fuse.portal", "selinuxfs",  "overlay",   "shm",     "none"};
    for (const char* pseudo : kPseudo)
        if (fsType == pseudo) return path != "/";
    return startsWith(path, "/proc/") || startsWith(path, "/sys/") || startsWith(path, "/dev/") ||
           (startsWith(path, "/run/") && !startsWith(path, "/run/media/")) ||
           startsWith(path, "/snap/") || startsWith(path, "/boot/efi");
}

}  // namespace

DriveType guessDriveType(const std::string& path, const std::string& device,
                         const std::string& fsType) {
    if (fsType == "iso9660" || fsType == "udf") return DriveType::Optical;
    if (fsType == "nfs" || fsType == "nfs4" || fsType == "cifs" || fsType == "smb3" ||
        fsType == "smbfs" || fsType == "9p" || fsType == "fuse.sshfs" || fsType == "davfs" ||
        startsWith(device, "//"))
        return DriveType::Network;
    if (startsWith(path, "/media/") || startsWith(path, "/run/media/") || fsType == "vfat" ||
        fsType == "exfat")
        return DriveType::Removable;
    return DriveType::Fixed;
}

std::vector<MountPoint> listMountPoints(const std::string& mountsFile) {
    std::vector<MountPoint> mounts;
    std::ifstream in(mountsFile);
    std::string line;
    bool haveRoot = false;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, path, fsType;
        if (!(fields >> device >> path >> fsType)) continue;
        device = unescape(device);
        path = unescape(path);
        if (path.empty() || path[0] != '/' || isPseudo(fsType, path + "/")) continue;
        if (path.back() != '/') path += '/';
        bool seen = false;
        for (const auto& m : mounts)
            seen = seen || m.path == path;
        if (seen) continue;
        MountPoint mount{path, device, fsType, guessDriveType(path, device, fsType)};
        if (path == "/") {
            haveRoot = true;
            mounts.insert(mounts.begin(), mount);
        } else {
            mounts.push_back(mount);
        }
    }
    if (!haveRoot) mounts.insert(mounts.begin(), MountPoint{"/", "", "", DriveType::Fixed});
    return mounts;
}

int mountIndexOf(const std::string& path, const std::vector<MountPoint>& mounts) {
    if (path.empty() || path[0] != '/') return -1;
    const std::string withSlash = path.back() == '/' ? path : path + "/";
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        const std::string& m = mounts[i].path;
        if (withSlash.compare(0, m.size(), m) == 0 && m.size() >= bestLength) {
            best = static_cast<int>(i);
            bestLength = m.size();
        }
    }
    return best;
}

}  // namespace platform
