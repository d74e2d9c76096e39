// Machine listing lines read into entries: one row is a line and the entry it must give.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "mlsdlisting.h"

using ftp::FileEntry;
using namespace std::string_literals;

namespace {

// Times are read in a fixed zone; the one the test run had comes back afterwards.
class ZoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* zone = std::getenv("TZ")) saved_ = zone;
        useZone("CST-8");
    }
    void TearDown() override {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    static void useZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

// "none", or "kind|name|size|date|attributes".
std::string describe(const FileEntry& entry) {
    static const char* const kinds[] = {"none", "file", "dir", "", "link"};
    if (entry.kind == FileEntry::NotAnEntry) return "none";
    return std::string(kinds[entry.kind]) + "|" + entry.name + "|" + std::to_string(entry.size) +
           "|" + entry.dateText + "|" + entry.attributes;
}

std::string readMlsd(const std::string& line) {
    FileEntry entry(line, 0);
    const int kind = ftp::parseMlsdLine(entry);
    EXPECT_EQ(kind, entry.kind) << line;
    return describe(entry);
}

struct Row {
    const char* what;
    std::string line;
    std::string entry;
};

// Zone CST-8: eight hours ahead of UTC.
const Row kMlsdRows[] = {
    {"file", "type=file;size=1234;modify=20240115103000; index.html",
     "file|index.html|1234|2024/01/15 18:30|"},
    {"facts in any order and case, fraction of seconds",
     "Modify=20240115103000.123;SIZE=5;Type=File; a  b.txt", "file|a  b.txt|5|2024/01/15 18:30|"},
    {"the name begins after exactly one blank", "type=file;size=1;  lead", "file| lead|1||"},
    {"folder; its size as the server gives it, the date across the year's end",
     "type=dir;size=4096;modify=20231231200000; site", "dir|site|4096|2024/01/01 04:00|"},
    {"sizd is not size", "type=dir;sizd=4096; site", "dir|site|0||"},
    {"current folder", "type=cdir;modify=20240115103000; .", "none"},
    {"current folder by path", "type=cdir; /home/web", "none"},
    {"parent folder", "type=pdir; ..", "none"},
    {"link with target", "type=OS.unix=slink:/etc/target;size=8; link", "link|link|8||"},
    {"link without target, any case", "Type=os.UNIX=SymLink; link", "link|link|0||"},
    {"device", "type=OS.unix=chr-13/29; tty", "none"},
    {"unknown facts ignored",
     "perm=adfr;unique=801U1;UNIX.owner=web;lang=en;type=file;size=3;media-type=text/x; x.txt",
     "file|x.txt|3||"},
    {"octal mode, file", "type=file;size=0;UNIX.mode=0644; f", "file|f|0||-rw-r--r--"},
    {"octal mode, folder", "type=dir;unix.mode=755; d", "dir|d|0||drwxr-xr-x"},
    {"octal mode with file type bits", "type=OS.unix=symlink;unix.mode=120777; l",
     "link|l|0||lrwxrwxrwx"},
    {"octal mode with a 0o prefix", "type=file;unix.mode=0o644; f", "file|f|0||-rw-r--r--"},
    {"mode as text", "type=file;UNIX.mode=-rwxr-x---; run", "file|run|0||-rwxr-x---"},
    {"mode that does not read", "type=file;UNIX.mode=0999; f", "file|f|0||"},
    {"no type: a file", "size=10; plain", "file|plain|10||"},
    {"no facts at all", " plain", "file|plain|0||"},
    {"empty fact", "type=file;;size=2; x", "file|x|2||"},
    {"size over 4 GiB", "type=file;size=5000000000; big.iso", "file|big.iso|5000000000||"},
    {"GBK name kept as bytes", "type=file;size=1; \xD6\xD0\xCE\xC4.txt",
     "file|\xD6\xD0\xCE\xC4.txt|1||"},
    {"impossible date: no date", "type=file;size=1;modify=20240231000000; f", "file|f|1||"},
    {"short date: no date", "type=file;size=1;modify=2024011510; f", "file|f|1||"},
    {"date with a bare point: no date", "type=file;size=1;modify=20240115103000.; f", "file|f|1||"},
    {"leap second", "type=file;size=1;modify=20161231235960; f", "file|f|1|2017/01/01 07:59|"},
    // Names that would leave the folder or break a command.
    {"slash", "type=file;size=1; a/b", "none"},
    {"path", "type=file;size=1; ../etc/passwd", "none"},
    {"absolute path", "type=file;size=1; /etc/passwd", "none"},
    {"dot dot as a file", "type=file;size=1; ..", "none"},
    {"dot as a folder", "type=dir; .", "none"},
    {"empty name", "type=file;size=1; ", "none"},
    {"carriage return", "type=file;size=1; a\rb", "none"},
    {"line feed", "type=file;size=1; a\nb", "none"},
    {"NUL", "type=file;size=1; a\0b"s, "none"},
    // Lines that do not read.
    {"empty line", "", "none"},
    {"no blank before the name", "type=file;size=12", "none"},
    {"fact without a value sign", "no facts here", "none"},
    {"fact without a name", "=file; x", "none"},
    {"size with letters", "type=file;size=12x; x", "none"},
    {"negative size", "type=file;size=-1; x", "none"},
    {"size beyond 64 bits", "type=file;size=99999999999999999999; x", "none"},
    {"empty size", "type=file;size=; x", "none"},
};

TEST_F(ZoneTest, MlsdLineTable) {
    for (const Row& row : kMlsdRows)
        EXPECT_EQ(readMlsd(row.line), row.entry) << row.what;
}

TEST_F(ZoneTest, MlstLineTable) {
    const Row rows[] = {
        {"path with blanks", " type=file;size=3;modify=20240115103000; /pub/a b.txt",
         "file|/pub/a b.txt|3|2024/01/15 18:30|"},
        {"without the leading blank", "type=dir; /pub", "dir|/pub|0||"},
        {"relative path", " type=file;size=1; ../up", "file|../up|1||"},
        {"carriage return", " type=file;size=1; /a\rb", "none"},
        {"NUL", " type=file;size=1; /a\0b"s, "none"},
        {"empty path", " type=file;size=1; ", "none"},
        {"no facts", " /pub", "none"},
    };
    for (const Row& row : rows) {
        FileEntry entry(row.line, 0);
        ftp::parseMlstLine(entry);
        EXPECT_EQ(describe(entry), row.entry) << row.what;
    }
}

TEST_F(ZoneTest, ModifyIsShownInTheLocalZone) {
    const struct {
        const char* zone;
        const char* modify;
        const char* date;
    } rows[] = {
        {"UTC0", "20240115103000", "2024/01/15 10:30"},
        {"CST-8", "20240115183000", "2024/01/16 02:30"},
        {"EST5EDT,M3.2.0,M11.1.0", "20240115103000", "2024/01/15 05:30"},  // winter
        {"EST5EDT,M3.2.0,M11.1.0", "20240715103000", "2024/07/15 06:30"},  // summer
        {"UTC0", "19700101000000", "1970/01/01 00:00"},
    };
    for (const auto& row : rows) {
        useZone(row.zone);
        EXPECT_EQ(readMlsd("type=file;size=0;modify="s + row.modify + "; f"),
                  "file|f|0|"s + row.date + "|")
            << row.zone << " " << row.modify;
    }
}

TEST(FtpTimestamp, ReadsOnlyRealUtcTimes) {
    const struct {
        const char* text;
        std::time_t when;  // -1: refused
    } rows[] = {
        {"19700101000000", 0},          {"20000229120000.5", 951825600},
        {"20380119031408", 2147483648}, {"19000229000000", -1},  // 1900 was no leap year
        {"20241301000000", -1},         {"20240100000000", -1},
        {"20240101240000", -1},         {"20240101006000", -1},
        {"2024011512000a", -1},         {"20240115120000.1x", -1},
        {" 20240115120000", -1},        {"", -1},
    };
    for (const auto& row : rows) {
        std::time_t when = -1;
        EXPECT_EQ(ftp::parseFtpTimestamp(row.text, when), row.when != -1) << row.text;
        EXPECT_EQ(when, row.when) << row.text;
    }
}

}  // namespace
