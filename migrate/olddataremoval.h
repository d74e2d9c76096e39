#pragma once

#include <string>
#include <vector>

namespace migration {

// The earlier edition's data folders: the folder that holds its "Site" database folder,
// without a trailing "/", at most one per variant of that edition.
struct OldFolders {
    std::vector<std::string> deletableFolders;  // of editions no longer installed
    std::vector<std::string> keptFolders;       // of editions still installed
};

// The data folder that a "SiteDB" value implies: the value without its final "/Site/"
// (letter case ignored). Empty for a value of any other form.
std::string dataFolderOfSiteDb(const std::string& siteDb);

// Reads both variants' "SiteDB" and install folder. A folder is deletable only when it
// exists and deletionRefusal finds nothing against it (guarded: the folders the current
// version needs).
OldFolders collectOldFolders(const std::vector<std::string>& guarded);

// Drops empty entries, repeats and kept folders from deletableFolders. Names are compared
// ignoring letter case, and two names of the same directory are the same folder.
void cleanDeletableFolders(OldFolders& folders);

// What the dialog offers: collected and cleaned.
std::vector<std::string> findDeletableFolders();

// Deletes the folders for good (no trash, no questions: the dialog asked). Each is checked
// again first; a folder that has gone already counts as deleted. True when all are gone.
bool deleteOldFolders(const std::vector<std::string>& folders);

}  // namespace migration
