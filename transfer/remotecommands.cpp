#include "remotecommands.h"

#include "ftpsession.h"

namespace transfer {
namespace {

constexpr int kMaxDepth = 64;
constexpr int kNothingSelected = 1221;
constexpr int kRenameFailed = 1225;
constexpr int kCannotDelete = 1230;
constexpr int kCannotEnter = 1250;
constexpr int kDirectoryInvalid = 1255;
constexpr int kHomeInvalid = 1256;
constexpr int kBoxEntryInvalid = 1257;
constexpr int kCannotDeleteTree = 1284;

bool lost(const ftp::FtpSession& session) {
    return session.lastError < 0;
}

// A server name in a message: as it reads in the server's encoding.
std::string shown(const ftp::FtpSession& session, const std::string& name) {
    return ftp::nameForDisplay(name, session.namesEncoding());
}

void tell(platform::Prompts& prompts, int id, std::vector<platform::MessageArg> args) {
    prompts.ask({id, std::move(args), platform::Buttons::Ok});
}

// The start of a command: a failure from before must not count as this command's.
bool alive(ftp::FtpSession& session) {
    session.lastError = 0;
    return session.checkAlive() == 0;
}

// Whether inner names a directory below outer. Either separator counts, for servers that
// answer PWD with backslashes.
bool isBelow(const std::string& outer, const std::string& inner) {
    if (inner.size() <= outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
    auto separator = [](char c) { return c == '/' || c == '\\'; };
    return (!outer.empty() && separator(outer.back())) || separator(inner[outer.size()]);
}

// After an accepted CWD: where the server is now.
RemoteMove landed(ftp::FtpSession& session) {
    RemoteMove move{RemoteOutcome::Changed, {}};
    if (!session.currentDirectory(move.directory) && lost(session))
        move.outcome = RemoteOutcome::ConnectionLost;
    return move;
}

// NOOP, CWD path, PWD; a refusal shows message `refused` (0: none) with `subject`.
RemoteMove moveTo(ftp::FtpSession& session, const std::string& path, platform::Prompts* prompts,
                  int refused, const std::string& subject) {
    if (!alive(session)) return {RemoteOutcome::ConnectionLost, {}};
    if (session.changeDirectory(path, true)) return landed(session);
    if (lost(session)) return {RemoteOutcome::ConnectionLost, {}};
    if (prompts && refused) tell(*prompts, refused, {shown(session, subject)});
    return {};
}

// One selected item; false after a failure, which the caller reports.
bool deleteItem(ftp::FtpSession& session, const RemoteItem& item, platform::Prompts& prompts) {
    if (item.isDirectory) return deleteRemoteTree(session, item.name, prompts);
    return isSafeListingName(item.name) && session.deleteFile(item.name);
}

}  // namespace

std::string remoteDirectoryName(std::string_view columnText) {
    return std::string(columnText.substr(0, columnText.rfind('@')));
}

std::pair<std::string, std::string> splitDirectoryAndPattern(std::string_view text) {
    const auto star = text.find("*.");
    if (star == std::string_view::npos) return {std::string(text), {}};
    return {std::string(text.substr(0, star)), std::string(text.substr(star))};
}

bool deleteRemoteTree(ftp::FtpSession& session, const std::string& name, platform::Prompts& prompts,
                      int depth) {
    if (!isSafeListingName(name) || depth >= kMaxDepth) return false;
    std::string start;
    if (!session.currentDirectory(start)) return false;
    if (!session.changeDirectory(name, true)) {
        if (!lost(session)) tell(prompts, kCannotDeleteTree, {name});
        return false;
    }
    std::string inside;
    const bool below = session.currentDirectory(inside) && isBelow(start, inside);
    auto listing = below ? session.list() : std::nullopt;
    if (!listing) {
        if (!lost(session)) session.changeDirectory(start, true);
        return false;
    }
    for (const ftp::FileEntry& entry : *listing) {
        if (lost(session)) return false;
        if (!isSafeListingName(entry.name)) continue;
        if (entry.kind == ftp::FileEntry::File || entry.kind == ftp::FileEntry::Link)
            session.deleteFile(entry.name);
        else if (entry.kind == ftp::FileEntry::Directory)
            deleteRemoteTree(session, entry.name, prompts, depth + 1);
    }
    // Without the way back, an RMD could hit a namesake elsewhere.
    if (!session.changeDirectory(start, true)) return false;
    session.removeDirectory(name);
    return true;
}

RemoteOutcome deleteRemoteItems(ftp::FtpSession& session, const std::vector<RemoteItem>& items,
                                platform::Prompts& prompts, const ConfirmDelete& confirm) {
    if (items.empty()) {
        tell(prompts, kNothingSelected, {});
        return RemoteOutcome::Unchanged;
    }
    if (!alive(session)) return RemoteOutcome::ConnectionLost;
    if (!confirm({deleteConfirmMode(items.size(), items.front().isDirectory),
                  shown(session, items.front().name)}))
        return RemoteOutcome::Unchanged;
    bool allDone = true;
    for (const RemoteItem& item : items) {
        if (deleteItem(session, item, prompts)) continue;
        if (lost(session)) return RemoteOutcome::ConnectionLost;
        tell(prompts, kCannotDelete, {shown(session, item.name)});
        allDone = false;
    }
    return allDone || items.size() > 1 ? RemoteOutcome::Changed : RemoteOutcome::Unchanged;
}

RemoteMove remoteUpOneLevel(ftp::FtpSession& session, const std::string& homeDirectory,
                            platform::Prompts& prompts) {
    RemoteMove up = moveTo(session, "..", nullptr, 0, {});
    if (up.outcome != RemoteOutcome::Unchanged) return up;
    tell(prompts, kDirectoryInvalid, {});
    if (session.changeDirectory(homeDirectory, true)) return landed(session);
    if (lost(session)) return {RemoteOutcome::ConnectionLost, {}};
    tell(prompts, kHomeInvalid, {});
    return {};
}

RemoteMove remoteGoHome(ftp::FtpSession& session, const std::string& homeDirectory,
                        platform::Prompts& prompts) {
    return moveTo(session, homeDirectory, &prompts, kCannotEnter, homeDirectory);
}

RemoteMove openRemoteDirectory(ftp::FtpSession& session, const std::string& name,
                               platform::Prompts& prompts) {
    return moveTo(session, name, &prompts, kCannotEnter, name);
}

RemoteMove selectRemoteBoxEntry(ftp::FtpSession& session, const std::string& entry,
                                platform::Prompts& prompts) {
    return moveTo(session, entry, &prompts, kBoxEntryInvalid, entry);
}

RemoteMove changeRemoteDirectory(ftp::FtpSession& session, const std::string& path) {
    return moveTo(session, path, nullptr, 0, {});
}

RemoteOutcome renameRemote(ftp::FtpSession& session, const std::string& oldName,
                           const std::string& newName, platform::Prompts& prompts) {
    session.lastError = 0;
    if (session.rename(oldName, newName)) return RemoteOutcome::Changed;
    if (lost(session)) return RemoteOutcome::ConnectionLost;
    tell(prompts, kRenameFailed, {shown(session, oldName), shown(session, newName)});
    return RemoteOutcome::Unchanged;
}

RemoteOutcome makeRemoteDirectory(ftp::FtpSession& session, const std::string& name) {
    session.lastError = 0;
    if (!name.empty() && !session.makeDirectory(name) && lost(session))
        return RemoteOutcome::ConnectionLost;
    return RemoteOutcome::Changed;
}

}  // namespace transfer
