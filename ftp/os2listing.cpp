#include <cstdio>

#include "listingparsers.h"

namespace ftp::listing {
namespace {

struct Os2Fields {
    std::int64_t size = 0;
    std::string_view flag;
    std::string_view date;
    std::string_view time;
    std::string_view name;
    std::size_t nameOffset = std::string_view::npos;
};

// Reads size, [flag,] date, time and name; the fields after the first one missing stay
// empty.
Os2Fields scan(std::string_view line, bool withFlag) {
    Os2Fields fields;
    LineScanner scanner(line);
    std::size_t offset = 0;
    if (scanner.number(fields.size) && (!withFlag || scanner.word(fields.flag, offset)) &&
        scanner.word(fields.date, offset) && scanner.word(fields.time, offset) &&
        scanner.word(fields.name, offset))
        fields.nameOffset = offset;
    return fields;
}

bool isAttributeLetter(char c) {
    return std::string_view("AHRSahrs").find(c) != std::string_view::npos;
}

}  // namespace

void parseOs2Line(FileEntry& entry) {
    const std::string_view line = entry.line;
    Os2Fields fields = scan(line, true);
    if (fields.flag.starts_with("DIR") || fields.flag.starts_with("dir")) {
        entry.kind = isDotName(fields.name) ? FileEntry::NotAnEntry : FileEntry::Directory;
    } else if (!fields.flag.empty() && isAttributeLetter(fields.flag[0])) {
        entry.kind = FileEntry::File;
    } else {
        fields = scan(line, false);  // no flag column
        entry.kind = FileEntry::File;
    }
    entry.size = fields.size < 0 ? 0 : fields.size;
    entry.name = fields.nameOffset == std::string_view::npos ? std::string_view()
                                                             : line.substr(fields.nameOffset);
    entry.dayText = fields.time;

    const DosDate day = readDosDate(fields.date);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d ", day.year, day.month, day.day);
    entry.dateText = buffer;
    entry.dateText.append(fields.time);
}

}  // namespace ftp::listing
