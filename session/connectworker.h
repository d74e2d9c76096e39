#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "connecthost.h"
#include "nameencoding.h"
#include "prompts.h"
#include "serverprofile.h"
#include "uithread.h"

namespace ftp {
class FtpSession;
struct CertificateFacts;
}  // namespace ftp

namespace session {

// The connect sequence on a thread of its own: the session is created, opened directly
// or through a firewall, logged in (asking for a missing password), moved to the initial
// directory and told to keep the connection for two hours; then the window lists the
// remote directory. stop() ends it cooperatively: its sockets are shut down, blocking
// calls return, and the thread is joined.
class ConnectWorker {
public:
    // Message numbers of the connect sequence.
    enum : int {
        kConnectFailed = 1200,
        kConnected = 1201,
        kFirewallLoggedIn = 1202,
        kFirewallFailed = 1203,
        kServerBusy = 1204,
        kLoginRefused = 1205,
        kConnectedTo = 1206,
        kInitialDirectoryRefused = 1260,
        kTlsRefused = 1321,
        kTlsHandshakeFailed = 1322,
        kTlsUnavailable = 1323,
        kDataProtectionRefused = 1324,
    };

    ConnectWorker(ConnectHost& host, platform::UiThread& ui);
    ~ConnectWorker();
    ConnectWorker(const ConnectWorker&) = delete;
    ConnectWorker& operator=(const ConnectWorker&) = delete;

    void start();
    void stop();
    // Joins a worker that has finished on its own.
    void join();
    bool running() const { return running_.load(); }
    // The port a firewall is reached on; the profile's port applies to direct
    // connections only.
    void setFirewallPort(int port) { firewallPort_ = port; }
    // The window destroys the session while the worker waits for the first listing:
    // from now on stop() must not reach it.
    void forgetSession();
    // 1 when the last run connected.
    int result() const { return result_.load(); }

private:
    int run();
    int connectDirect(ftp::FtpSession& session);
    int connectThroughFirewall(ftp::FtpSession& session);
    // False when the window gave the session up during the first listing.
    bool loggedIn(ftp::FtpSession& session, bool throughFirewall);

    // UI-thread calls; false when the window is closing and the worker must stop.
    bool onUi(const std::function<void()>& work);
    bool message(int id, const std::vector<platform::MessageArg>& args);
    // A failed connect step: icon and status bar back to disconnected, then the message.
    bool refuse(int id, const std::vector<platform::MessageArg>& args);
    // The connection's encryption as the profile asks, before anything of the login is
    // sent: AUTH TLS (or the implicit handshake open() made) and the certificate. False
    // when the connection must end: the user was told, or chose so.
    bool secureControl(ftp::FtpSession& session, const std::string& hostName);
    // The trust store knows a server by the address or name it was reached at, without
    // brackets, and the port connected to: "[::1]" and "::1" port 21 are one server.
    bool acceptCertificate(const ftp::FtpSession& session);
    // PBSZ and PROT after login; false when the connection must end.
    bool secureData(ftp::FtpSession& session, const std::string& hostName);
    // What the server offers, asked once logged in; false when the connection failed.
    bool learnFeatures(ftp::FtpSession& session, const std::string& hostName);
    // open(), and the message when it fails: for TLS from the first byte, a failed
    // handshake says so.
    bool openSession(ftp::FtpSession& session, const std::string& hostName, int failedMessage);
    bool askPassword(const std::string& host, std::string& password);
    // Ends a failed connection: the session is closed, then the window gives it up.
    void fail(ftp::FtpSession& session);

    ConnectHost& host_;
    platform::UiThread& ui_;
    ServerProfile profile_;
    std::string lastRemotePath_;

    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<int> result_{0};
    int firewallPort_ = 21;
    std::string trustStorePath_;
    std::mutex sessionMutex_;
    ftp::FtpSession* session_ = nullptr;  // guarded: what stop() aborts
};

// Whether a profile connects in passive mode: its flag, or ":passive_mode" in its name.
bool usesPassiveMode(const ServerProfile& profile);

// The profile's name encoding as the engine takes it; an unknown stored value is automatic.
ftp::NameEncoding nameEncodingOf(const ServerProfile& profile);

// The certificate dialog's question for a certificate that did not verify, or that is not
// the one trusted for host and port (trustedFingerprint, empty when none).
platform::CertificateQuestion certificateQuestion(const ftp::CertificateFacts& facts,
                                                  const std::string& host, int port,
                                                  const std::string& trustedFingerprint);

}  // namespace session
