#pragma once

#include <QObject>
#include <memory>
#include <mutex>
#include <string>

#include "connecthost.h"
#include "connectworker.h"
#include "remoterefresh.h"
#include "sinks.h"

class ConnectionWindow;
class QComboBox;

// The main window's side of connecting: the Connect button, the connect worker, the
// remote pane's refresh, what the remote directory combo shows and a lost connection.
class ConnectionController : public QObject,
                             public session::ConnectHost,
                             public session::RemotePane,
                             public ftp::StatusSink {
    Q_OBJECT
public:
    explicit ConnectionController(ConnectionWindow& window);
    ~ConnectionController() override;

    void toggleConnection();
    void disconnect();
    // Lists the remote directory into the remote pane; true when it was listed.
    bool refreshRemote();
    // Message 1249: Yes reconnects with the same profile, No disconnects.
    void connectionLost();
    // NOOP before a command; false (after the lost-connection handling) when the
    // connection cannot be used.
    bool checkConnection();

    // Whether a connect worker is at work (from its start until it has reported).
    bool workerRunning() const { return workerActive_; }
    // Stops a running connect worker cooperatively: sockets shut down, thread joined.
    void stopWorker();
    bool refreshIdle() const { return refreshIdle_; }
    const std::string& homeDirectory() const { return homeDirectory_; }
    const std::string& remotePath() const { return remotePath_; }
    // The FTP session; null while disconnected.
    ftp::FtpSession* session() const { return session_.get(); }
    // Ends the session with QUIT, for the window's close.
    void closeSession();

    // session::ConnectHost
    bool selectProfileForConnect(session::ServerProfile& profile,
                                 std::string& lastRemotePath) override;
    void openOptionsSheet() override;
    platform::Prompts& prompts() override;
    void setFirewallPort(int port) { worker_.setFirewallPort(port); }
    void setProfileControlsEnabled(bool enabled) override;
    void setStatusText(int pane, const std::string& text) override;
    ftp::StatusSink* statusSink() override { return this; }
    void setStatusMessage(int pane, int stringId,
                          const std::vector<platform::MessageArg>& args) override;
    void setConnectionIcon(int state) override;
    void adoptSession(std::unique_ptr<ftp::FtpSession> session) override;
    void dropSession() override;
    void setHomeDirectory(const std::string& path) override;
    bool remoteReady() override;
    std::string trustStorePath() override;
    void connectFinished(bool connected) override;

    // session::RemotePane
    void showRemotePath(const std::string& path) override;
    void showRemoteRows(const std::vector<session::RemoteRow>& rows) override;

private:
    // The remote directory combo (1002).
    QComboBox* remoteCombo() const;
    void applyPostedStatus();
    // The lock and, where encryption was optional and is missing, a word about it.
    void showEncryption();

    ConnectionWindow& window_;
    std::unique_ptr<ftp::FtpSession> session_;
    session::ConnectWorker worker_;
    bool refreshIdle_ = true;
    bool workerActive_ = false;
    bool reconnectPending_ = false;
    // Status texts from a worker: the latest of each pane, put on the bar by the UI
    // thread without the worker waiting for it.
    std::mutex statusMutex_;
    std::string postedStatus_[2];
    bool statusChanged_[2] = {false, false};
    bool statusPosted_ = false;
    std::string homeDirectory_;
    std::string remotePath_;
};
