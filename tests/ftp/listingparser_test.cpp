// Directory listing lines of every server style, read into entries: one row is a listing
// (or a single line) and the entries it must give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileentry.h"
#include "servertype.h"

using ftp::FileEntry;
using ftp::Macintosh;
using ftp::Os2;
using ftp::Unix;
using ftp::WindowsNt;
using ftp::WindowsNt4;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

namespace {

// Read the line once with the column learned (7) and once before any column is known.
constexpr int kLearnedOrNot = -1;

struct Row {
    int style;
    int column;           // the listing's name column before the first line
    std::string listing;  // lines separated by "\n"
    // Per line "none", or "kind|name|size|date", then any of "|attr=", "|day=", "|time=",
    // "|style=", "|column=" (the entry's name column) and "|learned=" (yes or no).
    std::string entries;
    int month = 6;  // today, for dates without a year
    int year = 2024;
};

Lines split(const std::string& text) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::string field(const FileEntry& entry, bool learned, const std::string& key) {
    static const char* const styles[] = {"unix", "nt", "nt4", "os2", "mac"};
    if (key == "attr") return entry.attributes;
    if (key == "day") return entry.dayText;
    if (key == "time") return entry.timeText;
    if (key == "style") return entry.style >= 0 && entry.style <= 4 ? styles[entry.style] : "?";
    if (key == "column") return std::to_string(entry.nameColumn);
    if (key == "learned") return learned ? "yes" : "no";
    return "unknown key " + key;
}

// The entry in the form of the expectation, with the extra fields it names.
std::string describe(const FileEntry& entry, bool learned, const std::string& expected) {
    static const char* const kinds[] = {"none", "file", "dir", "", "link"};
    std::string text = kinds[entry.kind];
    if (entry.kind != FileEntry::NotAnEntry)
        text += "|" + entry.name + "|" + std::to_string(entry.size) + "|" + entry.dateText;
    for (std::size_t bar = expected.find('|'); bar != std::string::npos;
         bar = expected.find('|', bar + 1)) {
        const std::size_t equals = expected.find('=', bar);
        const std::size_t next = expected.find('|', bar + 1);
        if (equals == std::string::npos || equals > next) continue;
        const std::string key = expected.substr(bar + 1, equals - bar - 1);
        text += "|" + key + "=" + field(entry, learned, key);
    }
    return text;
}

FileEntry read(const std::string& line, int style, int column, bool& learned, int year = 2024,
               int month = 6) {
    FileEntry entry(line, style);
    entry.currentYear = year;
    entry.currentMonth = month;
    entry.parse(column, learned);
    return entry;
}

// Feeds the listing the way the data connection does: one entry per line, the name
// column handed on from line to line.
Lines parse(const Row& row, int column, const Lines& expected) {
    Lines entries;
    for (const std::string& line : split(row.listing)) {
        bool learned = false;
        const FileEntry entry = read(line, row.style, column, learned, row.year, row.month);
        if (learned) column = entry.nameColumn;
        EXPECT_EQ(entry.line, line) << "the line is kept whole";
        const std::size_t i = entries.size();
        entries.push_back(describe(entry, learned, i < expected.size() ? expected[i] : ""));
    }
    return entries;
}

void expectRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        const std::vector<int> columns =
            row.column == kLearnedOrNot ? std::vector<int>{7, 0} : std::vector<int>{row.column};
        const Lines expected = split(row.entries);
        for (int column : columns)
            EXPECT_EQ(parse(row, column, expected), expected)
                << "style " << row.style << ", column " << column << ": " << row.listing;
    }
}

}  // namespace

