#pragma once

#include <QString>
#include <string>

#include "filelistmodel.h"
#include "filelistview.h"
#include "prompts.h"
#include "serverprofile.h"

class ConnectionController;
class QWidget;
class UiDispatcher;
namespace ftp {
class FtpSession;
}

// What the transfer controller needs from the window, and no more.
class TransferWindow {
public:
    virtual ~TransferWindow() = default;
    virtual UiDispatcher& uiThread() = 0;
    virtual platform::Prompts& prompts() = 0;
    // The window itself: parent of the progress dialog, brought back to the front after a job.
    virtual QWidget* dialogParent() = 0;
    virtual QWidget* control(int id) const = 0;
    virtual void setStatusText(int pane, const QString& text) = 0;
    virtual void setStatusToolTip(int pane, const QString& text) = 0;
    virtual void enableTransferButtons(bool enable) = 0;
    // 0 automatic, 1 binary, 2 text.
    virtual ftp::TransferMode transferMode() const = 0;
    virtual const session::ServerProfile& currentProfile() const = 0;
    // The local pane's directory, ending in "/".
    virtual const std::string& localFolder() const = 0;
    virtual FileListView& localList() = 0;
    virtual FileListView& remoteList() = 0;
    virtual LocalListModel& localModel() = 0;
    virtual RemoteListModel& remoteModel() = 0;
    virtual void refreshLocal() = 0;
    // Null while disconnected.
    virtual ftp::FtpSession* ftpSession() = 0;
    virtual ConnectionController& connection() = 0;
};
