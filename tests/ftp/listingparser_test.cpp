// Directory listing lines of every server style, read into entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileentry.h"
#include "servertype.h"

using ftp::FileEntry;
using ftp::ServerType;

namespace {

constexpr int kYear = 2024;
constexpr int kMonth = 6;

FileEntry parseLine(const std::string& line, int style, int column = 0, bool* learned = nullptr,
                    int month = kMonth) {
    FileEntry entry(line, style);
    entry.currentYear = kYear;
    entry.currentMonth = month;
    bool columnLearned = true;
    entry.parse(column, columnLearned);
    if (learned) *learned = columnLearned;
    return entry;
}

// Feeds a listing the way the data connection does: one entry per line, the name column
// handed on from line to line.
std::vector<FileEntry> parseListing(const std::string& text, int style, int year, int month) {
    std::vector<FileEntry> entries;
    int column = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        FileEntry entry(line, style);
        entry.currentYear = year;
        entry.currentMonth = month;
        bool learned = false;
        entry.parse(column, learned);
        if (learned) column = entry.nameColumn;
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

TEST(UnixListing, HeaderAndDotLinesAreNoEntriesAndTeachTheColumn) {
    const auto entries = parseListing(
        "total 12\r\n"
        "drwxr-xr-x   2 owner    group        4096 Jan  5 10:30 .\r\n"
        "drwxr-xr-x  14 owner    group        4096 Jan  5 10:30 ..\r\n"
        "-rw-r--r--   1 owner    group        1234 Jan  5 10:30 index.html\r\n",
        ServerType::Unix, kYear, kMonth);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].kind, FileEntry::NotAnEntry);
    EXPECT_EQ(entries[1].kind, FileEntry::NotAnEntry);
    EXPECT_EQ(entries[1].nameColumn, 7);  // counted from the link count
    EXPECT_EQ(entries[2].kind, FileEntry::NotAnEntry);
    const FileEntry& file = entries[3];
    EXPECT_EQ(file.kind, FileEntry::File);
    EXPECT_EQ(file.name, "index.html");
    EXPECT_EQ(file.size, 1234);
    EXPECT_EQ(file.attributes, "-rw-r--r--");
    EXPECT_EQ(file.dateText, "2024/01/05 10:30");
    EXPECT_EQ(file.dayText, "5");
    EXPECT_EQ(file.timeText, "10:30");
    EXPECT_EQ(file.style, ServerType::Unix);

    bool learned = false;
    FileEntry first = parseLine("-rw-r--r-- 1 owner group 1234 Jan 5 10:30 index.html",
                                ServerType::Unix, 0, &learned);
    EXPECT_TRUE(learned) << "without dot lines the first entry teaches the column";
    EXPECT_EQ(first.nameColumn, 7);
    parseLine("-rw-r--r-- 1 owner group 1234 Jan 5 10:30 index.html", ServerType::Unix, 7,
              &learned);
    EXPECT_FALSE(learned);
}

TEST(UnixListing, DatesWithoutYearLieWithinTheLastYear) {
    const std::string december = "-rw-r--r-- 1 owner group 10 Dec 24 18:00 gift.txt";
    EXPECT_EQ(parseLine(december, ServerType::Unix).dateText, "2023/12/24 18:00");
    EXPECT_EQ(parseLine(december, ServerType::Unix, 0, nullptr, 12).dateText, "2024/12/24 18:00");
    EXPECT_EQ(parseLine("-rw-r--r-- 1 owner group 10 Jun 1 08:00 f", ServerType::Unix).dateText,
              "2024/06/01 08:00");

    const FileEntry old =
        parseLine("-rw-r--r-- 1 owner group 10 Mar 04  1998 old.txt", ServerType::Unix);
    EXPECT_EQ(old.dateText, "1998/03/04");
    EXPECT_EQ(old.timeText, "1998");
    EXPECT_EQ(old.name, "old.txt");
}