TEST(ListingLines, Unix) {
    const std::string longName = std::string(640, 'n') + " and more.txt";
    expectRows({
        // Header and dot lines are no entries; the dot line teaches the column, counted
        // from the link count.
        {Unix, 0,
         "total 12\n"
         "drwxr-xr-x   2 owner    group        4096 Jan  5 10:30 .\n"
         "drwxr-xr-x  14 owner    group        4096 Jan  5 10:30 ..\n"
         "-rw-r--r--   1 owner    group        1234 Jan  5 10:30 index.html",
         "none\n"
         "none|column=7\n"
         "none\n"
         "file|index.html|1234|2024/01/05 10:30|attr=-rw-r--r--|day=5|time=10:30|style=unix"},
        // Without dot lines the first entry teaches the column; the next learns nothing.
        {Unix, 0,
         "-rw-r--r-- 1 owner group 1234 Jan 5 10:30 index.html\n"
         "-rw-r--r-- 1 owner group 1234 Jan 5 10:30 index.html",
         "file|index.html|1234|2024/01/05 10:30|column=7|learned=yes\n"
         "file|index.html|1234|2024/01/05 10:30|learned=no"},
        // Dates without a year lie within the last year.
        {Unix, 0, "-rw-r--r-- 1 owner group 10 Dec 24 18:00 gift.txt",
         "file|gift.txt|10|2023/12/24 18:00"},
        {Unix, 0, "-rw-r--r-- 1 owner group 10 Dec 24 18:00 gift.txt",
         "file|gift.txt|10|2024/12/24 18:00", 12},
        {Unix, 0, "-rw-r--r-- 1 owner group 10 Jun 1 08:00 f", "file|f|10|2024/06/01 08:00"},
        {Unix, 0, "-rw-r--r-- 1 owner group 10 Mar 04  1998 old.txt",
         "file|old.txt|10|1998/03/04|time=1998"},
        // Names are taken whole from their own column; a size equal to the year must not
        // move the start of the name.
        {Unix, 7, "-rw-r--r-- 1 owner group 5 Jan 5 10:30 two  blanks  here.txt",
         "file|two  blanks  here.txt|5|2024/01/05 10:30"},
        {Unix, 7, "-rw-r--r-- 1 owner group 2019 Jan 5 2019 my file",
         "file|my file|2019|2019/01/05"},
        {Unix, 7, "-rw-r--r-- 1 u2019 group 9 Jan 5 2019 my file", "file|my file|9|2019/01/05"},
        // A dot word inside a name is neither a dot entry nor a column lesson.
        {Unix, 7, "-rw-r--r-- 1 owner group 5 Jan 5 10:30 a . b",
         "file|a . b|5|2024/01/05 10:30|learned=no"},
        {Unix, 7, "drwxr-xr-x 2 owner group 5 Jan 5 10:30 up ..", "dir|up ..|5|2024/01/05 10:30"},
        // Names are bytes: UTF-8, GBK with a blank, Shift-JIS with a 0x5C trail byte, not
        // UTF-8 at all, a NUL inside.
        {Unix, 7, "-rw-r--r-- 1 owner group 5 Jan 5 10:30 \xe5\x90\x8d\xe5\x89\x8d.txt",
         "file|\xe5\x90\x8d\xe5\x89\x8d.txt|5|2024/01/05 10:30"},
        {Unix, 7, "-rw-r--r-- 1 owner group 5 Jan 5 10:30 \xc3\xfb\xd7\xd6 \xce\xc4\xbc\xfe.txt",
         "file|\xc3\xfb\xd7\xd6 \xce\xc4\xbc\xfe.txt|5|2024/01/05 10:30"},
        {Unix, 7, "-rw-r--r-- 1 owner group 5 Jan 5 10:30 \x83\x5c\x83\x74\x83\x67.txt",
         "file|\x83\x5c\x83\x74\x83\x67.txt|5|2024/01/05 10:30"},
        {Unix, 7, "-rw-r--r-- 1 owner group 5 Jan 5 10:30 bad\xff\xfe\xc3(.bin",
         "file|bad\xff\xfe\xc3(.bin|5|2024/01/05 10:30"},
        {Unix, 7, "-rw-r--r-- 1 owner group 5 Jan 5 10:30 a\0b c"s,
         "file|a\0b c|5|2024/01/05 10:30"s},
        // Directories and links: the name ends before the arrow.
        {Unix, 0, "drwxr-xr-x 3 owner group 4096 Feb 1 09:00 site",
         "dir|site|4096|2024/02/01 09:00"},
        {Unix, 7, "lrwxrwxrwx 1 owner group 11 Feb 1 09:00 current -> releases/7",
         "link|current|11|2024/02/01 09:00"},
        {Unix, 7, "lrwxrwxrwx 1 owner group 9 Feb 1 09:00 my  link -> a b",
         "link|my  link|9|2024/02/01 09:00"},
        {Unix, 7, "lrwxrwxrwx 1 owner group 9 Feb 1 09:00 a->b -> c",
         "link|a->b|9|2024/02/01 09:00"},
        {Unix, 7, "lrwxrwxrwx 1 owner group 9 Feb 1 09:00 x", "link|x|9|2024/02/01 09:00"},
        // A link named only by its arrow, or leading to a dot name, has no usable name.
        {Unix, 7, "lrwxrwxrwx 1 owner group 9 Feb 1 09:00 -> x", "none"},
        {Unix, 7, "lrwxrwxrwx 1 owner group 9 Feb 1 09:00 .. -> x", "none"},
        // The Japanese month character, in Shift-JIS and in EUC-JP.
        {Unix, 7, "-rw-r--r-- 1 owner group 100 12\x8c\x8e 3 10:00 a.txt",
         "file|a.txt|100|2023/12/03 10:00"},
        {Unix, 7, "-rw-r--r-- 1 owner group 100 1\xb7\xee 3 2020 a.txt",
         "file|a.txt|100|2020/01/03"},
        // Sizes are 64-bit; beyond that they saturate and the entry stays usable.
        {Unix, 0, "-rw-r--r-- 1 owner group 5368709120 Jan 5 10:30 big.iso",
         "file|big.iso|5368709120|2024/01/05 10:30"},
        {Unix, 7, "-rw-r--r-- 1 owner group 99999999999999999999999999 Jan 5 10:30 huge",
         "file|huge|9223372036854775807|2024/01/05 10:30"},
        // Long lines are never cut.
        {Unix, 7, "-rw-r--r--   1 owner    group   1234 Jan  5 10:30 " + longName,
         "file|" + longName + "|1234|2024/01/05 10:30"},
    });
}

