#pragma once

// The strings the site database hands out belong to the caller until DeleteString:
// everything that takes one adopts it here.

#include <memory>
#include <string>
#include <vector>

#include "sitemgr50.h"

namespace tsy {

// A string result, released with DeleteString when it goes.
using SiteString = std::unique_ptr<std::string, decltype(&SiteMgr50::DeleteString)>;
inline SiteString adopt(std::string* text) {
    return SiteString(text, &SiteMgr50::DeleteString);
}

// Copies a string result (none gives empty) and releases it.
inline std::string take(std::string* text) {
    const SiteString held = adopt(text);
    return held ? *held : std::string();
}

// Every name of an enumeration (EnumServProf, EnumSiteProf, EnumFolder, ...) from its
// rewind, in the database's order.
inline std::vector<std::string> enumNames(SiteMgr50& db, std::string* (SiteMgr50::*next)(int)) {
    std::vector<std::string> names;
    (db.*next)(1);
    while (const SiteString name = adopt((db.*next)(0)))
        names.push_back(*name);
    return names;
}

}  // namespace tsy