TEST(UnixListing, NamesAreTakenWholeFromTheirOwnColumn) {
    EXPECT_EQ(parseLine("-rw-r--r-- 1 owner group 5 Jan 5 10:30 two  blanks  here.txt",
                        ServerType::Unix, 7)
                  .name,
              "two  blanks  here.txt");
    // A size equal to the year must not move the start of the name.
    EXPECT_EQ(
        parseLine("-rw-r--r-- 1 owner group 2019 Jan 5 2019 my file", ServerType::Unix, 7).name,
        "my file");
    EXPECT_EQ(parseLine("-rw-r--r-- 1 u2019 group 9 Jan 5 2019 my file", ServerType::Unix, 7).name,
              "my file");

    // A dot word inside a name is neither a dot entry nor a column lesson.
    bool learned = true;
    const FileEntry dotted =
        parseLine("-rw-r--r-- 1 owner group 5 Jan 5 10:30 a . b", ServerType::Unix, 7, &learned);
    EXPECT_EQ(dotted.kind, FileEntry::File);
    EXPECT_EQ(dotted.name, "a . b");
    EXPECT_FALSE(learned);
    EXPECT_EQ(parseLine("drwxr-xr-x 2 owner group 5 Jan 5 10:30 up ..", ServerType::Unix, 7).name,
              "up ..");

    const std::vector<std::string> names = {
        "\xe5\x90\x8d\xe5\x89\x8d.txt",           // UTF-8
        "\xc3\xfb\xd7\xd6 \xce\xc4\xbc\xfe.txt",  // GBK, with a blank
        "\x83\x5c\x83\x74\x83\x67.txt",           // Shift-JIS with a 0x5C trail byte
        "bad\xff\xfe\xc3(.bin",                   // not UTF-8 at all
    };
    for (const std::string& name : names) {
        const FileEntry entry =
            parseLine("-rw-r--r-- 1 owner group 5 Jan 5 10:30 " + name, ServerType::Unix, 7);
        EXPECT_EQ(entry.kind, FileEntry::File);
        EXPECT_EQ(entry.name, name);
    }
}

TEST(UnixListing, DirectoriesAndLinks) {
    const FileEntry directory =
        parseLine("drwxr-xr-x 3 owner group 4096 Feb 1 09:00 site", ServerType::Unix);
    EXPECT_EQ(directory.kind, FileEntry::Directory);
    EXPECT_EQ(directory.name, "site");

    const FileEntry link = parseLine(
        "lrwxrwxrwx 1 owner group 11 Feb 1 09:00 current -> releases/7", ServerType::Unix, 7);
    EXPECT_EQ(link.kind, FileEntry::Link);
    EXPECT_EQ(link.name, "current");
    EXPECT_EQ(
        parseLine("lrwxrwxrwx 1 owner group 9 Feb 1 09:00 my  link -> a b", ServerType::Unix, 7)
            .name,
        "my  link");
    EXPECT_EQ(
        parseLine("lrwxrwxrwx 1 owner group 9 Feb 1 09:00 a->b -> c", ServerType::Unix, 7).name,
        "a->b");
    EXPECT_EQ(parseLine("lrwxrwxrwx 1 owner group 9 Feb 1 09:00 x", ServerType::Unix, 7).name, "x");
    // A link named only by its arrow, or leading to a dot name, has no usable name.
    EXPECT_EQ(parseLine("lrwxrwxrwx 1 owner group 9 Feb 1 09:00 -> x", ServerType::Unix, 7).kind,
              FileEntry::NotAnEntry);
    EXPECT_EQ(parseLine("lrwxrwxrwx 1 owner group 9 Feb 1 09:00 .. -> x", ServerType::Unix, 7).kind,
              FileEntry::NotAnEntry);
}

