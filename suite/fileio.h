#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace tsy {

// Creates the folder and its missing parents, owner-only (0700). A folder that exists is
// left as it is.
bool ensurePrivateFolder(const std::string& path);

// Replaces the file at path by bytes so that a crash leaves either the old or the new
// file: a temporary file in the same folder is written, flushed to disk and renamed
// over the target, then the folder is flushed. With noReplace an existing target is
// kept and false is returned.
bool writeFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                         bool noReplace = false);
// The same, with fill() writing the contents to the open temporary file.
bool writeFileAtomically(const std::string& path, const std::function<bool(int fd)>& fill,
                         mode_t mode, bool noReplace = false);

// Reads a whole file. False when it cannot be opened or read; missing tells apart a
// file that is not there.
bool readWholeFile(const std::string& path, std::string& bytes, bool* missing = nullptr);

// Flushes a folder's entries (after a rename or a new file in it).
bool syncFolder(const std::string& folder);

std::string parentFolder(const std::string& path);

}  // namespace tsy
