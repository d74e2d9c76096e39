#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "filelistmodel.h"
#include "listingcomparison.h"
#include "prompts.h"
#include "remoterefresh.h"
#include "serverprofile.h"

class QWidget;
class UiDispatcher;

// Listing comparison: each flag narrows the next refresh of its pane.
// What the connection controller needs from the window, and no more.
class ConnectionWindow {
public:
    enum Side { LocalSide = 1, RemoteSide = 2 };

    virtual ~ConnectionWindow() = default;
    virtual UiDispatcher& uiThread() = 0;
    virtual platform::Prompts& prompts() = 0;
    // The window itself, the controller's parent.
    virtual QWidget* dialogParent() = 0;
    virtual QWidget* control(int id) const = 0;
    virtual void setStatusText(int pane, const QString& text) = 0;
    virtual void setConnectionIcon(int state) = 0;
    // The status bar's lock: closed while the connection is encrypted, open where
    // encryption was asked for but the server offers none, hidden otherwise. tip says which.
    enum class Lock { Hidden, Encrypted, Unencrypted };
    virtual void showLock(Lock lock, const QString& tip) = 0;
    // Connect turns into Disconnect and back.
    virtual void showConnectButton(bool connected) = 0;
    virtual void enableTransferButtons(bool enable) = 0;
    virtual void showLocalTitle(const QString& folder) = 0;
    virtual void showRemoteTitle(const QString& remotePath) = 0;
    virtual const std::string& localFolder() const = 0;

    // The profile of the profile combo; 0 when nothing usable is selected.
    virtual int selectProfile(int connecting) = 0;
    virtual const session::ServerProfile& currentProfile() const = 0;
    virtual void openOptionsSheet() = 0;
    virtual const std::string& lastRemotePath() const = 0;
    virtual void rememberRemotePath(const std::string& path) = 0;
    virtual void writeBackDirectories() = 0;
    virtual bool refuseWhileTransferring() = 0;

    // The remote pane's rows.
    virtual RemoteListModel& remoteModel() = 0;
    virtual int insertRemoteItem(int index, const std::string& name, std::int64_t size,
                                 const std::string& dateText, const std::string& attributes,
                                 ftp::EntryType entryType, bool isDirectory) = 0;
    virtual void sortList(Side side, int column, int direction) = 0;
    virtual session::NameFilter& nameFilter() = 0;
    virtual comparison::ListingFilters& listingFilters() = 0;
};