// One UNIX line each, read with the listing's column already learned (7) and before any
// column is known (0): both must give the same entry.
TEST(UnixListing, LineTable) {
    struct Row {
        const char* line;
        int kind;
        const char* name;
        std::int64_t size;
        const char* date;
    };
    const Row rows[] = {
        // A link count of 0: the month is found past owner and group with or without digits.
        {"-rw-r--r--   0 owner group 512 Jan 5 10:30 zero.txt", FileEntry::File, "zero.txt", 512,
         "2024/01/05 10:30"},
        {"-rw-r--r-- 0 user1 group 77 Jan 5 10:30 f.txt", FileEntry::File, "f.txt", 77,
         "2024/01/05 10:30"},
        {"-rw-r--r-- 0 user group 0 Jan  5 10:30 empty.txt", FileEntry::File, "empty.txt", 0,
         "2024/01/05 10:30"},
        {"drwxr-xr-x 0 user group 0 Jan  5 10:30 pub", FileEntry::Directory, "pub", 0,
         "2024/01/05 10:30"},
        {"-rw-r--r-- 0 user group 0 Mar  4  2019 old.txt", FileEntry::File, "old.txt", 0,
         "2019/03/04"},
        {"-rw-r--r-- 0 0 0 0 Jan  5 10:30 root.txt", FileEntry::File, "root.txt", 0,
         "2024/01/05 10:30"},
        {"lrwxrwxrwx 0 user group 0 Jan  5 10:30 l -> t", FileEntry::Link, "l", 0,
         "2024/01/05 10:30"},
        // Leading blanks of a name are kept where the date columns have the fixed layout
        // (day in two places, time or right-aligned year in five, one blank after each).
        {"-rw-r--r-- 1 owner group 9 Jan  5 10:30  inner.txt", FileEntry::File, " inner.txt", 9,
         "2024/01/05 10:30"},
        {"-rw-r--r-- 1 owner group 9 Jan  5  2023  inner.txt", FileEntry::File, " inner.txt", 9,
         "2023/01/05"},
        {"-rw-r--r-- 1 owner group 9 Jan 15 10:30   two  more", FileEntry::File, "  two  more", 9,
         "2024/01/15 10:30"},
        {"drwxr-xr-x 2 owner group 9 Jan 15 10:30  pub", FileEntry::Directory, " pub", 9,
         "2024/01/15 10:30"},
        {"lrwxrwxrwx 1 owner group 9 Jan 15 10:30  l -> t", FileEntry::Link, " l", 9,
         "2024/01/15 10:30"},
        {"-rw-r--r-- 0 user group 0 Jan  5 10:30  zero", FileEntry::File, " zero", 0,
         "2024/01/05 10:30"},
        {"-rw-r--r-- 1 owner group 9 Jan  5 10:30 plain.txt", FileEntry::File, "plain.txt", 9,
         "2024/01/05 10:30"},
        // Other layouts may pad columns: the name starts at its first non-blank.
        {"-rw-r--r-- 1 owner group 9 Jan 5 10:30  padded.txt", FileEntry::File, "padded.txt", 9,
         "2024/01/05 10:30"},
        {"-rw-r--r-- 1 owner group 9 Jan  5 2023  padded.txt", FileEntry::File, "padded.txt", 9,
         "2023/01/05"},
        {"-rw-r--r-- 1 owner group 9 Jan 05  10:30  padded.txt", FileEntry::File, "padded.txt", 9,
         "2024/01/05 10:30"},
        {"-rw-r--r-- 1 owner group 9 Jan  5 9:30   padded.txt", FileEntry::File, "padded.txt", 9,
         "2024/01/05 9:30"},
        {"-rw-r--r-- 1 owner group 9 Jan	 5	10:30	 padded.txt", FileEntry::File,
         "padded.txt", 9, "2024/01/05 10:30"},
        {"-rw-r--r-- 1 owner group 9 12\x8c\x8e  5 10:30  padded.txt", FileEntry::File,
         "padded.txt", 9, "2023/12/05 10:30"},
    };
    for (const Row& row : rows) {
        for (int column : {7, 0}) {
            const FileEntry entry = parseLine(row.line, ServerType::Unix, column);
            EXPECT_EQ(entry.kind, row.kind) << row.line << " column " << column;
            EXPECT_EQ(entry.name, row.name) << row.line << " column " << column;
            EXPECT_EQ(entry.size, row.size) << row.line << " column " << column;
            EXPECT_EQ(entry.dateText, row.date) << row.line << " column " << column;
        }
    }
    EXPECT_EQ(parseLine(rows[0].line, ServerType::Unix).attributes, "-rw-r--r--");
}

