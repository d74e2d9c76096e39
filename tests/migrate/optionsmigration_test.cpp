// Option values, mail list, contents manager, colours, bookmarks, templates and the user
// dictionary carried from the earlier edition.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>

#include "optionsmigration.h"
#include "previousedition.h"

using migration::migrateOptions;
using namespace previousedition;

namespace {

const char* const kOldOptions = "Software\\Korvex\\TSY4W\\Lumora\\Settings\\Options";
const char* const kOldContentsMgr = "Software\\Korvex\\TSY4W\\Lumora\\Settings\\Contents Mgr";

// Every option value and its default, as the earlier edition defined them.
const std::map<std::string, std::uint32_t> kDwordDefaults = {{"insLayerCurpos", 0},
                                                             {"autoSiteOpen", 0},
                                                             {"breakParagraph", 0},
                                                             {"AutoFormat", 0},
                                                             {"htmlSyntaxError", 0},
                                                             {"errorLevel", 0},
                                                             {"NoWrapDelete", 0},
                                                             {"gridMode", 0},
                                                             {"useProxy", 0},
                                                             {"outputCodeset", 0},
                                                             {"inputCodeset", 0},
                                                             {"generateContentType", 0},
                                                             {"wrap", 0},
                                                             {"textColor", 0},
                                                             {"popupAttributeDialog", 1},
                                                             {"askSiteDialog", 1},
                                                             {"clearTable", 1},
                                                             {"GeneratorOut", 1},
                                                             {"showNewline", 1},
                                                             {"showComment", 1},
                                                             {"statusField", 1},
                                                             {"gridAdjust", 1},
                                                             {"endOfLineCode", 1},
                                                             {"makeBackupFile", 1},
                                                             {"makeAutosaveFile", 1},
                                                             {"coloring", 1},
                                                             {"linkPathStyle", 2},
                                                             {"defaultMapStyle", 3},
                                                             {"frameType", 3},
                                                             {"autosaveInterval", 3},
                                                             {"fontSize", 10},
                                                             {"gridStep", 50},
                                                             {"sourceFontSize", 180},
                                                             {"valueColor", 0xFF},
                                                             {"commentColor", 0x7FFF},
                                                             {"errorColor", 0xFF00},
                                                             {"tagColor", 0xFF0000},
                                                             {"attributeColor", 0x7F007F},
                                                             {"gridColor", 0xCC99FF},
                                                             {"linkTree", 0x2000002},
                                                             {"fileTree", 0x06200000}};
const std::map<std::string, std::string> kStringDefaults = {
    {"defaultBackground", ""},
    {"documentRoot", ""},
    {"imageDirectory", ""},
    {"httpProxy", ""},
    {"httpPort", ""},
    {"charset", ""},
    {"wwwBrowser", ""},
    {"appletViewer", ""},
    {"imageEditor", ""},
    {"textEditor", ""},
    {"UserDict", ""},
    {"proportionalFontName", "Times New Roman"},
    {"fixedFontName", "Courier New"},
    {"sourceFont", "Courier New"},
    {"defaultSuffix", "htm"},
    {"docType", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">"},
    {"dicLang", "us"}};

const std::string kNone = "(none)";
constexpr std::uint32_t kNoNumber = 0xDEADBEEF;

std::string text(const std::string& key, const std::string& name) {
    return currentKey(key).GetValueString(name, kNone);
}
std::uint32_t number(const std::string& key, const std::string& name) {
    return currentKey(key).GetValueDWORD(name, kNoNumber);
}

class OptionsMigration : public ::testing::Test {
protected:
    const std::string options_ = tsy::CTscCommon::getHKCUTsypageOptions();
    const std::string contents_ = tsy::CTscCommon::getHKCUTsypageContentsMgr();
    const std::string mail_ = tsy::CTscCommon::getHKCUTsypageBase() + "\\Recent Mail List";
    const std::string templates_ = tsy::CTscCommon::getHKCUTsypageSettings() + "\\Template";
    ScratchConfig config_;
};

TEST_F(OptionsMigration, WithoutPreviousKeysEveryValueGetsItsDefault) {
    EXPECT_FALSE(migration::oldSettingsFound());
    // Values of ours are overwritten with the defaults too.
    userKey(options_).SetValueDWORD("fontSize", 14);
    userKey(options_).SetValueString("docType", "<!DOCTYPE html>");
    userKey(contents_ + "\\CustomColor").SetValueDWORD("Color3", 0x123456);
    userKey(templates_).SetValueString("MailAddr1", "ours@example.org");
    EXPECT_TRUE(migrateOptions());

    for (const auto& [name, value] : kDwordDefaults)
        EXPECT_EQ(number(options_, name), value) << name;
    for (const auto& [name, value] : kStringDefaults)
        EXPECT_EQ(text(options_, name), value) << name;
    EXPECT_EQ(number(contents_, "Imageframe size"), 0u);
    EXPECT_EQ(number(contents_, "Background"), 0u);
    EXPECT_EQ(number(contents_, "HTMLThumbnail"), 0u);
    EXPECT_EQ(text(contents_, "Fileinfo"), "Times New Roman");
    EXPECT_EQ(text(contents_, "Status"), "Times New Roman");
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(number(contents_ + "\\CustomColor", "Color" + std::to_string(i)), 0xFFFFFFu) << i;
    EXPECT_EQ(text(templates_, "MailAddr1"), "");
    EXPECT_EQ(text(templates_, "MailAddr2"), "");
    // No mail entries, no bookmarks: nothing written there.
    EXPECT_FALSE(currentKey(mail_).Exists());
    EXPECT_FALSE(currentKey(contents_ + "\\Bookmark").Exists());
}

TEST_F(OptionsMigration, PreviousValuesAreCopiedAndTheTreeLayoutConverted) {
    auto old = userKey(kOldOptions);
    old.SetValueDWORD("fontSize", 12);
    old.SetValueDWORD("tagColor", 0x00AA00);
    old.SetValueString("documentRoot", "/home/ann/www");
    old.SetValueString("docType", "<!DOCTYPE html>");
    old.SetValueDWORD("fileTree", 0x62000000);
    EXPECT_TRUE(migration::oldSettingsFound());
    EXPECT_TRUE(migrateOptions());
    EXPECT_EQ(number(options_, "fontSize"), 12u);
    EXPECT_EQ(number(options_, "tagColor"), 0x00AA00u);
    EXPECT_EQ(text(options_, "documentRoot"), "/home/ann/www");
    EXPECT_EQ(text(options_, "docType"), "<!DOCTYPE html>");
    EXPECT_EQ(number(options_, "fileTree"), 0x06200000u);
    EXPECT_EQ(number(options_, "gridStep"), 50u) << "missing values still get their default";

    old.SetValueDWORD("fileTree", 0);
    migrateOptions();
    EXPECT_EQ(number(options_, "fileTree"), 0u);
    // Only the bits of the new layout survive the shift.
    old.SetValueDWORD("fileTree", 0xFFFFFFFF);
    migrateOptions();
    EXPECT_EQ(number(options_, "fileTree"), 0x07F00000u);
}

TEST_F(OptionsMigration, MailListKeepsOursWherePreviousEntriesAreEmpty) {
    auto old = userKey("Software\\Korvex\\TSY4W\\Lumora\\Recent Mail List");
    old.SetValueString("mail1", "old1@example.org");
    old.SetValueString("mail2", "");
    old.SetValueString("mail10", "old10@example.org");
    old.SetValueString("mail11", "beyond@example.org");
    auto ours = userKey(mail_);
    ours.SetValueString("mail1", "new1@example.org");
    ours.SetValueString("mail2", "new2@example.org");
    ours.SetValueString("mail3", "new3@example.org");
    migrateOptions();
    EXPECT_EQ(text(mail_, "mail1"), "old1@example.org");
    EXPECT_EQ(text(mail_, "mail2"), "new2@example.org");
    EXPECT_EQ(text(mail_, "mail3"), "new3@example.org");
    EXPECT_EQ(text(mail_, "mail4"), kNone);
    EXPECT_EQ(text(mail_, "mail10"), "old10@example.org");
    EXPECT_EQ(text(mail_, "mail11"), kNone);
}

TEST_F(OptionsMigration, ContentsManagerColoursBookmarksAndTemplates) {
    auto old = userKey(kOldContentsMgr);
    old.SetValueDWORD("Background", 7);
    old.SetValueString("Status", "Noto Sans");
    userKey(std::string(kOldContentsMgr) + "\\CustomColor").SetValueDWORD("Color16", 0x102030);
    for (const char* name : {"Docs", "Images"}) {
        auto mark = userKey(std::string(kOldContentsMgr) + "\\Bookmark\\" + name);
        mark.SetValueDWORD("Filter", 4);
        mark.SetValueString("Path", std::string("/srv/") + name);
        mark.SetValueString("Title", std::string(name) + " folder");
    }
    userKey(contents_ + "\\Bookmark\\Ours").SetValueString("Path", "/srv/ours");
    userKey(contents_ + "\\Bookmark\\Docs").SetValueString("Extra", "kept");
    userKey("Software\\Korvex\\TSY4W\\Lumora\\Settings\\Template")
        .SetValueString("MailAddr2", "web@example.org");

    migrateOptions();
    EXPECT_EQ(number(contents_, "Background"), 7u);
    EXPECT_EQ(text(contents_, "Status"), "Noto Sans");
    EXPECT_EQ(text(contents_, "Fileinfo"), "Times New Roman");
    EXPECT_EQ(number(contents_ + "\\CustomColor", "Color16"), 0x102030u);
    EXPECT_EQ(number(contents_ + "\\CustomColor", "Color1"), 0xFFFFFFu);
    const std::string marks = contents_ + "\\Bookmark";
    std::vector<std::string> subKeys;
    std::string name;
    for (std::uint32_t i = 0; currentKey(marks).GetNextKey(i, name); ++i)
        subKeys.push_back(name);
    EXPECT_EQ(subKeys, (std::vector<std::string>{"Docs", "Images", "Ours"}));
    for (const std::string& mark : std::vector<std::string>{"Docs", "Images"}) {
        EXPECT_EQ(number(marks + "\\" + mark, "Filter"), 4u);
        EXPECT_EQ(text(marks + "\\" + mark, "Path"), "/srv/" + mark);
        EXPECT_EQ(text(marks + "\\" + mark, "Title"), mark + " folder");
    }
    EXPECT_EQ(text(marks + "\\Ours", "Path"), "/srv/ours");
    EXPECT_EQ(text(marks + "\\Docs", "Extra"), "kept");
    EXPECT_EQ(text(templates_, "MailAddr1"), "");
    EXPECT_EQ(text(templates_, "MailAddr2"), "web@example.org");
}

TEST_F(OptionsMigration, UserDictionaryFromTheInstalledEdition) {
    const std::string ours = config_.dir() + "/user.dic";
    // Not installed: the source is /bin/user.dic, which is not there; nothing changes.
    writeFile(ours, "our words\n");
    migrateOptions();
    EXPECT_EQ(readFile(ours), "our words\n");
    EXPECT_FALSE(std::filesystem::exists(ours + ".bak"));

    // Installed: its dictionary replaces ours, and ours is kept beside it.
    const std::string top = config_.root() + "/lumora";
    writeFile(top + "/bin/user.dic", "old words\n");
    setInstallFolder(top);
    migrateOptions();
    EXPECT_EQ(readFile(ours), "old words\n");
    EXPECT_EQ(readFile(ours + ".bak"), "our words\n");

    // The same dictionary again leaves the kept copy alone.
    migrateOptions();
    EXPECT_EQ(readFile(ours + ".bak"), "our words\n");
}

}  // namespace
