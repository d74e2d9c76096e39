// The text format of the settings files, in memory.
#include <gtest/gtest.h>

#include "registrydata.h"

using tsy::RegistryData;

namespace {

TEST(RegistryFormat, EveryByteSurvivesAndTheFileStaysReadable) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    const std::string chinese = "服务器 \"引号\" 100% C:\\Site\\";
    const std::string brokenUtf8 =
        "a\xE6\x9C"
        "b\xC0\xAF"
        "c\xED\xA0\x80";

    RegistryData data;
    data.setString("Keys\\Name with ] and \" and %", all, all);
    data.setString("Keys", chinese, chinese);
    data.setString("Keys", "broken", brokenUtf8);
    data.setString("Keys", "", "the unnamed value");
    data.setDword("Keys", "max", 0xFFFFFFFFu);
    std::string text = data.serialize("heading\nsecond line");

    // Readable: valid UTF-8 and "\" stand as they are; line breaks inside values do not.
    EXPECT_NE(text.find("\"服务器 %22引号%22 100%25 C:\\Site\\\""), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.rfind("# heading\n# second line\n", 0), 0u);
    for (char c : text)
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);

    RegistryData back = RegistryData::parse(text);
    EXPECT_TRUE(back.badLines().empty());
    ASSERT_NE(back.findValue("Keys\\Name with ] and \" and %", all), nullptr);
    EXPECT_EQ(back.findValue("Keys\\Name with ] and \" and %", all)->text, all);
    EXPECT_EQ(back.findValue("Keys", chinese)->text, chinese);
    EXPECT_EQ(back.findValue("Keys", "broken")->text, brokenUtf8);
    EXPECT_EQ(back.findValue("Keys", "")->text, "the unnamed value");
    EXPECT_TRUE(back.findValue("Keys", "max")->isDword);
    EXPECT_EQ(back.findValue("Keys", "max")->dword, 0xFFFFFFFFu);
    EXPECT_EQ(back.serialize("heading\nsecond line"), text);
}

TEST(RegistryFormat, HandEditedFilesAreReadAndBadLinesCounted) {
    const char* text =
        "# comment\r\n"
        "\"before any key\" = 1\n"
        "  [Software\\\\Korvex\\Tessaly\\]  \r\n"
        "\"text\"=\"a b\"\n"
        "\"hex\" = 0x1F\n"
        "\"dup\" = 1\n"
        "\"dup\" = 2\n"
        "\"too big\" = 4294967296\n"
        "\"negative\" = -1\n"
        "\"unclosed = \"x\"\n"
        "\"bad escape\" = \"%G1\"\n"
        "\"trailing\" = \"x\" junk\n"
        "garbage\n"
        "\n"
        "[other]\n"
        "\"ok\" = \"yes\"";
    RegistryData data = RegistryData::parse(text);
    EXPECT_EQ(data.badLines(), (std::vector<std::size_t>{2, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(data.findValue("Software\\Korvex\\Tessaly", "text")->text, "a b");
    EXPECT_EQ(data.findValue("software\\KORVEX\\tessaly", "HEX")->dword, 31u);
    EXPECT_EQ(data.findValue("Software\\Korvex\\Tessaly", "dup")->dword, 2u);
    EXPECT_EQ(data.findValue("Software\\Korvex\\Tessaly", "too big"), nullptr);
    EXPECT_EQ(data.findValue("other", "ok")->text, "yes");
}

TEST(RegistryFormat, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
    RegistryData data;
    EXPECT_TRUE(data.setString("Software\\Korvex", "SiteDB", "a"));
    EXPECT_TRUE(data.setString("SOFTWARE\\korvex", "sitedb", "b"));
    EXPECT_FALSE(data.setString("software\\Korvex", "SITEDB", "b"));  // unchanged
    EXPECT_TRUE(data.setDword("software\\korvex", "siteDB", 7));      // the type may change
    std::string text = data.serialize("");
    EXPECT_NE(text.find("[Software\\Korvex]\n\"SiteDB\" = 7\n"), std::string::npos) << text;
}

TEST(RegistryFormat, SubKeysAreTheDirectChildrenInOrder) {
    RegistryData data;
    data.setDword("Bookmark\\b\\deep\\deeper", "x", 1);
    data.setDword("Bookmark\\B!", "x", 1);
    data.setDword("Bookmark\\b", "x", 1);
    data.setDword("Bookmark\\a", "x", 1);
    data.setDword("Bookmarks", "x", 1);
    data.setDword("Top", "x", 1);
    EXPECT_EQ(data.subKeys("Bookmark"), (std::vector<std::string>{"a", "b", "B!"}));
    EXPECT_EQ(data.subKeys("bookmark\\B"), (std::vector<std::string>{"deep"}));
    EXPECT_EQ(data.subKeys(""), (std::vector<std::string>{"Bookmark", "Bookmarks", "Top"}));
    EXPECT_TRUE(data.subKeys("Bookmark\\a").empty());
    EXPECT_TRUE(data.keyExists("Bookmark\\B\\Deep"));  // only a key below it has values
    EXPECT_FALSE(data.keyExists("Bookmark\\c"));
    EXPECT_FALSE(data.keyExists("Book"));
    EXPECT_EQ(tsy::normalizeKeyPath("\\\\Software\\\\Korvex\\"), "Software\\Korvex");
}

}  // namespace
