#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fileentry.h"

namespace ftp {

// Remote names stay the exact bytes the server sent; they are converted only where a
// person sees or types one, or where one becomes a local file name.

enum class NameEncoding { Automatic, Utf8, Gb18030 };

// The encoding to read and write names in. Automatic: UTF-8 when the server offers it
// (FEAT lists UTF8) or every listed name is valid UTF-8, else GB18030 (which reads GBK).
NameEncoding effectiveEncoding(NameEncoding chosen, bool serverOffersUtf8, bool namesAreValidUtf8);

bool isValidUtf8(std::string_view bytes);
// Whether the names of a listing's entries (kind other than NotAnEntry) are all UTF-8.
bool allNamesValidUtf8(const std::vector<FileEntry>& entries);

// A name from a listing that may be sent back as an argument: not empty, ".", "..",
// and without "/", NUL, CR or LF.
bool isSafeListingName(std::string_view name);

// Server bytes as UTF-8 text for display. A byte sequence that does not read becomes
// U+FFFD and the rest of the name is still read. Automatic reads as UTF-8.
std::string nameForDisplay(std::string_view serverBytes, NameEncoding encoding);

// UTF-8 text (typed, or a local file name) as the bytes to send. False when the text is
// not valid UTF-8 and the encoding is GB18030; with UTF-8 the bytes go as they are.
bool nameForServer(std::string_view text, NameEncoding encoding, std::string& serverBytes);

// A local file name for server bytes: valid UTF-8, without "/", NUL, CR or LF (each
// becomes "_"), never empty, "." or ".." (these get a leading "_"). changed is true when
// the name is not the faithful reading of the bytes, so the caller can report it.
struct LocalName {
    std::string name;
    bool changed = false;
};
LocalName localFileName(std::string_view serverBytes, NameEncoding encoding);

}  // namespace ftp
