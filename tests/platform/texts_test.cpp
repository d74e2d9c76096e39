// The shipped text tables: each built-in table and its English module must parse
// cleanly, carry the same keys, and keep every placeholder, so that a module can never
// make a formatted message lose or misplace an argument.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "texttable.h"

namespace {

using platform::TextTable;

std::string readSource(const std::string& relative) {
    std::ifstream in(std::string(TEXTS_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TextTable load(const std::string& relative) {
    std::string source = readSource(relative);
    EXPECT_FALSE(source.empty()) << relative << " is missing or empty";
    std::vector<std::string> problems;
    TextTable table = TextTable::parse(source, &problems);
    for (const std::string& problem : problems)
        ADD_FAILURE() << relative << ": " << problem;
    EXPECT_FALSE(table.empty()) << relative;
    return table;
}

struct Placeholders {
    std::vector<std::string> numbered;  // "%1!s!": order free, sorted here
    std::vector<std::string> plain;     // "%s", "%4.1f": order binds
    bool operator==(const Placeholders&) const = default;
};

Placeholders placeholdersOf(const std::string& text) {
    static const std::regex numbered("%[0-9]+![^!]*!");
    static const std::regex plain("%[-+ #0]*[0-9]*(\\.[0-9]+)?[a-zA-Z]");
    Placeholders found;
    for (std::sregex_iterator it(text.begin(), text.end(), numbered), end; it != end; ++it)
        found.numbered.push_back(it->str());
    std::sort(found.numbered.begin(), found.numbered.end());
    std::string rest = std::regex_replace(text, numbered, "");
    for (std::sregex_iterator it(rest.begin(), rest.end(), plain), end; it != end; ++it)
        found.plain.push_back(it->str());
    return found;
}

std::string describe(const Placeholders& p) {
    std::string out;
    for (const auto& s : p.numbered)
        out += s + " ";
    out += "| ";
    for (const auto& s : p.plain)
        out += s + " ";
    return out;
}

// The key hint after the tab ("\t(Ctrl+D)") names a fixed key, not language.
std::string keyHint(const std::string& text) {
    std::size_t tab = text.find('\t');
    return tab == std::string::npos ? std::string() : text.substr(tab);
}

void expectModuleMatches(const std::string& builtInFile, const std::string& moduleFile) {
    SCOPED_TRACE(moduleFile);
    TextTable builtIn = load(builtInFile);
    TextTable module = load(moduleFile);

    ASSERT_EQ(builtIn.stringIds(), module.stringIds());
    ASSERT_EQ(builtIn.dialogKeys(), module.dialogKeys());
    ASSERT_EQ(builtIn.menuKeys(), module.menuKeys());

    auto compare = [](const std::string& where, const std::string& ours,
                      const std::string& theirs) {
        EXPECT_EQ(placeholdersOf(ours), placeholdersOf(theirs))
            << where << ": \"" << ours << "\" has " << describe(placeholdersOf(ours))
            << ", module text \"" << theirs << "\" has " << describe(placeholdersOf(theirs));
        EXPECT_FALSE(theirs.empty() && !ours.empty()) << where << " is empty in the module";
    };
    for (int id : builtIn.stringIds())
        compare("string " + std::to_string(id), *builtIn.string(id), *module.string(id));
    for (auto [dialog, control] : builtIn.dialogKeys())
        compare("dialog " + std::to_string(dialog) + " control " + std::to_string(control),
                *builtIn.dialogText(dialog, control), *module.dialogText(dialog, control));
    for (auto [menu, command] : builtIn.menuKeys()) {
        const std::string& ours = *builtIn.menuText(menu, command);
        const std::string& theirs = *module.menuText(menu, command);
        std::string where = "menu " + std::to_string(menu) + " command " + std::to_string(command);
        compare(where, ours, theirs);
        EXPECT_EQ(keyHint(ours), keyHint(theirs)) << where;
    }
}

TEST(ShippedTexts, TrandelEnglishModuleMatchesBuiltIn) {
    expectModuleMatches("app/texts/ftp_zh.txt", "app/texts/ftp_en.dll");
}

TEST(ShippedTexts, TsymigEnglishModuleMatchesBuiltIn) {
    expectModuleMatches("migrate/texts/mig_zh.txt", "migrate/texts/mig_en.dll");
}

// Escapes and significant blanks survive the file round trip.
TEST(ShippedTexts, EscapesAndBlanksAreKept) {
    TextTable ftp = load("app/texts/ftp_zh.txt");
    ASSERT_NE(ftp.string(1269), nullptr);
    EXPECT_EQ(*ftp.string(1269), std::string(23, ' '));
    ASSERT_NE(ftp.menuText(135, 32786), nullptr);
    EXPECT_EQ(*ftp.menuText(135, 32786), "列出非服务器中的文件\t(Ctrl+D)");
    ASSERT_NE(ftp.dialogText(159, 1038), nullptr);
    EXPECT_EQ(*ftp.dialogText(159, 1038), "+++++\n+++++\n+++++");

    TextTable mig = load("migrate/texts/mig_zh.txt");
    ASSERT_NE(mig.dialogText(102, 1), nullptr);
    EXPECT_EQ(*mig.dialogText(102, 1), " 确定");
    ASSERT_NE(mig.string(109), nullptr);
    EXPECT_TRUE(mig.string(109)->starts_with("  You can delete"));
}

TEST(ShippedTexts, PlaceholderScanSeesEveryKind) {
    Placeholders p = placeholdersOf("%1!s!%2!c!%3!s! and %4.1f K, %d of %s");
    EXPECT_EQ(p.numbered, (std::vector<std::string>{"%1!s!", "%2!c!", "%3!s!"}));
    EXPECT_EQ(p.plain, (std::vector<std::string>{"%4.1f", "%d", "%s"}));
    EXPECT_NE(placeholdersOf("%2!8d! of %1!8d!"), placeholdersOf("%1!8d! of %2!3d!"));
    EXPECT_NE(placeholdersOf("%s then %d"), placeholdersOf("%d then %s"));
}

}  // namespace