// One UNIX line each: read with the listing's column already learned and before any
// column is known, both must give the same entry.
TEST(ListingLines, UnixWithOrWithoutTheLearnedColumn) {
    expectRows({
        // A link count of 0: the month is found past owner and group with or without digits.
        {Unix, kLearnedOrNot, "-rw-r--r--   0 owner group 512 Jan 5 10:30 zero.txt",
         "file|zero.txt|512|2024/01/05 10:30|attr=-rw-r--r--"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 0 user1 group 77 Jan 5 10:30 f.txt",
         "file|f.txt|77|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 0 user group 0 Jan  5 10:30 empty.txt",
         "file|empty.txt|0|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "drwxr-xr-x 0 user group 0 Jan  5 10:30 pub",
         "dir|pub|0|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 0 user group 0 Mar  4  2019 old.txt",
         "file|old.txt|0|2019/03/04"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 0 0 0 0 Jan  5 10:30 root.txt",
         "file|root.txt|0|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "lrwxrwxrwx 0 user group 0 Jan  5 10:30 l -> t",
         "link|l|0|2024/01/05 10:30"},
        // Leading blanks of a name are kept where the date columns have the fixed layout
        // (day in two places, time or right-aligned year in five, one blank after each).
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan  5 10:30  inner.txt",
         "file| inner.txt|9|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan  5  2023  inner.txt",
         "file| inner.txt|9|2023/01/05"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan 15 10:30   two  more",
         "file|  two  more|9|2024/01/15 10:30"},
        {Unix, kLearnedOrNot, "drwxr-xr-x 2 owner group 9 Jan 15 10:30  pub",
         "dir| pub|9|2024/01/15 10:30"},
        {Unix, kLearnedOrNot, "lrwxrwxrwx 1 owner group 9 Jan 15 10:30  l -> t",
         "link| l|9|2024/01/15 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 0 user group 0 Jan  5 10:30  zero",
         "file| zero|0|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan  5 10:30 plain.txt",
         "file|plain.txt|9|2024/01/05 10:30"},
        // Other layouts may pad columns: the name starts at its first non-blank.
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan 5 10:30  padded.txt",
         "file|padded.txt|9|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan  5 2023  padded.txt",
         "file|padded.txt|9|2023/01/05"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan 05  10:30  padded.txt",
         "file|padded.txt|9|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan  5 9:30   padded.txt",
         "file|padded.txt|9|2024/01/05 9:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 Jan\t 5\t10:30\t padded.txt",
         "file|padded.txt|9|2024/01/05 10:30"},
        {Unix, kLearnedOrNot, "-rw-r--r-- 1 owner group 9 12\x8c\x8e  5 10:30  padded.txt",
         "file|padded.txt|9|2023/12/05 10:30"},
    });
}

