// Remote names between the server's bytes, the text people see and type, and local file
// names.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "nameencoding.h"

using ftp::NameEncoding;
using namespace std::string_literals;

namespace {

constexpr NameEncoding kAuto = NameEncoding::Automatic;
constexpr NameEncoding kUtf8 = NameEncoding::Utf8;
constexpr NameEncoding kGb = NameEncoding::Gb18030;

// The same names as UTF-8 text and as GB18030 (GBK for the first two) bytes.
const char* const kChineseText = "中文.txt";
const std::string kChineseGbk = "\xD6\xD0\xCE\xC4.txt";
const char* const kFolderText = "新建文件夹";
const std::string kFolderGbk = "\xD0\xC2\xBD\xA8\xCE\xC4\xBC\xFE\xBC\xD0";
const char* const kEmojiText = "\xF0\x9F\x98\x80";  // beyond GBK: four bytes in GB18030
const char* const kEmojiGb = "\x94\x39\xFC\x36";
#define REPLACEMENT "\xEF\xBF\xBD"

TEST(NameEncoding, EffectiveEncoding) {
    const struct {
        NameEncoding chosen;
        bool offersUtf8;
        bool validUtf8;
        NameEncoding effective;
    } rows[] = {
        {kAuto, true, true, kUtf8}, {kAuto, true, false, kUtf8},  {kAuto, false, true, kUtf8},
        {kAuto, false, false, kGb}, {kUtf8, false, false, kUtf8}, {kGb, true, true, kGb},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ftp::effectiveEncoding(row.chosen, row.offersUtf8, row.validUtf8), row.effective)
            << static_cast<int>(row.chosen) << row.offersUtf8 << row.validUtf8;
}

TEST(NameEncoding, Utf8Validity) {
    for (const std::string& good : std::initializer_list<std::string>{
             "", "index.html", kChineseText, kEmojiText, "\xEF\xBF\xBD"})
        EXPECT_TRUE(ftp::isValidUtf8(good)) << good;
    for (const std::string& bad : std::initializer_list<std::string>{
             kChineseGbk, kFolderGbk, "\xC0\xAF"s /* overlong "/" */,
             "\xED\xA0\x80"s /* surrogate */, "\xF4\x90\x80\x80"s /* above U+10FFFF */,
             "\xE4\xB8"s /* cut short */, "\x80"s})
        EXPECT_FALSE(ftp::isValidUtf8(bad)) << bad;
}

TEST(NameEncoding, ListingsAreUtf8WhenEveryEntrysNameIs) {
    auto entry = [](const std::string& name, int kind) {
        ftp::FileEntry e("", 0);
        e.name = name;
        e.kind = kind;
        return e;
    };
    const ftp::FileEntry ascii = entry("a", ftp::FileEntry::File);
    const ftp::FileEntry chinese = entry(kChineseText, ftp::FileEntry::Directory);
    const ftp::FileEntry gbk = entry(kChineseGbk, ftp::FileEntry::Link);
    const ftp::FileEntry gbkHeader = entry(kChineseGbk, ftp::FileEntry::NotAnEntry);
    EXPECT_TRUE(ftp::allNamesValidUtf8({}));
    EXPECT_TRUE(ftp::allNamesValidUtf8({ascii, chinese, gbkHeader}));
    EXPECT_FALSE(ftp::allNamesValidUtf8({ascii, gbk}));
}

TEST(NameEncoding, SafeListingNames) {
    for (const std::string& good :
         std::initializer_list<std::string>{"a", "...", ".hidden", "a b", kChineseGbk, "a\\b"})
        EXPECT_TRUE(ftp::isSafeListingName(good)) << good;
    for (const std::string& bad : std::initializer_list<std::string>{""s, "."s, ".."s, "a/b"s, "/"s,
                                                                     "a\rb"s, "a\nb"s, "a\0b"s})
        EXPECT_FALSE(ftp::isSafeListingName(bad)) << bad;
}

struct Row {
    const char* what;
    std::string bytes;
    NameEncoding encoding;
    std::string text;
};

TEST(NameEncoding, ServerBytesForDisplay) {
    const Row rows[] = {
        {"GBK name", kChineseGbk, kGb, kChineseText},
        {"GBK folder", kFolderGbk, kGb, kFolderText},
        {"four-byte GB18030", kEmojiGb, kGb, kEmojiText},
        {"UTF-8 name", kChineseText, kUtf8, kChineseText},
        {"automatic reads UTF-8", kChineseText, kAuto, kChineseText},
        {"ASCII in GB18030", "index.html", kGb, "index.html"},
        {"invalid byte in GB18030, the rest still read", "\xD6\xD0\xFF\xCE\xC4", kGb,
         "中" REPLACEMENT "文"},
        {"lead byte before a blank", "\xD6 x", kGb, REPLACEMENT " x"},
        {"cut short at the end", "\xD6\xD0\xD6", kGb, "中" REPLACEMENT},
        {"four-byte sequence cut short", "a\x94\x39", kGb, "a" REPLACEMENT "9"},
        {"GBK read as UTF-8", kChineseGbk, kUtf8,
         REPLACEMENT REPLACEMENT REPLACEMENT REPLACEMENT ".txt"},
        {"invalid byte in UTF-8",
         "a\xFF"
         "b",
         kUtf8, "a" REPLACEMENT "b"},
        {"overlong UTF-8", "\xC0\xAF", kUtf8, REPLACEMENT REPLACEMENT},
        {"empty", "", kGb, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ftp::nameForDisplay(row.bytes, row.encoding), row.text) << row.what;
}

TEST(NameEncoding, TypedTextForTheServer) {
    const Row rows[] = {
        {"GB18030 profile", kChineseGbk, kGb, kChineseText},
        {"GB18030 folder", kFolderGbk, kGb, kFolderText},
        {"beyond GBK", kEmojiGb, kGb, kEmojiText},
        {"UTF-8 goes as it is", kChineseText, kUtf8, kChineseText},
        {"automatic as UTF-8", kChineseText, kAuto, kChineseText},
        {"local bytes that are not UTF-8 go as they are to a UTF-8 server", "\xFF", kUtf8, "\xFF"},
        {"ASCII", "a b.txt", kGb, "a b.txt"},
    };
    for (const Row& row : rows) {
        std::string bytes = "unchanged";
        EXPECT_TRUE(ftp::nameForServer(row.text, row.encoding, bytes)) << row.what;
        EXPECT_EQ(bytes, row.bytes) << row.what;
        // What is shown is typed back as the same bytes, when the bytes read at all.
        if (!ftp::isValidUtf8(row.text)) continue;
        std::string back;
        EXPECT_TRUE(
            ftp::nameForServer(ftp::nameForDisplay(row.bytes, row.encoding), row.encoding, back));
        EXPECT_EQ(back, row.bytes) << row.what;
    }
    std::string bytes = "unchanged";
    EXPECT_FALSE(ftp::nameForServer("a\xFF", kGb, bytes));
    EXPECT_EQ(bytes, "unchanged");
}

TEST(NameEncoding, LocalFileNames) {
    const struct {
        const char* what;
        std::string bytes;
        NameEncoding encoding;
        std::string local;
        bool changed;
    } rows[] = {
        {"GBK name", kChineseGbk, kGb, kChineseText, false},
        {"UTF-8 name", kFolderText, kUtf8, kFolderText, false},
        {"a name that does not convert", "a\xFF.txt", kGb, "a" REPLACEMENT ".txt", true},
        {"GBK on a UTF-8 profile", "\xD6\xD0.txt", kUtf8, REPLACEMENT REPLACEMENT ".txt", true},
        {"slash", "a/b", kUtf8, "a_b", true},
        {"slash after GBK", "\xD6\xD0/x", kGb, "中_x", true},
        {"NUL", "a\0b"s, kGb, "a_b", true},
        {"line break", "a\r\nb", kUtf8, "a__b", true},
        {"dot", ".", kUtf8, "_.", true},
        {"dot dot", "..", kGb, "_..", true},
        {"empty", "", kUtf8, "_", true},
        {"dots are fine inside names", "..a", kUtf8, "..a", false},
    };
    for (const auto& row : rows) {
        const ftp::LocalName local = ftp::localFileName(row.bytes, row.encoding);
        EXPECT_EQ(local.name, row.local) << row.what;
        EXPECT_EQ(local.changed, row.changed) << row.what;
        EXPECT_TRUE(ftp::isValidUtf8(local.name)) << row.what;
    }
}

}  // namespace
