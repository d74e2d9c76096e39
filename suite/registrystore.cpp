#include "registrystore.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

#include "fileio.h"

namespace tsy {
namespace {

constexpr const char* kFolderName = "tessaly";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string homeFolder() {
    std::string home = variable("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return {};
}

// The variable's folder, made absolute once per distinct value: the programs change
// their current directory as the user browses.
std::string overrideFolder() {
    static std::mutex mutex;
    static std::string lastValue, lastFolder;
    std::string value = variable(RegistryStore::kConfigVariable);
    if (value.empty()) return {};
    std::lock_guard lock(mutex);
    if (value != lastValue) {
        std::string folder = value;
        if (folder.front() != '/') {
            char cwd[4096];
            if (!::getcwd(cwd, sizeof cwd)) return {};
            folder = std::string(cwd) + '/' + folder;
        }
        lastValue = value;
        lastFolder = withoutTrailingSlashes(folder);
    }
    return lastFolder;
}

std::string xdgFolder(const char* variableName, const char* fallbackBelowHome) {
    std::string base = variable(variableName);
    if (base.empty() || base.front() != '/') {
        std::string home = homeFolder();
        if (home.empty()) return {};
        base = withoutTrailingSlashes(home) + fallbackBelowHome;
    }
    return withoutTrailingSlashes(base) + '/' + kFolderName;
}

const char* fileName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "user.settings" : "machine.settings";
}

const char* heading(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser
               ? "Tessaly settings of the current user.\n"
                 "[key path], then \"name\" = \"text\" or \"name\" = number; %XX stands for "
                 "one byte."
               : "Tessaly settings of this machine.\n"
                 "[key path], then \"name\" = \"text\" or \"name\" = number; %XX stands for "
                 "one byte.";
}

// Temporary files seen while we hold the lock were left by a writer that died.
void removeStaleTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::string prefix = name + ".tmp-";
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(dir)) {
        std::string entryName = entry->d_name;
        if (entryName.compare(0, prefix.size(), prefix) == 0) stale.push_back(entryName);
    }
    ::closedir(dir);
    for (const std::string& s : stale)
        ::unlink((folder + '/' + s).c_str());
}

// Keeps the bytes of a file we could not read in full under a name of its own.
bool preserveDamaged(const std::string& path) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int n = 0; n < 100; ++n) {
        std::string target = path + ".damaged-" + stamp + (n ? "-" + std::to_string(n) : "");
        if (::link(path.c_str(), target.c_str()) == 0) {
            std::fprintf(stderr,
                         "tessaly: some lines of %s could not be read; the file was kept as "
                         "%s\n",
                         path.c_str(), target.c_str());
            return true;
        }
        if (errno != EEXIST) break;
    }
    std::fprintf(stderr,
                 "tessaly: some lines of %s could not be read and it could not be kept aside; "
                 "it is left unchanged\n",
                 path.c_str());
    return false;
}

class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace

std::string RegistryStore::configFolder() {
    std::string folder = overrideFolder();
    if (!folder.empty()) return folder;
    return xdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string RegistryStore::dataFolder() {
    std::string folder = overrideFolder();
    if (!folder.empty()) return folder;
    return xdgFolder("XDG_DATA_HOME", "/.local/share");
}

std::string RegistryStore::stateFolder() {
    std::string folder = overrideFolder();
    if (!folder.empty()) return folder;
    return xdgFolder("XDG_STATE_HOME", "/.local/state");
}

std::string RegistryStore::filePath(RegistryRoot root) {
    std::string folder = configFolder();
    if (folder.empty()) return {};
    return (folder == "/" ? "" : folder) + '/' + fileName(root);
}

bool RegistryStore::load(RegistryRoot root, RegistryData& data) {
    data = RegistryData();
    std::string path = filePath(root);
    if (path.empty()) return false;
    std::string bytes;
    bool missing = false;
    if (!readWholeFile(path, bytes, &missing)) return missing;
    data = RegistryData::parse(bytes);
    return true;
}

bool RegistryStore::update(RegistryRoot root, const std::function<bool(RegistryData&)>& change) {
    std::string folder = configFolder();
    if (folder.empty() || !ensurePrivateFolder(folder)) return false;
    std::string name = fileName(root);
    std::string path = filePath(root);
    FileLock lock(folder + "/." + name + ".lock");
    if (!lock.held()) return false;
    removeStaleTemporaries(folder, name);

    std::string bytes;
    bool missing = false;
    if (!readWholeFile(path, bytes, &missing) && !missing) return false;
    RegistryData data = RegistryData::parse(bytes);
    if (!change(data)) return true;
    if (!data.badLines().empty() && !preserveDamaged(path)) return false;
    return writeFileAtomically(path, data.serialize(heading(root)), 0600);
}

}  // namespace tsy
