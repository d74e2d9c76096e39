#pragma once

#include <string>

namespace transfer {

// The path cut after the "/" that precedes its last component; one trailing "/" is
// ignored. "/a/b/" gives "/a/", "/a" gives "/".
std::string parentPath(const std::string& path);

// Appends "/" unless the path already ends with one.
std::string ensureTrailingBackslash(const std::string& path);

// A name inside a folder, joined with one "/": "/" and "a" give "/a", "" and "a" give "/a".
std::string childPath(const std::string& directory, const std::string& name);

// Whether a name that came from a server may name a file or folder inside a local
// folder: never empty, ".", "..", and never with "/" or NUL in it.
bool isSafeLocalName(const std::string& name);

}  // namespace transfer
