#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "filecommands.h"
#include "nameencoding.h"
#include "prompts.h"

namespace ftp {
class FtpSession;
}

// The server pane's commands as FTP exchanges, without widgets, on the UI thread. Each
// shows its own messages through the prompts and tells the caller what to do next.
// Those that start a command check the connection first (NOOP); those that finish an
// in-place edit do not, as the caller checked before opening the editor.
namespace transfer {

enum class RemoteOutcome {
    Changed,         // refresh the remote pane
    Unchanged,       // nothing to refresh (refused and reported, or nothing done)
    ConnectionLost,  // run the lost-connection handling instead of any message
};

// A move's outcome and, after a change, the server's directory (PWD; empty if unknown).
struct RemoteMove {
    RemoteOutcome outcome = RemoteOutcome::Unchanged;
    std::string directory;
};

struct RemoteItem {
    std::string name;
    bool isDirectory = false;
};

using ftp::isSafeListingName;

// The directory a row's name text opens: cut at its last "@".
std::string remoteDirectoryName(std::string_view columnText);

// A typed box text "dir/*.zip" split into the directory and the listing filter from
// "*." on (empty when there is none).
std::pair<std::string, std::string> splitDirectoryAndPattern(std::string_view text);

// Deletes the directory and everything in it, staying inside it: links are deleted as
// entries, never entered; at most 64 levels; a listed name that isSafeListingName
// refuses is not sent; after each CWD the server must be below where it was (PWD), else
// that branch stops. A directory that cannot be entered is reported (1284). True when
// the walk reached the final RMD (whose result, like those of the nested DELE and RMD,
// is not looked at).
bool deleteRemoteTree(ftp::FtpSession& session, const std::string& name, platform::Prompts& prompts,
                      int depth = 0);

// The delete command on the selected rows: an empty selection is reported (1221); NOOP;
// the confirmation; then each directory through deleteRemoteTree and each file by DELE,
// a failure reported with its name (1230). One item that fails leaves the pane as it is.
RemoteOutcome deleteRemoteItems(ftp::FtpSession& session, const std::vector<RemoteItem>& items,
                                platform::Prompts& prompts, const ConfirmDelete& confirm);

// NOOP, CWD "..", PWD. When ".." is refused: 1255, then CWD home; refused too: 1256.
RemoteMove remoteUpOneLevel(ftp::FtpSession& session, const std::string& homeDirectory,
                            platform::Prompts& prompts);

// NOOP, CWD home, PWD; refused: 1250 with the home directory.
RemoteMove remoteGoHome(ftp::FtpSession& session, const std::string& homeDirectory,
                        platform::Prompts& prompts);

// NOOP, CWD name, PWD; refused: 1250 with the name. name is remoteDirectoryName's.
RemoteMove openRemoteDirectory(ftp::FtpSession& session, const std::string& name,
                               platform::Prompts& prompts);

// NOOP, CWD entry, PWD; refused: 1257 (the caller drops the entry from the box).
RemoteMove selectRemoteBoxEntry(ftp::FtpSession& session, const std::string& entry,
                                platform::Prompts& prompts);

// NOOP, CWD path, PWD, and no message: the box's typed path, and the server half of a
// locked move (whose refusal the caller reports as the lock turning off).
RemoteMove changeRemoteDirectory(ftp::FtpSession& session, const std::string& path);

// At the end of a rename edit: RNFR, RNTO; refused: 1225 with both names.
RemoteOutcome renameRemote(ftp::FtpSession& session, const std::string& oldName,
                           const std::string& newName, platform::Prompts& prompts);

// At the end of a new-directory edit: MKD name (none for an empty name); a refusal is
// not reported. The pane is refreshed either way, which drops the placeholder row.
RemoteOutcome makeRemoteDirectory(ftp::FtpSession& session, const std::string& name);

}  // namespace transfer
