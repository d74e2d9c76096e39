#include "currentdirectory.h"

#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string currentDirectory() {
    char* path = ::getcwd(nullptr, 0);
    if (!path) return {};
    std::string result = path;
    std::free(path);
    if (result.back() != '/') result += '/';
    return result;
}

}  // namespace platform
