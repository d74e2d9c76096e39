#include "listingparsers.h"

namespace ftp::listing {
namespace {

bool startsUnixEntry(std::string_view line) {
    return !line.empty() && isPermissionLetter(line[0]);
}

// The permission word ends where the first number other than 0 begins, normally the
// link count. A link count of 0 lets the walk run on into the owner and group words;
// the month search then still finds the columns. Runs of zeros are skipped whole, so a
// long line costs linear time.
std::size_t firstNonZeroNumber(std::string_view line) {
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (isBlank(line[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        if (line[end] == '+' || line[end] == '-') ++end;
        const std::size_t digits = end;
        for (; end < line.size() && isDigit(line[end]); ++end)
            if (line[end] != '0') return pos;
        pos = end > digits ? end : pos + 1;
    }
    return line.size();
}

// "name -> target" keeps the name. An arrow with blanks around it is preferred, so that a
// name that itself holds "->" survives.
void cutLinkTarget(std::string& name) {
    std::size_t arrow = name.find(" -> ");
    if (arrow == std::string::npos) arrow = name.find("->");
    if (arrow == std::string::npos) return;
    name.erase(arrow);
    while (!name.empty() && isBlank(name.back()))
        name.pop_back();
}

bool isTwoDigits(std::string_view text) {
    return text.size() == 2 && isDigit(text[0]) && isDigit(text[1]);
}

// The date columns exactly as a long listing lays them out: month, the day right-aligned
// in two places, then five places holding "hh:mm" or a right-aligned year, each column
// followed by one blank. Only then is it certain where the name begins.
bool hasFixedDateLayout(std::string_view dateColumns) {
    if (dateColumns.size() < 13) return false;
    const std::string_view day = dateColumns.substr(4, 2);
    const std::string_view timeOrYear = dateColumns.substr(7, 5);
    const bool dayOk = isDigit(day[1]) && (day[0] == ' ' || isDigit(day[0]));
    const bool timeOk = isTwoDigits(timeOrYear.substr(0, 2)) && timeOrYear[2] == ':' &&
                        isTwoDigits(timeOrYear.substr(3));
    const bool yearOk = timeOrYear[0] == ' ' && isTwoDigits(timeOrYear.substr(1, 2)) &&
                        isTwoDigits(timeOrYear.substr(3));
    return dateColumns[3] == ' ' && dayOk && dateColumns[6] == ' ' && (timeOk || yearOk) &&
           dateColumns[12] == ' ';
}

// A name may begin with blanks (" inner.txt" lists as "10:30  inner.txt"). They are kept
// only where the date columns have the fixed layout above; servers that pad columns
// differently put extra blanks in front of every name, so there the name starts at its
// first non-blank as before.
void keepLeadingBlanks(FileEntry& entry, std::string_view line, const Words& words, int nameIndex) {
    if (nameIndex >= words.count() || words[nameIndex - 3].size() != 3) return;
    const std::size_t monthStart = words.offset(nameIndex - 3);
    const std::size_t nameWord = words.offset(nameIndex);
    const std::size_t nameStart = monthStart + 13;
    if (nameStart >= nameWord || !hasFixedDateLayout(line.substr(monthStart, 13))) return;
    entry.name.insert(0, line.substr(nameStart, nameWord - nameStart));
}

}  // namespace

bool parseUnixLine(FileEntry& entry, int listingColumn, bool& columnLearned) {
    const std::string_view line = entry.line;
    if (!startsUnixEntry(line)) return false;

    const std::size_t stop = firstNonZeroNumber(line);
    std::size_t attributesEnd = 0;
    while (attributesEnd < stop && !isBlank(line[attributesEnd]))
        ++attributesEnd;
    entry.attributes = line.substr(0, attributesEnd);

    Words words(line, stop);
    // A link count of 0 with owner and group free of other digits lets the walk run past
    // the month into the day: then the words start at the permission word's end.
    const Words afterAttributes(line, attributesEnd);
    const int month = afterAttributes.findMonth();
    if (month >= 1 && afterAttributes.offset(month) < stop) words = afterAttributes;
    const int last = words.count() - 1;

    // The "." and ".." lines teach the listing where names start. Only a dot word in the
    // name column counts, so that a file named "a . b" stays an entry.
    if (last >= 3 && isDotName(words[last]) && isMonthToken(words[last - 3])) {
        entry.nameColumn = last;
        if (last > 4) columnLearned = true;
        return true;
    }
    int column = listingColumn > 0 ? listingColumn : 0;
    if (column == 0 && last >= 0) {
        column = last;
        entry.nameColumn = last;
        columnLearned = true;
    }
    if (column == 0) return true;

    int nameIndex = column;
    if (column < 4 || column > last || !isMonthToken(words[column - 3])) {
        // The name has blanks or the line has other columns than the listing learned.
        const int month = words.findMonth();
        if (month < 1) return true;
        nameIndex = month + 3;
    }
    takeColumns(entry, words, nameIndex);
    keepLeadingBlanks(entry, line, words, nameIndex);

    switch (entry.attributes.empty() ? '\0' : upperAscii(entry.attributes[0])) {
        case 'D':
            entry.kind = FileEntry::Directory;
            break;
        case 'L':
            entry.kind = FileEntry::Link;
            cutLinkTarget(entry.name);
            break;
        default:
            entry.kind = FileEntry::File;
    }
    return true;
}

}  // namespace ftp::listing
