#include "fileentry.h"

#include "listingparsers.h"
#include "servertype.h"

namespace ftp {

int FileEntry::parse(int listingColumn, bool& columnLearned) {
    columnLearned = false;
    name.clear();
    attributes.clear();
    dateText.clear();
    dayText.clear();
    timeText.clear();
    size = 0;
    kind = NotAnEntry;
    nameColumn = 0;

    switch (style) {
        case ServerType::Unix:
        case ServerType::WindowsNt4:
            if (!listing::parseUnixLine(*this, listingColumn, columnLearned) &&
                style == ServerType::WindowsNt4) {
                style = ServerType::WindowsNt;
                listing::parseMsDosLine(*this);
            }
            break;
        case ServerType::WindowsNt:
            if (!listing::parseMsDosLine(*this)) {
                style = ServerType::Unix;
                listing::parseUnixLine(*this, listingColumn, columnLearned);
            }
            break;
        case ServerType::Os2:
            listing::parseOs2Line(*this);
            break;
        case ServerType::Macintosh:
            listing::parseMacintoshLine(*this);
            break;
        default:
            break;
    }
    // Callers recurse into directories and write files under these names: an empty name,
    // "." or ".." is never an entry, whatever the style.
    if (name.empty() || listing::isDotName(name)) kind = NotAnEntry;
    return kind;
}

int isMonthToken(std::string_view token) {
    if (token.empty()) return 0;
    std::string upper(token);
    for (char& c : upper)
        c = listing::upperAscii(c);
    if (listing::kMonthTable.find(upper) != std::string_view::npos) return 1;
    if (token.size() < 3) return 0;
    // The month character of Japanese listings: 0x8C 0x8E in Shift-JIS, 0xB7 0xEE in EUC-JP.
    for (std::size_t i = 0; i < token.size(); ++i) {
        const auto byte = static_cast<unsigned char>(token[i]);
        if (byte != 0x8C && byte != 0xB7) continue;
        if (i + 1 == token.size()) return 0;
        const auto next = static_cast<unsigned char>(token[i + 1]);
        return (byte == 0x8C && next == 0x8E) || (byte == 0xB7 && next == 0xEE) ? 1 : 0;
    }
    return 0;
}

int findMonthToken(const std::vector<std::string>& tokens) {
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (isMonthToken(tokens[i])) return static_cast<int>(i);
    return -1;
}

}  // namespace ftp
