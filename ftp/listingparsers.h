#pragma once

// What the line parsers of a directory listing share. Internal to the engine.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fileentry.h"

namespace ftp::listing {

// A month's number is its position here divided by 3, plus 1.
inline constexpr std::string_view kMonthTable = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";

bool isBlank(char c);
bool isDigit(char c);
char upperAscii(char c);
bool isDotName(std::string_view name);  // "." or ".."
// A letter of a UNIX or Macintosh permission word ("-rwx", "dr-x", "l", "s").
bool isPermissionLetter(char c);

// The number a text begins with (optional sign, then digits), read as atoi would but
// saturating instead of overflowing; 0 when no digit follows.
std::int64_t leadingNumber(std::string_view text);

// A size as a listing gives it: never negative.
std::int64_t sizeFromText(std::string_view text);

// The blank-separated words of a line from a given position, each with its offset, so
// that a name can be taken from where its own word starts. A word asked for beyond the
// end reads as empty text.
class Words {
public:
    Words(std::string_view line, std::size_t from);

    int count() const { return static_cast<int>(spans_.size()); }
    std::string_view operator[](int index) const;
    // Where the word starts in the line; the line's size beyond the end.
    std::size_t offset(int index) const;
    // The rest of the line from the word's start.
    std::string_view restFrom(int index) const;
    int findMonth() const;

private:
    struct Span {
        std::size_t offset;
        std::size_t length;
    };
    std::string_view line_;
    std::vector<Span> spans_;
};

// Reads a line the way a scanf format of "%d" and "%s" items would, each item after
// the last one read counting as missing.
class LineScanner {
public:
    explicit LineScanner(std::string_view text) : text_(text) {}
    bool number(std::int64_t& value);
    bool word(std::string_view& value, std::size_t& offset);

private:
    void skipBlanks();
    std::string_view text_;
    std::size_t pos_ = 0;
};

// UNIX and Macintosh layout: size, month, day and time-or-year in the four words in front
// of the name word. Takes them, the name (whole, blanks included, when words follow it)
// and the normalised date into the entry.
void takeColumns(FileEntry& entry, const Words& words, int nameIndex);

// Month-day-year of an MS-DOS or OS/2 date such as 07-15-99 (also 07-15-1999).
struct DosDate {
    int year = 0;
    int month = 0;
    int day = 0;
};
DosDate readDosDate(std::string_view text);

// Each parser fills the entry and sets its kind.
// Returns false, touching nothing, when the first character rules a UNIX line out.
bool parseUnixLine(FileEntry& entry, int listingColumn, bool& columnLearned);
// Returns false, touching nothing, when the line looks like a UNIX line instead.
bool parseMsDosLine(FileEntry& entry);
void parseOs2Line(FileEntry& entry);
void parseMacintoshLine(FileEntry& entry);

}  // namespace ftp::listing