TEST(ListingLines, MsDosOs2AndMacintosh) {
    const std::string longName = std::string(640, 'n') + " and more.txt";
    expectRows({
        // MS-DOS: directories and files in both centuries.
        {WindowsNt, 0, "07-15-99  07:30PM       <DIR>          web site",
         "dir|web site|0|1999/07/15  7:30|day=07:30PM|style=nt"},
        {WindowsNt, 0, "01-02-05  10:15AM                 1234 a  b.txt",
         "file|a  b.txt|1234|2005/01/02 10:15|attr="},
        {WindowsNt, 0, "12-31-89 11:59PM 1 y", "file|y|1|2089/12/31 11:59"},
        {WindowsNt, 0, "12-31-90 11:59PM 1 y", "file|y|1|1990/12/31 11:59"},
        {WindowsNt, 0, "07-15-1999 07:30 1 y", "file|y|1|1999/07/15  7:30"},
        // The name is found in its own column, not inside the date or size before it.
        {WindowsNt, 0, "01-12-99 10:00AM 12 99 bottles", "file|99 bottles|12|1999/01/12 10:00"},
        {WindowsNt, 0, "07-15-99 07:30PM <DIR> .", "none"},
        {WindowsNt, 0, "07-15-99 07:30PM <DIR> ..", "none"},
        {WindowsNt, 0, " Volume in drive C has no label", "none"},
        {WindowsNt, 0, "", "none"},
        {WindowsNt, 0, "01-02-05 10:15AM 1234", "none"},
        {WindowsNt, 0, "01-02-05 10:15AM 5368709120 big.iso",
         "file|big.iso|5368709120|2005/01/02 10:15"},
        {WindowsNt, 0, "01-02-05 10:15AM -12 neg", "file|neg|0|2005/01/02 10:15"},
        {WindowsNt, 0, "07-15-99 07:30PM 1 " + longName,
         "file|" + longName + "|1|1999/07/15  7:30"},
        // Windows NT reads UNIX lines, Windows NT 4.0 reads MS-DOS lines.
        {WindowsNt, 7, "-rw-r--r-- 1 owner group 42 Jan 5 10:30 readme",
         "file|readme|42|2024/01/05 10:30|style=unix"},
        {WindowsNt, 7, "lrwxrwxrwx 1 owner group 3 Jan 5 10:30 l -> t",
         "link|l|3|2024/01/05 10:30|style=unix"},
        {WindowsNt4, 0, "07-15-99 07:30PM <DIR> docs", "dir|docs|0|1999/07/15  7:30|style=nt"},
        {WindowsNt4, 7, "drwxr-xr-x 1 owner group 0 Jan 5 10:30 docs",
         "dir|docs|0|2024/01/05 10:30|style=nt4"},
        // OS/2, with and without the flag column.
        {Os2, 0, "     0           DIR   12-18-97   18:28  SOME DIR",
         "dir|SOME DIR|0|1997/12/18 18:28|day=18:28"},
        {Os2, 0, "  2560      A    01-02-03   09:51  28", "file|28|2560|2003/01/02 09:51"},
        {Os2, 0, "  1234   07-16-99   09:51  read me.txt",
         "file|read me.txt|1234|1999/07/16 09:51"},
        {Os2, 0, "0 DIR 12-18-97 18:28 .", "none"},
        {Os2, 0, "0 DIR 12-18-97 18:28 ..", "none"},
        {Os2, 0, "DIR x y z", "none"},
        {Os2, 0, "0 DIR 12-18-97 18:28", "none"},
        {Os2, 0, "", "none"},
        {Os2, 0, "5368709120 A 01-02-05 10:15 big.iso", "file|big.iso|5368709120|2005/01/02 10:15"},
        // Macintosh: files and folders have columns of their own.
        {Macintosh, 0, "-------r--         326  1391972  1392298 Nov 22  1995 Mega Phone.sit",
         "file|Mega Phone.sit|1392298|1995/11/22|column=6|attr=-------r--"},
        {Macintosh, 0, "drwxrwxr-x               folder        2 May 10 12:00 network",
         "dir|network|2|2024/05/10 12:00|column=5"},
        {Macintosh, 0, "total 3", "none"},
        {Macintosh, 0, "-rw-r--r-- 0 0 5368709120 Jan 5 10:30 big.iso",
         "file|big.iso|5368709120|2024/01/05 10:30"},
    });
}

