#include "mlsdlisting.h"

#include <cstdint>
#include <cstdio>
#include <limits>

#include "nameencoding.h"

namespace ftp {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool startsNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool readSize(std::string_view text, std::int64_t& size) {
    if (text.empty()) return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (!isDigit(c) || value > (std::numeric_limits<std::int64_t>::max() - 9) / 10)
            return false;
        value = value * 10 + (c - '0');
    }
    size = value;
    return true;
}

int number(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

int kindOf(std::string_view type) {
    if (equalNoCase(type, "file")) return FileEntry::File;
    if (equalNoCase(type, "dir")) return FileEntry::Directory;
    if (startsNoCase(type, "OS.unix=slink") || equalNoCase(type, "OS.unix=symlink"))
        return FileEntry::Link;
    return FileEntry::NotAnEntry;  // cdir, pdir, devices and what else a server may list
}

// "drwxr-xr-x" for the pane's permission column, from an octal mode or from such a text.
std::string permissionText(std::string_view mode, int kind) {
    if (mode.size() == 10) return std::string(mode);
    // Some servers write the mode as their language spells octal: "0o644".
    if (mode.size() > 2 && mode[0] == '0' && (mode[1] == 'o' || mode[1] == 'O'))
        mode.remove_prefix(2);
    if (mode.size() < 3 || mode.size() > 7) return {};
    for (char c : mode)
        if (c < '0' || c > '7') return {};
    std::string text(1, kind == FileEntry::Directory ? 'd' : kind == FileEntry::Link ? 'l' : '-');
    for (char digit : mode.substr(mode.size() - 3)) {
        const int bits = digit - '0';
        text += bits & 4 ? 'r' : '-';
        text += bits & 2 ? 'w' : '-';
        text += bits & 1 ? 'x' : '-';
    }
    return text;
}

struct Facts {
    bool typed = false;
    bool sized = false;
    std::string_view type, size, modify, mode;
};

// Splits "facts name" and reads the facts; false when the line is not of that shape.
bool readFacts(std::string_view line, Facts& facts, std::string_view& name) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return false;
    name = line.substr(blank + 1);
    std::string_view list = line.substr(0, blank);
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        const std::string_view fact = list.substr(0, semicolon);
        list.remove_prefix(semicolon == std::string_view::npos ? list.size() : semicolon + 1);
        if (fact.empty()) continue;
        const std::size_t equals = fact.find('=');
        if (equals == 0 || equals == std::string_view::npos) return false;
        const std::string_view key = fact.substr(0, equals);
        const std::string_view value = fact.substr(equals + 1);
        if (equalNoCase(key, "type")) {
            facts.typed = true;
            facts.type = value;
        } else if (equalNoCase(key, "size")) {
            facts.sized = true;
            facts.size = value;
        } else if (equalNoCase(key, "modify")) {
            facts.modify = value;
        } else if (equalNoCase(key, "unix.mode")) {
            facts.mode = value;
        }
    }
    return true;
}

void clear(FileEntry& entry) {
    entry.name.clear();
    entry.attributes.clear();
    entry.dateText.clear();
    entry.dayText.clear();
    entry.timeText.clear();
    entry.size = 0;
    entry.kind = FileEntry::NotAnEntry;
    entry.nameColumn = 0;
}

// The common part of both parsers, once the line's own rule for names has been applied.
int parseFacts(FileEntry& entry, std::string_view line, bool (*acceptName)(std::string_view)) {
    clear(entry);
    Facts facts;
    std::string_view name;
    if (!readFacts(line, facts, name) || !acceptName(name)) return entry.kind;
    const int kind = facts.typed ? kindOf(facts.type) : FileEntry::File;
    if (kind == FileEntry::NotAnEntry) return entry.kind;
    // A listed size is checked against what arrives: a size that does not read is no size.
    std::int64_t size = 0;
    if (facts.sized && !readSize(facts.size, size)) return entry.kind;

    std::time_t modified = 0;
    if (parseFtpTimestamp(facts.modify, modified)) entry.dateText = localDateText(modified);
    entry.attributes = permissionText(facts.mode, kind);
    entry.name = std::string(name);
    entry.size = size;
    entry.kind = kind;
    return entry.kind;
}

bool isPathName(std::string_view name) {
    return !name.empty() &&
           name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace

int parseMlsdLine(FileEntry& entry) {
    return parseFacts(entry, entry.line, isSafeListingName);
}

int parseMlstLine(FileEntry& entry) {
    std::string_view line = entry.line;
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return parseFacts(entry, line, isPathName);
}

bool parseFtpTimestamp(std::string_view text, std::time_t& when) {
    if (text.size() < 14) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!isDigit(text[i]) && !(i == 14 && text[i] == '.' && text.size() > 15)) return false;
    std::tm utc{};
    utc.tm_year = number(text.substr(0, 4)) - 1900;
    utc.tm_mon = number(text.substr(4, 2)) - 1;
    utc.tm_mday = number(text.substr(6, 2));
    utc.tm_hour = number(text.substr(8, 2));
    utc.tm_min = number(text.substr(10, 2));
    // A leap second reads as the second before it.
    utc.tm_sec = std::min(number(text.substr(12, 2)), 59);
    const std::tm asRead = utc;
    const std::time_t t = ::timegm(&utc);
    // timegm moves 31 February to March: such a date was never a date.
    if (utc.tm_year != asRead.tm_year || utc.tm_mon != asRead.tm_mon ||
        utc.tm_mday != asRead.tm_mday || utc.tm_hour != asRead.tm_hour ||
        utc.tm_min != asRead.tm_min || utc.tm_sec != asRead.tm_sec)
        return false;
    when = t;
    return true;
}

std::string localDateText(std::time_t when) {
    std::tm local{};
    if (!::localtime_r(&when, &local)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}

}  // namespace ftp
