#include "localpaths.h"

namespace transfer {

std::string parentPath(const std::string& path) {
    std::string trimmed = path;
    if (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos) return std::string();
    return trimmed.substr(0, slash + 1);
}

std::string ensureTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '/') return path;
    return path + "/";
}

std::string childPath(const std::string& directory, const std::string& name) {
    return ensureTrailingBackslash(directory) + name;
}

bool isSafeLocalName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace transfer
