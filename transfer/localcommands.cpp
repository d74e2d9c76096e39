#include "localcommands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "treeremoval.h"

namespace transfer {
namespace {

constexpr int kNamesTaken = 1308;
constexpr int kNoTrash = 1306;
constexpr int kCannotDelete = 1230;

bool sameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Moves the entry to a name of the directory that nothing had: the first free one of
// "$$TSY$$.tmp", "$$TSY$$1.tmp", ...; empty when none could be taken.
std::string moveToFreeName(const std::string& dir, const std::string& name) {
    for (int n = 0; n < 1000; ++n) {
        const std::string temp = "$$TSY$$" + (n ? std::to_string(n) : std::string()) + ".tmp";
        const int error = renameNoReplace(dir + name, dir + temp);
        if (error == 0) return temp;
        if (error != EEXIST) return {};
    }
    return {};
}

DeleteOutcome deleteForGood(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? DeleteOutcome::Deleted : DeleteOutcome::Failed;
    const bool gone =
        S_ISDIR(st.st_mode) ? platform::removeTree(path) : ::unlink(path.c_str()) == 0;
    return gone ? DeleteOutcome::Deleted : DeleteOutcome::Failed;
}

DeleteOutcome deleteOne(const std::string& dir, const std::string& name, bool permanently,
                        const MoveToTrash& moveToTrash, platform::Prompts& prompts) {
    const std::string path = dir + name;
    if (!permanently) {
        if (moveToTrash(path)) return DeleteOutcome::Trashed;
        const platform::Message ask{
            kNoTrash, {name}, platform::Buttons::YesNo, platform::Icon::Warning};
        if (prompts.ask(ask) != platform::Answer::Yes) return DeleteOutcome::Kept;
    }
    return deleteForGood(path);
}

}  // namespace

int renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS) return error;
    // The file system cannot refuse to replace; a link can.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return error;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    if (::unlink(from.c_str()) != 0) {
        const int unlinkError = errno;
        ::unlink(to.c_str());
        return unlinkError;
    }
    return 0;
}

int makeLocalDirectory(const std::string& dir, const std::string& name) {
    if (name.empty()) return 0;
    return ::mkdir((dir + name).c_str(), 0777) == 0 ? 0 : errno;
}

std::string asciiLower(const std::string& name) {
    std::string lower = name;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

LowerCaseOutcome lowerCaseName(const std::string& dir, const std::string& name) {
    const std::string lower = asciiLower(name);
    if (lower == name) return LowerCaseOutcome::AlreadyLower;
    struct stat original {
    }, existing{};
    if (::lstat((dir + name).c_str(), &original) != 0) return LowerCaseOutcome::Failed;
    // Where case is ignored the lower-case name finds the entry itself.
    if (::lstat((dir + lower).c_str(), &existing) == 0 && !sameEntry(original, existing))
        return LowerCaseOutcome::NameTaken;
    const std::string temp = moveToFreeName(dir, name);
    if (temp.empty()) return LowerCaseOutcome::Failed;
    const int error = renameNoReplace(dir + temp, dir + lower);
    if (error == 0) return LowerCaseOutcome::Renamed;
    renameNoReplace(dir + temp, dir + name);
    return error == EEXIST ? LowerCaseOutcome::NameTaken : LowerCaseOutcome::Failed;
}

std::vector<LowerCaseOutcome> lowerCaseNames(const std::string& dir,
                                             const std::vector<std::string>& names,
                                             platform::Prompts& prompts) {
    std::vector<LowerCaseOutcome> outcomes;
    std::string taken;
    for (const std::string& name : names) {
        outcomes.push_back(lowerCaseName(dir, name));
        if (outcomes.back() == LowerCaseOutcome::NameTaken) taken += "\n" + name;
    }
    if (!taken.empty()) prompts.ask({kNamesTaken, {taken}, platform::Buttons::Ok});
    return outcomes;
}

std::vector<DeleteOutcome> deleteLocalItems(const std::string& dir,
                                            const std::vector<LocalItem>& items, bool permanently,
                                            const ConfirmDelete& confirm,
                                            const MoveToTrash& moveToTrash,
                                            platform::Prompts& prompts) {
    if (items.empty()) return {};
    const DeleteQuestion question{deleteConfirmMode(items.size(), items.front().isDirectory),
                                  items.front().name, permanently};
    if (!confirm(question)) return {};
    std::vector<DeleteOutcome> outcomes;
    for (const LocalItem& item : items) {
        outcomes.push_back(deleteOne(dir, item.name, permanently, moveToTrash, prompts));
        if (outcomes.back() == DeleteOutcome::Failed)
            prompts.ask({kCannotDelete, {item.name}, platform::Buttons::Ok});
    }
    return outcomes;
}

}  // namespace transfer
