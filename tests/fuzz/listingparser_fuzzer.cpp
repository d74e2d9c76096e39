// Arbitrary bytes as a directory listing, read line by line in every server style with
// the name column handed on as the data connection does. Besides the sanitizers, an
// entry must always be usable: a name that is a part of its line, never empty, "." or
// "..", and a size that is not negative.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fileentry.h"
#include "servertype.h"

namespace {

void require(bool holds) {
    if (!holds) __builtin_trap();
}

void readListing(std::string_view input, int style) {
    int column = 0;
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        ftp::FileEntry entry(std::string(input.substr(start, end - start)), style);
        entry.currentYear = 2024;
        entry.currentMonth = 6;
        bool learned = false;
        const int kind = entry.parse(column, learned);
        if (learned) column = entry.nameColumn;

        require(kind == entry.kind);
        if (kind != ftp::FileEntry::NotAnEntry) {
            require(kind == ftp::FileEntry::File || kind == ftp::FileEntry::Directory ||
                    kind == ftp::FileEntry::Link);
            require(!entry.name.empty() && entry.name != "." && entry.name != "..");
            require(entry.line.find(entry.name) != std::string::npos);
            require(entry.size >= 0);
        }
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (int style = ftp::ServerType::Unidentified; style <= ftp::ServerType::Macintosh; ++style)
        readListing(input, style);
    ftp::isMonthToken(input);
    return 0;
}
