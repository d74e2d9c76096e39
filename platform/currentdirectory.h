#pragma once

#include <string>

namespace platform {

// The process's current directory, ending in "/"; empty when it cannot be read.
std::string currentDirectory();

}  // namespace platform
