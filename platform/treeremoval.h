#pragma once

#include <string>

namespace platform {

// Deletes the folder and everything below it, for good. Symbolic links are removed, never
// followed, so nothing outside the folder is touched; a folder that is itself a link loses
// only the link. A file system mounted below the folder is left alone and makes the
// result false, as does anything that could not be removed (the rest is still removed).
bool removeTree(const std::string& folder);

}  // namespace platform
