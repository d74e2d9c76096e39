#pragma once

#include <string>

#include "ftpcodes.h"

namespace transfer {

// How files travel: the mode radios of the main window, saved as "mode".
using ftp::TransferMode;

inline constexpr const char* kDefaultTextExtensions = "HTM:HTML:SHTM:SHTML:JAVA:TXT:JS:CSS:CGI:PL:";

// The automatic rule: text when ":" + the upper-cased extension + ":" occurs in ":" + the
// profile's list (the default list when it is empty), binary otherwise and for names
// without a ".". The list itself is taken as it stands. Returns true for binary.
bool isBinaryByExtension(const std::string& name, const std::string& textExtensions);

// The mode of one file: automatic by extension, or the fixed mode. A stored mode outside
// the three sends every file as binary. Returns true for binary.
bool chooseBinary(TransferMode mode, const std::string& name, const std::string& textExtensions);

}  // namespace transfer
