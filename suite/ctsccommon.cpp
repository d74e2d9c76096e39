#include "ctsccommon.h"

#include <unistd.h>

#include <vector>

#include "fileio.h"
#include "registrystore.h"

namespace tsy {
namespace {

// The earlier edition kept "Software\Korvex\TSY4W\Lumora"; this one sits beside it.
constexpr const char* kBase = "Software\\Korvex\\Tessaly\\5.0";

std::string executableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            std::size_t slash = path.rfind('/');
            if (slash == std::string::npos) return {};
            return path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string CTscCommon::getSetRegistryKey() {
    return "Korvex\\Tessaly\\5.0";
}

std::string CTscCommon::getProductFolder(int type, int) {
    switch (type) {
        case ProductTop:
        case UserDictionary:
        case SuiteHome: {
            std::string folder = RegistryStore::dataFolder();
            if (folder.empty() || !ensurePrivateFolder(folder)) return {};
            return folder == "/" ? folder : folder + '/';
        }
        case Programs:
            return executableFolder();
        default:
            return {};
    }
}

std::string CTscCommon::getHKCUTsypageBase() {
    return kBase;
}
std::string CTscCommon::getHKCUTsypageSettings() {
    return getHKCUTsypageBase() + "\\Settings";
}
std::string CTscCommon::getHKCUTsypageSite() {
    return getHKCUTsypageSettings() + "\\Site";
}
std::string CTscCommon::getHKCUTsypageOptions() {
    return getHKCUTsypageSettings() + "\\Options";
}
std::string CTscCommon::getHKCUTsypageContentsMgr() {
    return getHKCUTsypageSettings() + "\\Contents Mgr";
}

}  // namespace tsy