// Listings as these servers send them for "LIST -la", dated on 8 December 2026.
TEST(ListingLines, AsRealServersSendThem) {
    expectRows({
        // vsftpd
        {Unix, 0,
         "drwxr-xr-x    4 0        0            4096 Dec 08 01:50 .\n"
         "drwxr-xr-x    4 0        0            4096 Dec 08 01:50 ..\n"
         "drwxr-xr-x    2 0        0            4096 Dec 08 01:50 dir with blanks\n"
         "lrwxrwxrwx    1 0        0               3 Dec 08 01:50 linkdir -> sub\n"
         "lrwxrwxrwx    1 0        0               9 Dec 08 01:50 linkfile -> plain.txt\n"
         "-rw-r--r--    1 0        0               0 Mar 04  2019 old.txt\n"
         "-rw-r--r--    1 0        0      5368709120 Oct 08 08:09 recent.iso\n"
         "-rw-r--r--    1 0        0               5 Dec 08 01:50 two  blanks.txt\n"
         "-rw-r--r--    1 0        0               1 Dec 08 01:50 \xe5\x90\x8d\xe5\x89\x8d.txt",
         "none\n"
         "none\n"
         "dir|dir with blanks|4096|2026/12/08 01:50\n"
         "link|linkdir|3|2026/12/08 01:50\n"
         "link|linkfile|9|2026/12/08 01:50\n"
         "file|old.txt|0|2019/03/04\n"
         "file|recent.iso|5368709120|2026/10/08 08:09\n"
         "file|two  blanks.txt|5|2026/12/08 01:50\n"
         "file|\xe5\x90\x8d\xe5\x89\x8d.txt|1|2026/12/08 01:50",
         12, 2026},
        // pyftpdlib: no dot lines; the first entry, whose name has blanks, teaches a column
        // that later lines correct by the month search.
        {Unix, 0,
         "drwxr-xr-x   2 root     root         4096 Dec 08 01:50 dir with blanks\n"
         "lrwxrwxrwx   1 root     root            3 Dec 08 01:50 linkdir -> sub\n"
         "-rw-r--r--   1 root     root            0 Mar 04  2019 old.txt\n"
         "-rw-r--r--   1 root     root            1 Dec 08 01:50 plain.txt\n"
         "drwxr-xr-x   2 root     root         4096 Dec 08 01:50 sub\n"
         "-rw-r--r--   1 root     root            5 Dec 08 01:50 two  blanks.txt",
         "dir|dir with blanks|4096|2026/12/08 01:50\n"
         "link|linkdir|3|2026/12/08 01:50\n"
         "file|old.txt|0|2019/03/04\n"
         "file|plain.txt|1|2026/12/08 01:50\n"
         "dir|sub|4096|2026/12/08 01:50\n"
         "file|two  blanks.txt|5|2026/12/08 01:50",
         12, 2026},
    });
}

