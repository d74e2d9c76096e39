#include <cstdio>

#include "listingparsers.h"

namespace ftp::listing {
namespace {

// At most `width` characters of an optionally signed number, as "%02d" reads them.
bool readNumber(std::string_view text, std::size_t& pos, std::size_t width, int& value) {
    const std::size_t limit = pos + width < text.size() ? pos + width : text.size();
    std::size_t end = pos;
    bool negative = false;
    if (end < limit && (text[end] == '+' || text[end] == '-')) negative = text[end++] == '-';
    const std::size_t digits = end;
    int number = 0;
    for (; end < limit && isDigit(text[end]); ++end)
        number = number * 10 + (text[end] - '0');
    if (end == digits) return false;
    value = negative ? -number : number;
    pos = end;
    return true;
}

bool expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

int completeYear(int twoDigits) {
    return twoDigits < 90 ? 2000 + twoDigits : 1900 + twoDigits;
}

}  // namespace

DosDate readDosDate(std::string_view text) {
    DosDate date;
    int twoDigitYear = 0;
    std::size_t pos = 0;
    if (readNumber(text, pos, 2, date.month) && expect(text, pos, '-') &&
        readNumber(text, pos, 2, date.day) && expect(text, pos, '-')) {
        // A server set to four-digit years gives the year whole; reading two digits of it
        // would turn 1999 into 2019.
        std::size_t end = pos;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        if (end - pos == 4) {
            date.year = static_cast<int>(leadingNumber(text.substr(pos, 4)));
            return date;
        }
        readNumber(text, pos, 2, twoDigitYear);
    }
    date.year = completeYear(twoDigitYear);
    return date;
}

bool parseMsDosLine(FileEntry& entry) {
    const Words words(entry.line, 0);
    const std::string_view date = words[0];
    const std::string_view time = words[1];
    const std::string_view sizeOrDirectory = words[2];
    if (date.size() == 10 && (date[0] == 'd' || date[0] == '-' || date[0] == 'l')) return false;
    // Every date of this style starts with a digit; anything else is a header or noise,
    // not a file.
    if (date.empty() || !isDigit(date[0])) return true;

    if (sizeOrDirectory.starts_with("<DIR>")) {
        entry.kind = isDotName(words[3]) ? FileEntry::NotAnEntry : FileEntry::Directory;
    } else {
        entry.size = sizeFromText(sizeOrDirectory);
        entry.kind = FileEntry::File;
    }
    entry.name = words.restFrom(3);
    entry.dayText = time;

    const DosDate day = readDosDate(date);
    int hour = 0;
    int minute = 0;
    std::size_t pos = 0;
    // A suffix such as AM or PM is dropped; the hour stays as the server wrote it.
    if (readNumber(time, pos, 2, hour) && expect(time, pos, ':')) readNumber(time, pos, 2, minute);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %2d:%02d", day.year, day.month, day.day,
                  hour, minute);
    entry.dateText = buffer;
    return true;
}

}  // namespace ftp::listing
