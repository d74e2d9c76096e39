#include <cstdio>
#include <ctime>
#include <limits>

#include "listingparsers.h"

namespace ftp::listing {
namespace {

// Reads digits from pos on; the value saturates where atoi would overflow.
std::int64_t readDigits(std::string_view text, std::size_t& pos) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        const int digit = text[pos] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

std::int64_t monthNumber(std::string_view word) {
    std::string upper(word);
    for (char& c : upper)
        c = upperAscii(c);
    const std::size_t position = upper.empty() ? std::string::npos : kMonthTable.find(upper);
    if (position != std::string::npos) return static_cast<std::int64_t>(position / 3 + 1);
    return leadingNumber(word);  // "12" followed by the Japanese month character
}

void today(const FileEntry& entry, std::int64_t& year, std::int64_t& month) {
    if (entry.currentYear != 0) {
        year = entry.currentYear;
        month = entry.currentMonth;
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    year = local.tm_year + 1900;
    month = local.tm_mon + 1;
}

// A month and day with a time is within the last year: a month later than the current
// one belongs to the year before.
void normaliseDate(FileEntry& entry, std::string_view monthWord, std::string_view dayWord,
                   std::string_view timeOrYear) {
    const long long month = monthNumber(monthWord);
    const long long day = leadingNumber(dayWord);
    char buffer[80];
    if (timeOrYear.find(':') != std::string_view::npos) {
        std::int64_t year = 0;
        std::int64_t currentMonth = 0;
        today(entry, year, currentMonth);
        if (month > currentMonth) --year;
        std::snprintf(buffer, sizeof buffer, "%4lld/%02lld/%02lld ", static_cast<long long>(year),
                      month, day);
        entry.dateText = buffer;
        entry.dateText.append(timeOrYear);
    } else {
        const long long year = leadingNumber(timeOrYear);
        std::snprintf(buffer, sizeof buffer, "%4lld/%02lld/%02lld", year, month, day);
        entry.dateText = buffer;
    }
}

}  // namespace

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isPermissionLetter(char c) {
    switch (upperAscii(c)) {
        case '-':
        case 'D':
        case 'L':
        case 'R':
        case 'S':
        case 'W':
        case 'X':
            return true;
        default:
            return false;
    }
}

bool isDotName(std::string_view name) {
    return name == "." || name == "..";
}

std::int64_t leadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const std::int64_t value = readDigits(text, pos);
    return negative ? -value : value;
}

std::int64_t sizeFromText(std::string_view text) {
    const std::int64_t value = leadingNumber(text);
    return value < 0 ? 0 : value;
}

Words::Words(std::string_view line, std::size_t from) : line_(line) {
    std::size_t pos = from < line.size() ? from : line.size();
    while (pos < line.size()) {
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos == line.size()) break;
        const std::size_t start = pos;
        while (pos < line.size() && !isBlank(line[pos]))
            ++pos;
        spans_.push_back({start, pos - start});
    }
}

std::string_view Words::operator[](int index) const {
    if (index < 0 || index >= count()) return {};
    const Span& span = spans_[static_cast<std::size_t>(index)];
    return line_.substr(span.offset, span.length);
}

std::size_t Words::offset(int index) const {
    if (index < 0 || index >= count()) return line_.size();
    return spans_[static_cast<std::size_t>(index)].offset;
}

std::string_view Words::restFrom(int index) const {
    return line_.substr(offset(index));
}

int Words::findMonth() const {
    for (int i = 0; i < count(); ++i)
        if (isMonthToken((*this)[i])) return i;
    return -1;
}

void LineScanner::skipBlanks() {
    while (pos_ < text_.size() && isBlank(text_[pos_]))
        ++pos_;
}

bool LineScanner::number(std::int64_t& value) {
    skipBlanks();
    std::size_t pos = pos_;
    bool negative = false;
    if (pos < text_.size() && (text_[pos] == '+' || text_[pos] == '-'))
        negative = text_[pos++] == '-';
    if (pos == text_.size() || !isDigit(text_[pos])) return false;
    const std::int64_t digits = readDigits(text_, pos);
    value = negative ? -digits : digits;
    pos_ = pos;
    return true;
}

bool LineScanner::word(std::string_view& value, std::size_t& offset) {
    skipBlanks();
    if (pos_ == text_.size()) return false;
    offset = pos_;
    while (pos_ < text_.size() && !isBlank(text_[pos_]))
        ++pos_;
    value = text_.substr(offset, pos_ - offset);
    return true;
}

void takeColumns(FileEntry& entry, const Words& words, int nameIndex) {
    entry.size = sizeFromText(words[nameIndex - 4]);
    const std::string_view month = words[nameIndex - 3];
    const std::string_view day = words[nameIndex - 2];
    const std::string_view timeOrYear = words[nameIndex - 1];
    // Taken from the name word's own start, so that a size or owner that repeats the
    // time-or-year text cannot shift the name.
    entry.name = nameIndex < words.count() - 1 ? words.restFrom(nameIndex) : words[nameIndex];
    entry.dayText = day;
    entry.timeText = timeOrYear;
    normaliseDate(entry, month, day, timeOrYear);
}

}  // namespace ftp::listing