TEST(UnixListing, JapaneseMonthCharacter) {
    const FileEntry shiftJis =
        parseLine("-rw-r--r-- 1 owner group 100 12\x8c\x8e 3 10:00 a.txt", ServerType::Unix, 7);
    EXPECT_EQ(shiftJis.kind, FileEntry::File);
    EXPECT_EQ(shiftJis.dateText, "2023/12/03 10:00");
    const FileEntry eucJp =
        parseLine("-rw-r--r-- 1 owner group 100 1\xb7\xee 3 2020 a.txt", ServerType::Unix, 7);
    EXPECT_EQ(eucJp.dateText, "2020/01/03");
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

TEST(MsDosListing, DirectoriesAndFilesInBothCenturies) {
    const FileEntry directory =
        parseLine("07-15-99  07:30PM       <DIR>          web site", ServerType::WindowsNt);
    EXPECT_EQ(directory.kind, FileEntry::Directory);
    EXPECT_EQ(directory.name, "web site");
    EXPECT_EQ(directory.dateText, "1999/07/15  7:30");
    EXPECT_EQ(directory.dayText, "07:30PM");
    EXPECT_EQ(directory.style, ServerType::WindowsNt);

    const FileEntry file =
        parseLine("01-02-05  10:15AM                 1234 a  b.txt", ServerType::WindowsNt);
    EXPECT_EQ(file.kind, FileEntry::File);
    EXPECT_EQ(file.size, 1234);
    EXPECT_EQ(file.name, "a  b.txt");
    EXPECT_EQ(file.dateText, "2005/01/02 10:15");
    EXPECT_TRUE(file.attributes.empty());

    EXPECT_EQ(parseLine("12-31-89 11:59PM 1 y", ServerType::WindowsNt).dateText,
              "2089/12/31 11:59");
    EXPECT_EQ(parseLine("12-31-90 11:59PM 1 y", ServerType::WindowsNt).dateText,
              "1990/12/31 11:59");
    EXPECT_EQ(parseLine("07-15-1999 07:30 1 y", ServerType::WindowsNt).dateText,
              "1999/07/15  7:30");
    // The name is found in its own column, not inside the date or size that precede it.
    EXPECT_EQ(parseLine("01-12-99 10:00AM 12 99 bottles", ServerType::WindowsNt).name,
              "99 bottles");

    for (const char* line : {"07-15-99 07:30PM <DIR> .", "07-15-99 07:30PM <DIR> ..",
                             " Volume in drive C has no label", "", "01-02-05 10:15AM 1234"})
        EXPECT_EQ(parseLine(line, ServerType::WindowsNt).kind, FileEntry::NotAnEntry) << line;
}

TEST(StyleFallbacks, WindowsNtReadsUnixLinesAndNt4ReadsMsDosLines) {
    const FileEntry unixLine =
        parseLine("-rw-r--r-- 1 owner group 42 Jan 5 10:30 readme", ServerType::WindowsNt, 7);
    EXPECT_EQ(unixLine.style, ServerType::Unix);
    EXPECT_EQ(unixLine.kind, FileEntry::File);
    EXPECT_EQ(unixLine.name, "readme");
    EXPECT_EQ(unixLine.size, 42);
    const FileEntry link =
        parseLine("lrwxrwxrwx 1 owner group 3 Jan 5 10:30 l -> t", ServerType::WindowsNt, 7);
    EXPECT_EQ(link.style, ServerType::Unix);
    EXPECT_EQ(link.kind, FileEntry::Link);

    const FileEntry dosLine = parseLine("07-15-99 07:30PM <DIR> docs", ServerType::WindowsNt4);
    EXPECT_EQ(dosLine.style, ServerType::WindowsNt);
    EXPECT_EQ(dosLine.kind, FileEntry::Directory);
    EXPECT_EQ(dosLine.name, "docs");
    const FileEntry unixAgain =
        parseLine("drwxr-xr-x 1 owner group 0 Jan 5 10:30 docs", ServerType::WindowsNt4, 7);
    EXPECT_EQ(unixAgain.style, ServerType::WindowsNt4);
    EXPECT_EQ(unixAgain.kind, FileEntry::Directory);
}

TEST(Os2Listing, WithAndWithoutFlagColumn) {
    const FileEntry directory =
        parseLine("     0           DIR   12-18-97   18:28  SOME DIR", ServerType::Os2);
    EXPECT_EQ(directory.kind, FileEntry::Directory);
    EXPECT_EQ(directory.name, "SOME DIR");
    EXPECT_EQ(directory.dateText, "1997/12/18 18:28");
    EXPECT_EQ(directory.dayText, "18:28");

    const FileEntry flagged = parseLine("  2560      A    01-02-03   09:51  28", ServerType::Os2);
    EXPECT_EQ(flagged.kind, FileEntry::File);
    EXPECT_EQ(flagged.size, 2560);
    EXPECT_EQ(flagged.name, "28");
    EXPECT_EQ(flagged.dateText, "2003/01/02 09:51");

    const FileEntry plain = parseLine("  1234   07-16-99   09:51  read me.txt", ServerType::Os2);
    EXPECT_EQ(plain.kind, FileEntry::File);
    EXPECT_EQ(plain.size, 1234);
    EXPECT_EQ(plain.name, "read me.txt");
    EXPECT_EQ(plain.dateText, "1999/07/16 09:51");

    for (const char* line : {"0 DIR 12-18-97 18:28 .", "0 DIR 12-18-97 18:28 ..", "DIR x y z",
                             "0 DIR 12-18-97 18:28", ""})
        EXPECT_EQ(parseLine(line, ServerType::Os2).kind, FileEntry::NotAnEntry) << line;
}

TEST(MacintoshListing, FileAndFolderColumns) {
    const FileEntry file =
        parseLine("-------r--         326  1391972  1392298 Nov 22  1995 Mega Phone.sit",
                  ServerType::Macintosh);
    EXPECT_EQ(file.kind, FileEntry::File);
    EXPECT_EQ(file.nameColumn, 6);
    EXPECT_EQ(file.attributes, "-------r--");
    EXPECT_EQ(file.size, 1392298);
    EXPECT_EQ(file.name, "Mega Phone.sit");
    EXPECT_EQ(file.dateText, "1995/11/22");

    const FileEntry folder = parseLine(
        "drwxrwxr-x               folder        2 May 10 12:00 network", ServerType::Macintosh);
    EXPECT_EQ(folder.kind, FileEntry::Directory);
    EXPECT_EQ(folder.nameColumn, 5);
    EXPECT_EQ(folder.name, "network");
    EXPECT_EQ(folder.dateText, "2024/05/10 12:00");

    EXPECT_EQ(parseLine("total 3", ServerType::Macintosh).kind, FileEntry::NotAnEntry);
}

// Listings as these servers send them for "LIST -la", dated on 8 December 2026.
TEST(RealListings, Vsftpd) {
    const auto entries = parseListing(
        "drwxr-xr-x    4 0        0            4096 Dec 08 01:50 .\r\n"
        "drwxr-xr-x    4 0        0            4096 Dec 08 01:50 ..\r\n"
        "drwxr-xr-x    2 0        0            4096 Dec 08 01:50 dir with blanks\r\n"
        "lrwxrwxrwx    1 0        0               3 Dec 08 01:50 linkdir -> sub\r\n"
        "lrwxrwxrwx    1 0        0               9 Dec 08 01:50 linkfile -> plain.txt\r\n"
        "-rw-r--r--    1 0        0               0 Mar 04  2019 old.txt\r\n"
        "-rw-r--r--    1 0        0      5368709120 Oct 08 08:09 recent.iso\r\n"
        "-rw-r--r--    1 0        0               5 Dec 08 01:50 two  blanks.txt\r\n"
        "-rw-r--r--    1 0        0               1 Dec 08 01:50 \xe5\x90\x8d\xe5\x89\x8d.txt\r\n",
        ServerType::Unix, 2026, 12);
    ASSERT_EQ(entries.size(), 9u);
    struct Expected {
        int kind;
        const char* name;
        std::int64_t size;
        const char* date;
    };
    const Expected expected[] = {
        {FileEntry::NotAnEntry, "", 0, ""},
        {FileEntry::NotAnEntry, "", 0, ""},
        {FileEntry::Directory, "dir with blanks", 4096, "2026/12/08 01:50"},
        {FileEntry::Link, "linkdir", 3, "2026/12/08 01:50"},
        {FileEntry::Link, "linkfile", 9, "2026/12/08 01:50"},
        {FileEntry::File, "old.txt", 0, "2019/03/04"},
        {FileEntry::File, "recent.iso", 5368709120, "2026/10/08 08:09"},
        {FileEntry::File, "two  blanks.txt", 5, "2026/12/08 01:50"},
        {FileEntry::File, "\xe5\x90\x8d\xe5\x89\x8d.txt", 1, "2026/12/08 01:50"},
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].kind, expected[i].kind) << i;
        if (expected[i].kind == FileEntry::NotAnEntry) continue;
        EXPECT_EQ(entries[i].name, expected[i].name) << i;
        EXPECT_EQ(entries[i].size, expected[i].size) << i;
        EXPECT_EQ(entries[i].dateText, expected[i].date) << i;
    }
}

