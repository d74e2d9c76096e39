#pragma once

#include <string>

namespace platform {

// Moves a file or directory (a link: the link itself) to the desktop's trash, the one of
// its file system. False when there is none that it can be moved to.
bool moveToTrash(const std::string& path);

}  // namespace platform
