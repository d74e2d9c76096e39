#include "optionsmigration.h"

#include <string>

#include "cregistrybase.h"
#include "ctsccommon.h"
#include "fileio.h"
#include "legacykeys.h"
#include "pathhelpers.h"

namespace migration {
namespace {

using tsy::CRegistryBase;

struct DwordValue {
    const char* name;
    std::uint32_t fallback;
};
struct StringValue {
    const char* name;
    const char* fallback;
};

constexpr const char* kFileTree = "fileTree";

constexpr DwordValue kOptionDwords[] = {
    {"insLayerCurpos", 0},
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
    {kFileTree, 0x62000000},
};

constexpr StringValue kOptionStrings[] = {
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
    {"dicLang", "us"},
};

constexpr DwordValue kContentsMgrDwords[] = {
    {"Imageframe size", 0}, {"Background", 0}, {"HTMLThumbnail", 0}};
constexpr StringValue kContentsMgrStrings[] = {{"Fileinfo", "Times New Roman"},
                                               {"Status", "Times New Roman"}};

constexpr const char* kMailListKey = "\\Recent Mail List";
constexpr const char* kCustomColorKey = "\\CustomColor";
constexpr const char* kBookmarkKey = "\\Bookmark";
constexpr const char* kTemplateKey = "\\Template";
constexpr const char* kUserDictionary = "user.dic";

bool sameContents(const std::string& a, const std::string& b) {
    std::string first, second;
    return tsy::readWholeFile(a, first) && tsy::readWholeFile(b, second) && first == second;
}

void copyDword(const CRegistryBase& from, CRegistryBase& to, const DwordValue& value) {
    to.SetValueDWORD(value.name, from.GetValueDWORD(value.name, value.fallback, 1));
}
void copyString(const CRegistryBase& from, CRegistryBase& to, const StringValue& value) {
    to.SetValueString(value.name, from.GetValueString(value.name, value.fallback, 1));
}

void copyOptions() {
    const CRegistryBase from(kOldOptionsKey, tsy::HKEY_CURRENT_USER, 0);
    CRegistryBase to(tsy::CTscCommon::getHKCUTsypageOptions(), tsy::HKEY_CURRENT_USER, 1);
    for (const DwordValue& value : kOptionDwords) {
        std::uint32_t read = from.GetValueDWORD(value.name, value.fallback, 1);
        if (std::string(value.name) == kFileTree) read = convertFileTree(read);
        to.SetValueDWORD(value.name, read);
    }
    for (const StringValue& value : kOptionStrings)
        copyString(from, to, value);
}

// Only entries the earlier edition has: the current list keeps the rest.
void copyMailList() {
    const CRegistryBase from(std::string(kOldBaseKey) + kMailListKey, tsy::HKEY_CURRENT_USER, 0);
    CRegistryBase to(tsy::CTscCommon::getHKCUTsypageBase() + kMailListKey, tsy::HKEY_CURRENT_USER,
                     1);
    for (int i = 1; i <= 10; ++i) {
        const std::string name = "mail" + std::to_string(i);
        const std::string address = from.GetValueString(name, "", 1);
        if (!address.empty()) to.SetValueString(name, address);
    }
}

void copyContentsManager() {
    const std::string current = tsy::CTscCommon::getHKCUTsypageContentsMgr();
    {
        const CRegistryBase from(kOldContentsMgrKey, tsy::HKEY_CURRENT_USER, 0);
        CRegistryBase to(current, tsy::HKEY_CURRENT_USER, 1);
        for (const DwordValue& value : kContentsMgrDwords)
            copyDword(from, to, value);
        for (const StringValue& value : kContentsMgrStrings)
            copyString(from, to, value);
    }
    {
        const CRegistryBase from(std::string(kOldContentsMgrKey) + kCustomColorKey,
                                 tsy::HKEY_CURRENT_USER, 0);
        CRegistryBase to(current + kCustomColorKey, tsy::HKEY_CURRENT_USER, 1);
        for (int i = 1; i <= 16; ++i) {
            const std::string name = "Color" + std::to_string(i);
            copyDword(from, to, {name.c_str(), 0xFFFFFF});
        }
    }
}

// Bookmarks by sub-key name; current bookmarks of other names stay.
void copyBookmarks() {
    const std::string fromKey = std::string(kOldContentsMgrKey) + kBookmarkKey;
    const std::string toKey = tsy::CTscCommon::getHKCUTsypageContentsMgr() + kBookmarkKey;
    const CRegistryBase bookmarks(fromKey, tsy::HKEY_CURRENT_USER, 0);
    char name[256];
    for (std::uint32_t index = 0; bookmarks.GetNextKey(index, name, sizeof name); ++index) {
        const CRegistryBase from(fromKey + "\\" + name, tsy::HKEY_CURRENT_USER, 0);
        CRegistryBase to(toKey + "\\" + name, tsy::HKEY_CURRENT_USER, 1);
        copyDword(from, to, {"Filter", 0});
        copyString(from, to, {"Path", ""});
        copyString(from, to, {"Title", ""});
    }
}

void copyTemplates() {
    const CRegistryBase from(std::string(kOldSettingsKey) + kTemplateKey, tsy::HKEY_CURRENT_USER,
                             0);
    CRegistryBase to(tsy::CTscCommon::getHKCUTsypageSettings() + kTemplateKey,
                     tsy::HKEY_CURRENT_USER, 1);
    copyString(from, to, {"MailAddr1", ""});
    copyString(from, to, {"MailAddr2", ""});
}

// The earlier edition's dictionary replaces ours; a dictionary of our own that differs is
// kept beside it first, since it may hold words the user added since.
void copyUserDictionary() {
    const CRegistryBase machine(kOldMachineKey, tsy::HKEY_LOCAL_MACHINE, 0);
    const std::string source =
        machine.GetValueString(kInstallFolderValue, "", 1) + "/bin/" + kUserDictionary;
    // Without a data folder there is no sound place for it: the current directory is
    // wherever trandel happened to be started.
    const std::string folder =
        tsy::CTscCommon::getProductFolder(tsy::CTscCommon::UserDictionary, 0);
    if (folder.empty() || !tsy::is_file(source)) return;
    const std::string destination = folder + kUserDictionary;
    if (tsy::is_file(destination) && !sameContents(source, destination))
        tsy::TsyCopyFile(destination, destination + ".bak", 0);
    tsy::TsyCopyFile(source, destination, 0);
}

}  // namespace

bool oldSettingsFound() {
    return CRegistryBase(kOldSettingsKey, tsy::HKEY_CURRENT_USER, 0).Exists();
}

bool migrateOptions() {
    copyOptions();
    copyMailList();
    copyContentsManager();
    copyBookmarks();
    copyTemplates();
    copyUserDictionary();
    return true;
}

}  // namespace migration
