// Registry keys over the settings files.
#include <gtest/gtest.h>

#include <filesystem>

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "scratchconfig.h"
#include "testfiles.h"

using testsupport::readFile;
using testsupport::writeFile;
using tsy::CRegistryBase;
using tsy::HKEY_CURRENT_USER;
using tsy::HKEY_LOCAL_MACHINE;

namespace {

TEST(Registry, StringsAndDwordsRoundTripThroughTheFile) {
    ScratchConfig config;
    const std::string settings = tsy::CTscCommon::getHKCUTsypageSettings();
    {
        CRegistryBase key(settings, HKEY_CURRENT_USER, 1);
        EXPECT_TRUE(key.SetValueDWORD("migrationDone", 1));
        EXPECT_TRUE(key.SetValueDWORD("wndpl_ptMinPosX", static_cast<std::uint32_t>(-1)));
        EXPECT_TRUE(
            key.SetValueString("docType", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">"));
        EXPECT_TRUE(key.SetValueString("multi", "line one\nline two\r\n\ttab %41"));
        EXPECT_TRUE(key.SetValueString("empty", ""));
    }
    // A fresh key object, as another program would open it.
    CRegistryBase key(settings, HKEY_CURRENT_USER, 0);
    EXPECT_EQ(key.GetValueDWORD("migrationDone", 0, 1), 1u);
    EXPECT_EQ(static_cast<int>(key.GetValueDWORD("wndpl_ptMinPosX", 0, 1)), -1);
    EXPECT_EQ(key.GetValueString("docType", "", 1),
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">");
    EXPECT_EQ(key.GetValueString("multi", "", 1), "line one\nline two\r\n\ttab %41");
    EXPECT_EQ(key.GetValueString("empty", "default", 1), "");  // stored empty is not missing
    EXPECT_EQ(key.GetValueString("MIGRATIONDONE", "as text", 1), "as text");  // other type
    EXPECT_EQ(key.GetValueDWORD("docType", 9, 1), 9u);

    // Overwriting replaces the value, also with the other type.
    CRegistryBase writer(settings, HKEY_CURRENT_USER, 1);
    EXPECT_TRUE(writer.SetValueString("migrationDone", "now a text"));
    EXPECT_EQ(key.GetValueString("migrationdone", "", 1), "now a text");
}

TEST(Registry, MissingKeysAndValuesReadAsTheirDefaults) {
    ScratchConfig config;
    CRegistryBase missing("Software\\Korvex\\TSY4W\\Lumora\\Settings\\Site", HKEY_CURRENT_USER, 0);
    EXPECT_FALSE(missing.Exists());
    EXPECT_EQ(missing.GetValueString("SiteDB", "", 0), "");
    EXPECT_EQ(missing.GetValueString("SiteProf", "STP", 1), "STP");
    EXPECT_EQ(missing.GetValueDWORD("fileTree", 0x62000000, 1), 0x62000000u);
    std::string name = "untouched";
    EXPECT_FALSE(missing.GetNextKey(0, name));
    // Nothing was created by reading, nor by a key only opened for writing.
    CRegistryBase writable("Software\\Korvex\\New", HKEY_CURRENT_USER, 1);
    EXPECT_FALSE(writable.Exists());
    EXPECT_FALSE(std::filesystem::exists(config.dir()));

    EXPECT_TRUE(writable.SetValueDWORD("Filter", 0));
    EXPECT_TRUE(writable.Exists());
    EXPECT_EQ(writable.GetValueString("other", "dflt", 1), "dflt");
}

TEST(Registry, ReadOnlyKeysNeverWrite) {
    ScratchConfig config;
    CRegistryBase readOnly("Software\\Korvex\\TSY4W\\Lumora\\Settings\\Options", HKEY_CURRENT_USER,
                           0);
    EXPECT_FALSE(readOnly.SetValueString("docType", "x"));
    EXPECT_FALSE(readOnly.SetValueDWORD("wrap", 1));
    EXPECT_FALSE(std::filesystem::exists(tsy::RegistryStore::filePath(HKEY_CURRENT_USER)));
}

TEST(Registry, SubKeysAreEnumeratedByIndex) {
    ScratchConfig config;
    const std::string bookmarks = tsy::CTscCommon::getHKCUTsypageContentsMgr() + "\\Bookmark";
    for (const char* name : {"Zeta", "alpha", "Beta"}) {
        CRegistryBase sub(bookmarks + "\\" + name, HKEY_CURRENT_USER, 1);
        sub.SetValueString("Path", std::string("/srv/") + name);
    }
    CRegistryBase deeper(bookmarks + "\\Beta\\inner", HKEY_CURRENT_USER, 1);
    deeper.SetValueDWORD("Filter", 1);

    CRegistryBase key(bookmarks, HKEY_CURRENT_USER, 0);
    std::vector<std::string> names;
    char buffer[256];
    for (std::uint32_t i = 0; key.GetNextKey(i, buffer, sizeof buffer); ++i)
        names.push_back(buffer);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "Zeta"}));

    // Opening "%s\%s" with an enumerated name reaches the sub-key.
    CRegistryBase beta(bookmarks + "\\" + names[1], HKEY_CURRENT_USER, 0);
    EXPECT_EQ(beta.GetValueString("Path", "", 1), "/srv/Beta");

    // A name that does not fit is not cut short.
    char small[5];
    EXPECT_FALSE(key.GetNextKey(0, small, sizeof small));
    EXPECT_STREQ(small, "");
    EXPECT_TRUE(key.GetNextKey(1, small, sizeof small));
    EXPECT_STREQ(small, "Beta");
}