TEST(RealListings, Pyftpdlib) {
    // No dot lines: the first entry, whose name has blanks, teaches a column that later
    // lines correct by the month search.
    const auto entries = parseListing(
        "drwxr-xr-x   2 root     root         4096 Dec 08 01:50 dir with blanks\r\n"
        "lrwxrwxrwx   1 root     root            3 Dec 08 01:50 linkdir -> sub\r\n"
        "-rw-r--r--   1 root     root            0 Mar 04  2019 old.txt\r\n"
        "-rw-r--r--   1 root     root            1 Dec 08 01:50 plain.txt\r\n"
        "drwxr-xr-x   2 root     root         4096 Dec 08 01:50 sub\r\n"
        "-rw-r--r--   1 root     root            5 Dec 08 01:50 two  blanks.txt\r\n",
        ServerType::Unix, 2026, 12);
    ASSERT_EQ(entries.size(), 6u);
    const char* names[] = {"dir with blanks", "linkdir", "old.txt",
                           "plain.txt",       "sub",     "two  blanks.txt"};
    const int kinds[] = {FileEntry::Directory, FileEntry::Link,      FileEntry::File,
                         FileEntry::File,      FileEntry::Directory, FileEntry::File};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, names[i]) << i;
        EXPECT_EQ(entries[i].kind, kinds[i]) << i;
    }
    EXPECT_EQ(entries[2].dateText, "2019/03/04");
    EXPECT_EQ(entries[3].size, 1);
}

