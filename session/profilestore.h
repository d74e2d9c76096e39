#pragma once

#include <string>

#include "serverprofile.h"

namespace tsy {
class SiteMgr50;
}

namespace session {

// The text that holds the default text-extension list in stored form (":HTM:...:PL:"),
// so that a language module can change it; the working form drops the leading ':'.
inline constexpr int kDefaultAsciiSuffixesText = 1300;

// Registry values of the per-user Site key that locate the site database, and their
// defaults (the folder's default is the product folder followed by "Site/").
inline constexpr const char* kSiteDbValue = "SiteDB";
inline constexpr const char* kSiteProfValue = "SiteProf";
inline constexpr const char* kServProfValue = "ServProf";
inline constexpr const char* kSiteFolderDefault = "Site";
inline constexpr const char* kSiteProfDefault = "STP";
inline constexpr const char* kServProfDefault = "SVP";

// Reads "SiteDB", "SiteProf" and "ServProf" from the per-user Site key, writes the
// default of each that is missing or empty back to the key, makes sure the folder ends
// in "/" and opens db there. Returns setDB's result (negative when no folder can be
// found at all).
int openSiteDatabase(tsy::SiteMgr50& db);

// The folder of the site database by the same rule, with its trailing "/"; empty when
// there is none. The certificates the user trusts are kept there too.
std::string siteDatabaseFolder();

// 1 when the profile was found and the record filled (name included), 0 otherwise; the
// record then keeps what it had.
int loadProfile(tsy::SiteMgr50& db, const std::string& name, ServerProfile& record);

// Writes every field but the suffix list, keyed by record.name; 1 when the profile was
// stored (never for an empty name), else 0.
int saveProfile(tsy::SiteMgr50& db, const ServerProfile& record);

// Fills record.asciiSuffixes from the stored list of the named profile (the default list
// when nothing is stored). For a profile that is not stored, the list stays, unless it is
// empty: then it becomes the default. defaultList is in stored form.
void loadAsciiSuffixes(tsy::SiteMgr50& db, const std::string& name, ServerProfile& record,
                       const std::string& defaultList);

// The working form of a stored list: without its leading ':'; an empty stored text
// stands for the default list (in stored form).
std::string workingSuffixes(const std::string& stored, const std::string& defaultList);

}  // namespace session