TEST(Registry, TheTwoRootsAreKeptApart) {
    ScratchConfig config;
    CRegistryBase user("SOFTWARE\\Korvex\\TSY4W", HKEY_CURRENT_USER, 1);
    CRegistryBase machine("SOFTWARE\\Korvex\\TSY4W", HKEY_LOCAL_MACHINE, 1);
    user.SetValueString("Top", "per user");
    EXPECT_EQ(machine.GetValueString("Top", "", 1), "");
    machine.SetValueString("Top", "/opt/korvex");
    EXPECT_EQ(user.GetValueString("Top", "", 1), "per user");
    EXPECT_EQ(machine.GetValueString("Top", "", 1), "/opt/korvex");
    EXPECT_NE(tsy::RegistryStore::filePath(HKEY_CURRENT_USER),
              tsy::RegistryStore::filePath(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(readFile(tsy::RegistryStore::filePath(HKEY_LOCAL_MACHINE)).find("per user"),
              std::string::npos);
}

TEST(Registry, TheVariableMovesTheWholeConfigurationOwnerOnly) {
    ScratchConfig config;
    ::umask(022);
    CRegistryBase key("Software\\Korvex\\Tessaly\\5.0\\Settings\\Site", HKEY_CURRENT_USER, 1);
    key.SetValueString("SiteDB", "/somewhere/Site/");
    const std::string file = config.dir() + "/user.settings";
    EXPECT_EQ(tsy::RegistryStore::filePath(HKEY_CURRENT_USER), file);
    EXPECT_NE(readFile(file).find("\"SiteDB\" = \"/somewhere/Site/\""), std::string::npos);
    EXPECT_EQ(ScratchConfig::mode(file), 0600u);
    EXPECT_EQ(ScratchConfig::mode(config.dir()), 0700u);
    EXPECT_EQ(tsy::CTscCommon::getProductFolder(0, 0), config.dir() + "/");
    EXPECT_EQ(tsy::RegistryStore::stateFolder(), config.dir());

    // Without the variable: the XDG folders, else the home folder's.
    config.set("TESSALY_CONFIG_DIR", std::nullopt);
    config.set("XDG_CONFIG_HOME", config.root() + "/xdg-config");
    config.set("XDG_DATA_HOME", config.root() + "/xdg-data");
    config.set("XDG_STATE_HOME", config.root() + "/xdg-state");
    EXPECT_EQ(tsy::RegistryStore::stateFolder(), config.root() + "/xdg-state/tessaly");
    EXPECT_EQ(tsy::RegistryStore::filePath(HKEY_LOCAL_MACHINE),
              config.root() + "/xdg-config/tessaly/machine.settings");
    EXPECT_EQ(tsy::CTscCommon::getProductFolder(tsy::CTscCommon::ProductTop, 0),
              config.root() + "/xdg-data/tessaly/");
    EXPECT_EQ(ScratchConfig::mode(config.root() + "/xdg-data/tessaly"), 0700u);
    config.set("XDG_CONFIG_HOME", "relative/is/ignored");
    config.set("XDG_STATE_HOME", std::nullopt);
    config.set("HOME", config.root() + "/home");
    EXPECT_EQ(tsy::RegistryStore::stateFolder(), config.root() + "/home/.local/state/tessaly");
    EXPECT_EQ(tsy::RegistryStore::filePath(HKEY_CURRENT_USER),
              config.root() + "/home/.config/tessaly/user.settings");
    EXPECT_EQ(key.GetValueString("SiteDB", "", 1), "");  // a different store
}

TEST(Registry, AWriteNarrowsAWideFileButNotAFolderTheUserChose) {
    ScratchConfig config;
    const std::string file = config.dir() + "/user.settings";
    writeFile(file, "[Software\\Korvex]\n\"kept\" = \"yes\"\n");
    ::chmod(file.c_str(), 0644);
    ::chmod(config.dir().c_str(), 0755);
    CRegistryBase key("Software\\Korvex", HKEY_CURRENT_USER, 1);
    key.SetValueDWORD("added", 2);
    EXPECT_EQ(ScratchConfig::mode(file), 0600u);
    EXPECT_EQ(ScratchConfig::mode(config.dir()), 0755u);
    EXPECT_EQ(key.GetValueString("kept", "", 1), "yes");
}

TEST(Registry, ADamagedFileIsReadAsFarAsPossibleAndKeptAside) {
    ScratchConfig config;
    const std::string file = config.dir() + "/user.settings";
    const std::string damaged =
        "[Software\\Korvex]\n\"good\" = \"value\"\n\"half a line\n\x01\x02 binary \xFF\n";
    writeFile(file, damaged);
    CRegistryBase key("Software\\Korvex", HKEY_CURRENT_USER, 1);
    EXPECT_EQ(key.GetValueString("good", "", 1), "value");

    ASSERT_TRUE(key.SetValueDWORD("new", 1));
    EXPECT_EQ(key.GetValueString("good", "", 1), "value");
    EXPECT_EQ(key.GetValueDWORD("new", 0, 1), 1u);
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(config.dir())) {
        std::string name = entry.path().filename().string();
        if (name.rfind("user.settings.damaged-", 0) == 0) kept.push_back(entry.path().string());
    }
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readFile(kept[0]), damaged);

    // The rewritten file is clean: a further write keeps nothing more aside.
    key.SetValueDWORD("new", 2);
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(config.dir())) {
        count += entry.path().filename().string().rfind("user.settings.damaged-", 0) == 0;
    }
    EXPECT_EQ(count, 1u);
}

}  // namespace