TEST(Sizes, AreSixtyFourBitAndNeverOverflow) {
    EXPECT_EQ(
        parseLine("-rw-r--r-- 1 owner group 5368709120 Jan 5 10:30 big.iso", ServerType::Unix).size,
        5368709120);
    EXPECT_EQ(parseLine("01-02-05 10:15AM 5368709120 big.iso", ServerType::WindowsNt).size,
              5368709120);
    EXPECT_EQ(parseLine("5368709120 A 01-02-05 10:15 big.iso", ServerType::Os2).size, 5368709120);
    EXPECT_EQ(
        parseLine("-rw-r--r-- 0 0 5368709120 Jan 5 10:30 big.iso", ServerType::Macintosh).size,
        5368709120);

    // Beyond 64 bits the size saturates; the entry stays usable.
    const FileEntry huge =
        parseLine("-rw-r--r-- 1 owner group 99999999999999999999999999 Jan 5 10:30 huge",
                  ServerType::Unix, 7);
    EXPECT_EQ(huge.kind, FileEntry::File);
    EXPECT_EQ(huge.size, INT64_MAX);
    EXPECT_EQ(parseLine("01-02-05 10:15AM -12 neg", ServerType::WindowsNt).size, 0);
}

TEST(LongLines, AreNeverCut) {
    const std::string name = std::string(640, 'n') + " and more.txt";
    const std::string line = "-rw-r--r--   1 owner    group   1234 Jan  5 10:30 " + name;
    ASSERT_GT(line.size(), 700u);
    const FileEntry entry = parseLine(line, ServerType::Unix, 7);
    EXPECT_EQ(entry.line, line);
    EXPECT_EQ(entry.name, name);
    EXPECT_EQ(parseLine("07-15-99 07:30PM 1 " + name, ServerType::WindowsNt).name, name);
}

TEST(HostileInput, IsReadSafelyAndNeverYieldsAnUnusableEntry) {
    using namespace std::string_literals;
    // Each of these is no entry in any style.
    const std::vector<std::string> noEntries = {
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
    const std::vector<std::string> oddLines = {
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
    for (int style = ServerType::Unidentified; style <= ServerType::Macintosh + 1; ++style) {
        for (int column : {0, 1, 4, 7, 100000, -5}) {
            for (const std::string& line : noEntries)
                EXPECT_EQ(parseLine(line, style, column).kind, FileEntry::NotAnEntry)
                    << "style " << style << " column " << column << ": " << line;
            for (const std::string& line : oddLines) {
                const FileEntry entry = parseLine(line, style, column);
                if (entry.kind == FileEntry::NotAnEntry) continue;
                EXPECT_FALSE(entry.name.empty() || entry.name == "." || entry.name == "..");
                EXPECT_NE(line.find(entry.name), std::string::npos);
                EXPECT_GE(entry.size, 0);
            }
        }
    }
    // NUL bytes are bytes like any other: kept in the name, never an end of the line.
    const std::string withNul = "-rw-r--r-- 1 owner group 5 Jan 5 10:30 a\0b c"s;
    const FileEntry entry = parseLine(withNul, ServerType::Unix, 7);
    EXPECT_EQ(entry.kind, FileEntry::File);
    EXPECT_EQ(entry.name, "a\0b c"s);
}
