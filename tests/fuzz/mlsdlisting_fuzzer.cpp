// Arbitrary bytes as machine listing lines, read as MLSD and as MLST lines, and every
// name that makes an entry shown and made into a local name in both encodings. Besides
// the sanitizers, an entry must always be usable: a name that ends its line and that
// the listing rule accepts, a size that is not negative, a date of the local pane's
// layout; a shown name is valid UTF-8 and a local name is safe.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fileentry.h"
#include "mlsdlisting.h"
#include "nameencoding.h"

namespace {

void require(bool holds) {
    if (!holds) __builtin_trap();
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

void checkNames(const std::string& name) {
    for (ftp::NameEncoding encoding : {ftp::NameEncoding::Utf8, ftp::NameEncoding::Gb18030}) {
        const std::string shown = ftp::nameForDisplay(name, encoding);
        require(ftp::isValidUtf8(shown));
        std::string back;
        require(ftp::nameForServer(shown, encoding, back));
        const ftp::LocalName local = ftp::localFileName(name, encoding);
        require(ftp::isValidUtf8(local.name));
        require(ftp::isSafeListingName(local.name));
    }
}

void checkEntry(const ftp::FileEntry& entry, int kind, bool plainName) {
    require(kind == entry.kind);
    if (kind == ftp::FileEntry::NotAnEntry) return;
    require(kind == ftp::FileEntry::File || kind == ftp::FileEntry::Directory ||
            kind == ftp::FileEntry::Link);
    require(!entry.name.empty() && endsWith(entry.line, entry.name));
    require(!plainName || ftp::isSafeListingName(entry.name));
    require(entry.size >= 0);
    require(entry.dateText.empty() || entry.dateText.size() == 16);
    require(entry.attributes.empty() || entry.attributes.size() == 10);
    checkNames(entry.name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string line(input.substr(start, end - start));
        ftp::FileEntry listed(line, 0);
        checkEntry(listed, ftp::parseMlsdLine(listed), true);
        ftp::FileEntry single(line, 0);
        checkEntry(single, ftp::parseMlstLine(single), false);
        start = end + 1;
    }
    checkNames(std::string(input));
    return 0;
}
