#pragma once

#include <string>

namespace tsy {

// Path and file helpers of the suite, with their Linux meaning: the separator is "/";
// a path "has a drive" when it is absolute (it starts at the root "/"), and a drive root
// is "/" itself or a mount point.

bool hasEndYenMark(const std::string& path);  // ends with "/"
void addLastYenMark(std::string& path);       // appends "/"

bool is_file(const std::string& path);       // an existing regular file (links followed)
bool is_directory(const std::string& path);  // an existing directory (links followed)

bool have_drive(const std::string& path);
// "/" or a mount point (trailing "/" ignored, links resolved); never offered for deletion.
bool is_drive_root(const std::string& path);

// Copies one regular file. failIfExists 0 replaces an existing destination, 1 keeps it
// and fails. The copy appears whole or not at all (written beside the destination, then
// renamed) and takes the source's permission bits. Non-zero on success.
int TsyCopyFile(const std::string& source, const std::string& destination, int failIfExists);

}  // namespace tsy
