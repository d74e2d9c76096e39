#include "listingparsers.h"

namespace ftp::listing {

void parseMacintoshLine(FileEntry& entry) {
    const std::string_view line = entry.line;
    if (line.empty() || !isPermissionLetter(line[0])) return;
    // Fixed columns: a file line has one word more than a folder line.
    const bool directory = upperAscii(line[0]) == 'D';
    entry.nameColumn = directory ? 5 : 6;

    std::size_t stop = 0;
    while (stop < line.size() && (isPermissionLetter(line[stop]) || isBlank(line[stop])))
        ++stop;
    std::size_t attributesEnd = 0;
    while (attributesEnd < stop && !isBlank(line[attributesEnd]))
        ++attributesEnd;
    entry.attributes = line.substr(0, attributesEnd);

    takeColumns(entry, Words(line, stop), entry.nameColumn);
    entry.kind = directory ? FileEntry::Directory : FileEntry::File;
}

}  // namespace ftp::listing
