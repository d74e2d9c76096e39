#pragma once

#include <string>

namespace tsy {

// Where the current version keeps its settings and data. Key paths use "\", folders are
// native paths ending in "/".
class CTscCommon {
public:
    // Folder types of getProductFolder.
    enum FolderType : int {
        ProductTop = 0,      // "Site/" below it holds the default site database
        UserDictionary = 7,  // receives "user.dic"
        SuiteHome = 9,       // "home/" below it is the last fallback of the local pane
        Programs = 10,       // the folder of the running executable, where tsymig lives
    };

    // trandel's application settings live in
    // "Software\" + getSetRegistryKey() + "\" + key_trandel + "\settings".
    static constexpr const char* key_trandel = "trandel";
    static std::string getSetRegistryKey();

    // An empty string, or a folder ending in "/". The data folders (types 0, 7, 9) are
    // created owner-only when missing; other types give an empty string.
    static std::string getProductFolder(int type, int reserved = 0);

    static std::string getHKCUTsypageBase();
    static std::string getHKCUTsypageSettings();
    static std::string getHKCUTsypageSite();
    static std::string getHKCUTsypageOptions();
    static std::string getHKCUTsypageContentsMgr();
};

}  // namespace tsy
