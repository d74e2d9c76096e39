#pragma once

#include <string>
#include <vector>

#include "filelistmodel.h"
#include "filelistview.h"
#include "listingcomparison.h"
#include "prompts.h"
#include "remoterefresh.h"

class ConnectionController;
class FileTypeCache;
class QWidget;
namespace ftp {
class FtpSession;
}

// What the pane controllers need from the window, and no more.
class PaneHost {
public:
    virtual ~PaneHost() = default;
    virtual platform::Prompts& prompts() = 0;
    // The parent of the controllers' own dialogs.
    virtual QWidget* dialogParent() = 0;
    virtual FileListView& localList() = 0;
    virtual FileListView& remoteList() = 0;
    virtual LocalListModel& localModel() = 0;
    virtual RemoteListModel& remoteModel() = 0;
    virtual FileTypeCache& fileTypeCache() = 0;
    // Null while disconnected.
    virtual ftp::FtpSession* ftpSession() = 0;
    virtual ConnectionController& connection() = 0;
    // True (with a word in the status bar) while a transfer job owns the session.
    virtual bool refuseWhileTransferring() = 0;
    virtual bool transferRunning() const = 0;
    // The local pane's directory, ending in "/".
    virtual const std::string& localFolder() const = 0;
    virtual void refreshLocal() = 0;
    virtual void rememberRemotePath(const std::string& path) = 0;
    virtual bool directoryLocked() const = 0;
    // The one-shot name filter a typed "*.ext" sets for the next listing.
    virtual session::NameFilter& nameFilter() = 0;
    virtual comparison::ListingFilters& listingFilters() = 0;
    // The connected server's name, as messages show it.
    virtual std::string serverName() const = 0;
    // Starts the upload of local paths into the server's current folder.
    virtual void uploadPaths(const std::vector<std::string>& paths) = 0;
    virtual void setDirectoryLock(bool locked) = 0;
};
