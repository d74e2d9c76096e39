#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "entrytype.h"

namespace ftp {
class FtpSession;
}

namespace session {

// One row of the remote pane as the refresh hands it to the window.
struct RemoteRow {
    std::string name;
    std::int64_t size = 0;
    std::string dateText;
    std::string attributes;
    ftp::EntryType entryType = ftp::EntryType::File;
    bool isDirectory = false;
};

// The window's side of a remote refresh; called on the thread that runs the refresh.
class RemotePane {
public:
    virtual ~RemotePane() = default;
    // The listed directory: into the directory combo and the title.
    virtual void showRemotePath(const std::string& path) = 0;
    // Empties the list, adds the rows, sorts them and puts the caret at the end of the
    // directory combo's text.
    virtual void showRemoteRows(const std::vector<RemoteRow>& rows) = 0;
};

enum class RefreshOutcome {
    Listed,            // the pane shows the directory
    ConnectionLost,    // NOOP, PWD or LIST found the control connection gone
    DirectoryInvalid,  // PWD refused: the window reports it and disconnects
    ListRefused,       // LIST refused: the pane keeps what it had
};

// The one-shot name filter that both panes share.
struct NameFilter {
    bool active = false;
    std::string text;
};

// Lists the current remote directory: NOOP, PWD, LIST, and for each link a quiet CWD
// into it and back, to tell links to directories from links to files. A pending name
// filter keeps only the names that contain its text from its first "." on, and is used
// up by a refresh that lists.
RefreshOutcome refreshRemote(ftp::FtpSession& session, RemotePane& pane, NameFilter& filter);

}  // namespace session
