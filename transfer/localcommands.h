#pragma once

#include <functional>
#include <string>
#include <vector>

#include "filecommands.h"
#include "prompts.h"

// The local pane's file operations, without widgets. dir is the pane's directory and
// ends in "/"; names are entries of it.
namespace transfer {

// Renames, never replacing what is at `to`: 0, or the errno of the failure (EEXIST when
// `to` exists). Where the file system cannot rename without replacing, a file is linked
// to its new name and unlinked from the old; a directory, which cannot be linked, is
// then refused (EINVAL) rather than risk replacing.
int renameNoReplace(const std::string& from, const std::string& to);

// Makes the directory a finished new-directory edit names (see newDirectoryName); an
// empty name makes none. 0 or errno.
int makeLocalDirectory(const std::string& dir, const std::string& name);

enum class LowerCaseOutcome {
    Renamed,
    AlreadyLower,  // nothing to do
    NameTaken,     // another entry has the lower-case name: left as it is
    Failed,        // the name is as it was
};

// ASCII letters only, so that a multi-byte name keeps its bytes.
std::string asciiLower(const std::string& name);

// Renames the entry to its lower-case name through a temporary name that did not exist
// (so that the change also sticks where the file system ignores case), never replacing,
// and puts the old name back when the second step fails.
LowerCaseOutcome lowerCaseName(const std::string& dir, const std::string& name);

// Lower-cases every name; the names left as they were because their lower-case name is
// taken are named in one message (1308).
std::vector<LowerCaseOutcome> lowerCaseNames(const std::string& dir,
                                             const std::vector<std::string>& names,
                                             platform::Prompts& prompts);

struct LocalItem {
    std::string name;
    bool isDirectory = false;
};

enum class DeleteOutcome {
    Trashed,
    Deleted,  // for good
    Kept,     // no trash for it, and the user did not want it deleted for good
    Failed,   // named to the user (1230)
};

// The desktop trash: true when the path was moved there.
using MoveToTrash = std::function<bool(const std::string& path)>;

// Deletes the selected items after the confirmation: to the trash, or for good when
// `permanently`. An item that cannot go to the trash is deleted for good only when the
// user says so (1306). A failed item is named (1230) and the others go on. Permanent
// deletion of a directory removes links inside it, never what they point to. Returns
// one outcome per item, none when the user did not confirm.
std::vector<DeleteOutcome> deleteLocalItems(const std::string& dir,
                                            const std::vector<LocalItem>& items, bool permanently,
                                            const ConfirmDelete& confirm,
                                            const MoveToTrash& moveToTrash,
                                            platform::Prompts& prompts);

}  // namespace transfer
