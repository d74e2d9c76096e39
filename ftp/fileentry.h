#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ftp {

// One line of a remote directory listing and what the parser read from it.
struct FileEntry {
    enum Kind : int { NotAnEntry = 0, File = 1, Directory = 2, Link = 4 };

    FileEntry(std::string listingLine, int serverStyle)
        : line(std::move(listingLine)), style(serverStyle) {}

    // Parses `line` with the parser that `style` selects. listingColumn is the name
    // column the listing learned so far (0 when unknown); when columnLearned comes back
    // true, the caller takes this entry's nameColumn as the listing's column.
    // Returns kind.
    int parse(int listingColumn, bool& columnLearned);

    std::string line;        // as received, exact bytes
    std::string name;        // exact bytes of the name, whatever their encoding
    std::string attributes;  // UNIX and Macintosh: the permission word
    std::string dateText;    // normalised date
    std::string dayText;
    std::string timeText;
    std::int64_t size = 0;
    int kind = NotAnEntry;
    int style = 0;
    int nameColumn = 0;

    // The local date that month-and-day dates are read against; 0 takes the clock's at
    // parse time. Set by tests for a fixed "today".
    int currentYear = 0;
    int currentMonth = 0;  // 1 to 12
};

// 1 when the token names a month (English abbreviation anywhere in the month table,
// or the Japanese month character in Shift-JIS or EUC-JP), else 0.
int isMonthToken(std::string_view token);

// Index of the first month token, or -1.
int findMonthToken(const std::vector<std::string>& tokens);

}  // namespace ftp
