#pragma once

#include "panecontroller.h"

class DirectoryCombo;
class QMimeData;
namespace ftp {
class FtpSession;
}

// The server pane's owner: the remote list's events (open, in-place edits, context
// menu), the server commands, the remote up button and the server half of the lock.
// Every command runs on the UI thread with a wait cursor, after checking the connection,
// and never while a transfer job owns the session.
class RemotePaneController : public PaneController {
    Q_OBJECT
public:
    RemotePaneController(PaneHost& host, DirectoryCombo& directories, QObject* parent);

    void run(keys::Command command) override;
    bool follow(const std::string& name) override;

    void openRow(int row);
    void upOneLevel();
    void goHome();
    void refresh();
    void newDirectory();
    void rename();
    void deleteSelected();
    // The directory box: an entry chosen from its list, and Enter in its field.
    void directoryChosen(int index);
    void pathTyped(const std::string& typed);
    // Ctrl+D and Ctrl+U: the next listing shows only what differs from the local pane.
    void compare(keys::Command command);
    void changePermissions();
    // Local files and folders dropped on the list: uploaded into the current folder.
    void dropped(const QMimeData& data);

private:
    void editEnded(Editing kind, const std::optional<std::string>& typed) override;
    bool menuMayOpen() override;
    std::string firstSelectedName() const override;
    // A session that no transfer job is using, or null.
    ftp::FtpSession* idleSession();
    // Typed text as the server's name bytes; false, after a message, when the server's
    // encoding cannot write it.
    bool serverName(ftp::FtpSession& session, const std::string& text, std::string& bytes);
    // After a move on the server: remember where it is and show it.
    void moved(const std::string& directory);

    DirectoryCombo& directories_;
};
