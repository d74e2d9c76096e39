#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "fileentry.h"

namespace ftp {

// Machine listings: "fact=value;fact=value; name", facts in any order and case.
// Both parsers read entry.line and fill the entry as FileEntry::parse does: kind File,
// Directory or Link; size from "size"; dateText "YYYY/MM/DD hh:mm" in local time from
// "modify" (UTC); attributes "drwxr-xr-x" from "UNIX.mode" (octal or as such text).
// Unknown facts are ignored. They return kind; NotAnEntry for the "cdir" and "pdir"
// entries, for types that are neither file, folder nor link, and for lines that do not
// read (no blank before the name, a fact without "=", a size that is not a number).
// A line without a "type" fact is taken for a file: shown, rather than hidden.

// A line of an MLSD listing. The name must be a plain name in the folder: a name that
// isSafeListingName refuses ("/", NUL, CR, LF, "." or "..") makes no entry.
int parseMlsdLine(FileEntry& entry);

// The entry line of an MLST reply (" facts pathname", one leading blank): the name is
// the path as the server gives it, so "/" is allowed; NUL, CR and LF are not.
int parseMlstLine(FileEntry& entry);

// "YYYYMMDDHHMMSS" with an optional ".sss", a UTC time as MLSD and MDTM give it.
bool parseFtpTimestamp(std::string_view text, std::time_t& when);

// "YYYY/MM/DD hh:mm" in local time (the TZ of the environment), the layout of the local
// pane, so that the two panes compare like with like. Empty when it cannot be read.
std::string localDateText(std::time_t when);

}  // namespace ftp