TEST(MonthTokens, TableAndJapaneseBytes) {
    for (const char* token : {"Jan", "dec", "SEP", "ay", "12\x8c\x8e", "5\xb7\xee", "x\x8c\x8eyz"})
        EXPECT_EQ(ftp::isMonthToken(token), 1) << token;
    for (const char* token : {"", "Jann", "10:30", "owner", "\x8c\x8e", "12\x8c", "12\x8c\x8f",
                              "1\xb7\x8e", "12\x8c\x41\x8c\x8e"})
        EXPECT_EQ(ftp::isMonthToken(token), 0) << token;
    EXPECT_EQ(ftp::findMonthToken({"1", "owner", "group", "5", "Nov", "Dec"}), 4);
    EXPECT_EQ(ftp::findMonthToken({"1", "owner"}), -1);
    EXPECT_EQ(ftp::findMonthToken({}), -1);
}

TEST(HostileInput, IsReadSafelyAndNeverYieldsAnUnusableEntry) {
    // Each of these is no entry in any style.
    const Lines noEntries = {
        "",
        "      ",
        "\t \t",
        "-",
        "d",
        "l ->",
        "-rw-r--r--",
        "-rw-r--r-- 1",
        "-rw-r--r-- 1 Jan",
        "-rw-r--r-- 12\x8c\x8e 3 10:00 a.txt",  // the month is the first word
        std::string(5000, '0'),
        "-" + std::string(5000, '0'),
        "\0\0\0"s,
        "07-15-99",
        "99-99-99 99:99XM",
        "-99999999999999999999 DIR",
        "\x8c",
        "12\x8c",
    };
    // These may read as something; what matters is that nothing breaks.
    const Lines oddLines = {
        "-rw-r--r-- 1 owner group 5 Jan",
        "drwxr-xr-x 2 owner group 4096 Jan 5 10:30",
        "-rw-r--r-- 1 owner group 5 99999999999999999999999\x8c\x8e 99999999999999999999 "
        "99999999999999999999 n",
        "-rw-r--r-- 1 owner group 5 Jan 5 10:30 \0"s,
        "\0-rw-r--r-- 1 owner group 5 Jan 5 10:30 x"s,
        "lrwxrwxrwx 1 a b 5 Jan 5 10:30 ->",
        "99999999999999999999-99999-99999 99999:99999 99999999999999999999999 x",
        "1 A 1 1 1 1 1 1 1 1 1 1 1",
        "a b c d e f g h i j k l m n o p",
        "07-15-99 07:30PM <DIR>",
    };
    for (int style = ftp::Unidentified; style <= Macintosh + 1; ++style) {
        for (int column : {0, 1, 4, 7, 100000, -5}) {
            bool learned = false;
            for (const std::string& line : noEntries)
                EXPECT_EQ(read(line, style, column, learned).kind, FileEntry::NotAnEntry)
                    << "style " << style << " column " << column << ": " << line;
            for (const std::string& line : oddLines) {
                const FileEntry entry = read(line, style, column, learned);
                if (entry.kind == FileEntry::NotAnEntry) continue;
                EXPECT_FALSE(entry.name.empty() || entry.name == "." || entry.name == "..");
                EXPECT_NE(line.find(entry.name), std::string::npos);
                EXPECT_GE(entry.size, 0);
            }
        }
    }
}
