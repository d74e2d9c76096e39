#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "servertype.h"
#include "sinks.h"

namespace ftp {

// One FTP client connection: the control connection, the current data connection and
// the last failure. Operations return 1/0, a reply code or a result object and never
// throw. One thread uses a session at a time; only abort() may be called from another.
class FtpSession {
public:
    // Reply text beyond this is dropped: a guard against a server that never ends a
    // reply, far above any real reply.
    static constexpr std::size_t kReplyCapacity = 1 << 20;
    static constexpr int kWaitSeconds = 30;
    static constexpr int kMaxFailedReads = 30;

    FtpSession(std::string host, std::string user, std::string password);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    void setStatusSink(StatusSink* sink) { statusSink_ = sink; }
    StatusSink* statusSink() const { return statusSink_; }

    // Control connection.
    int open();
    int sendCommand(const std::string& command, bool showText, const char* displayText = nullptr);
    int readReply(std::string& text, bool showReply, std::size_t capacity = kReplyCapacity);
    void close();

    // Login and server identification.
    int login(const std::string& hostName, const std::string& userId,
              const std::string& userPassword);
    int loginViaSite(const std::string& serverHost, const std::string& userId,
                     const std::string& userPassword);

    // Makes blocking calls of the thread that uses the session return soon, for a
    // cooperative stop: sockets are shut down and no failed read is retried.
    void abort();
    bool aborted() const { return aborted_.load(); }

    int waitWritable(int seconds, int microseconds) const;
    int waitReadable(int seconds, int microseconds) const;

    int controlSocket() const { return controlSocket_.load(); }
    int dataSocket() const { return dataSocket_.load(); }

    // Fields that the owner sets or reads, as the design names them.
    int port = 21;
    int lastError = 0;
    int passivePort = 0;
    bool connected = false;
    int serverType = ServerType::Unidentified;
    bool passive = false;
    std::string host;
    std::string user;
    std::string password;
    std::string passiveAddress;
    sockaddr_in localAddress{};

protected:
    void showStatus(int pane, const std::string& text) const;
    void setControlSocket(int fd);
    void setDataSocket(int fd);
    void closeDataSocket();

private:
    void closeControlSocket();

    StatusSink* statusSink_ = nullptr;
    std::atomic<int> controlSocket_{-1};
    std::atomic<int> dataSocket_{-1};
    std::atomic<bool> aborted_{false};
    // Serialises closing a socket against abort(), which must never shut down a
    // descriptor number that has been closed and reused meanwhile.
    std::mutex socketMutex_;
};

// Port rule of open(): 21, unless the services database names another port for ftp;
// a configured port other than 21 always wins. servicesPort is 0 without an entry.
int chooseControlPort(int configuredPort, int servicesPort);

// The services database's port for "ftp"/"tcp", or 0 when it has none.
int servicesFtpPort();

// Server style from the SYST reply, given the style the login learned so far
// (Unidentified, or WindowsNt / Macintosh from a USER or SITE reply). direct is false
// behind a firewall, where "MACOS Peter's Server" is not recognised.
int identifyServer(int systCode, const std::string& systText, int learnedSoFar, bool direct);

}  // namespace ftp
