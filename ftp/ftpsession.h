#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fileentry.h"
#include "ftpcodes.h"
#include "nameencoding.h"
#include "serverfeatures.h"
#include "servertype.h"
#include "sinks.h"
#include "tls.h"
#include "verification.h"

namespace ftp {

struct DataCommand;
class DataSink;
class DataSource;

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

    // The rate text after a transfer, as the UI's language gives it: one floating-point
    // conversion for kilobytes per second. A format that is not of that shape is refused.
    static constexpr const char* kDefaultRateFormat = "%4.1f K 字节/sec";

    void setStatusSink(StatusSink* sink) { statusSink_ = sink; }
    StatusSink* statusSink() const { return statusSink_; }
    void setProgressSink(ByteProgressSink* sink) { progressSink_ = sink; }
    bool setRateFormat(const std::string& format);
    const std::string& rateFormat() const { return rateFormat_; }

    // Control connection. With implicitTls set, open() speaks TLS from the first byte.
    // The host field may be a name, an IPv4 or an IPv6 address (brackets optional) and
    // may end in ":port"; every address the name resolves to is tried in turn.
    int open();
    // As open(), on addresses already resolved (their ports included), tried in order.
    int openAddresses(const std::vector<sockaddr_storage>& order);
    // After open(): the host without brackets or port (what a certificate must name) and
    // the port connected to.
    const std::string& hostName() const { return hostName_; }
    int connectedPort() const { return connectedPort_; }
    int sendCommand(const std::string& command, bool showText, const char* displayText = nullptr);
    int readReply(std::string& text, bool showReply, std::size_t capacity = kReplyCapacity);
    // As readReply, but text keeps every line as sent, codes included, each ended by LF:
    // for replies whose lines are a list (FEAT).
    int readReplyLines(std::string& text, bool showReply);
    void close();

    // Encryption. startTls: AUTH TLS and the handshake on the control connection, before
    // login. protectData: PBSZ 0 and PROT P after login; every data connection is then
    // encrypted too, resuming the control connection's TLS session. Both return 1, or 0
    // with the refusing reply code, or kTlsFailed (reason in tlsError()), in lastError.
    static constexpr int kTlsFailed = 903;
    int startTls();
    int protectData();
    bool controlEncrypted() const { return controlTls_ != nullptr; }
    bool dataProtected() const { return dataProtected_; }
    // The control connection's certificate; null without TLS.
    const CertificateFacts* certificate() const;
    // "TLSv1.3", or empty without TLS.
    std::string tlsProtocol() const;
    const std::string& tlsError() const { return tlsError_; }

    // Login and server identification.
    int login(const std::string& hostName, const std::string& userId,
              const std::string& userPassword);
    int loginViaSite(const std::string& serverHost, const std::string& userId,
                     const std::string& userPassword);
    // After the login: FEAT, read once per session, and OPTS UTF8 ON when the server offers
    // UTF8 and nameEncoding is not GB18030. A refusal of either changes nothing. Returns
    // 0 only when the connection failed.
    int learnFeatures();
    const Features& features() const { return features_; }
    // The encoding names are read and written in (effectiveEncoding), as the profile, the
    // features and the listings so far decide it; any thread may ask.
    NameEncoding namesEncoding() const {
        return effectiveEncoding(nameEncoding, features_.utf8, !sawOtherNames_.load());
    }

    // Data connections: passive (EPSV or PASV) or active (EPRT or PORT), as `passive`,
    // the control connection's family and the server's features say (chooseDataCommand).
    // A refused EPSV falls back to PASV, for the rest of the session. Calling order of a
    // transfer: enterPassive (passive only), openDataConnection, the command and its
    // preliminary reply, acceptDataConnection, the data, closing the data socket, the final
    // reply.
    int enterPassive();
    int openDataConnection();
    int acceptDataConnection();

    // The current remote directory, one entry per listing line in listing order
    // (kind 0 for lines that are no entry); nullopt on failure. MLSD when the server
    // offers it and machineListing allows, after one OPTS MLST asking for the facts; a
    // refused MLSD is not tried again and LIST lists instead.
    std::optional<std::vector<FileEntry>> list();

    // File transfers. mode: 1 text, 2 binary.
    int setType(TransferMode mode);
    // lastError of a failed transfer that is neither an errno value nor a reply code.
    // kIncompleteTransfer: in binary mode the bytes received differ from the size the
    // server announced or the caller listed (expectedSize, -1 when unknown).
    // kNotRegularFile: the local file is a FIFO, socket or device, never opened for data.
    static constexpr int kIncompleteTransfer = 901;
    static constexpr int kNotRegularFile = 902;
    // kTransferStopped: stopTransfer() ended it; kRestartRefused: REST was refused.
    static constexpr int kTransferStopped = 905;
    static constexpr int kRestartRefused = 906;
    // kAppendRefused: the server refused APPE.
    static constexpr int kAppendRefused = 907;
    // resumeFrom above 0: REST and STOR send the rest of the file from there (binary; the
    // server must offer REST STREAM). With append, APPE sends it instead, for a server
    // that refuses REST; resumeFrom must then be the size of the server's copy.
    int upload(const std::string& localPath, const std::string& remoteName, bool binary,
               std::int64_t resumeFrom = 0, bool append = false);
    // resumeFrom -1: the local file is made anew and goes again on failure. 0 or more: the
    // caller owns the file, which is kept on failure; above 0 the transfer continues there
    // (REST), and expectedSize is then the whole file's.
    int download(const std::string& localPath, const std::string& remoteName, bool binary,
                 std::int64_t expectedSize = -1, std::int64_t resumeFrom = -1);
    // From any thread: the transfer in progress ends now, with ABOR, rather than with its
    // file. Holds until clearStop().
    void stopTransfer();
    void clearStop() { stopRequested_.store(false); }

    // The bytes the last download's data connection carried, as the server sent them.
    std::int64_t receivedBytes() const { return receivedBytes_; }

    // After a transfer: the server's size (MLST when offered, else SIZE) must be the local
    // file's when checkSize is set, and its hash, where it offers a command for one, the
    // local file's. 1 when nothing disagrees (how says what was compared, possibly
    // nothing); else 0 with lastError kVerifyMismatch, -1 or a local errno.
    // A text-mode file (lineEnds) may be on the server in either of its forms, each
    // compared whole. TYPE I is set first, so that SIZE counts stored bytes; the next
    // transfer sets its own type. A downloaded server copy with mixed line ends, its size
    // between the two forms', is 1 with nothing compared.
    static constexpr int kVerifyMismatch = 904;
    int verifyFile(const std::string& localPath, const std::string& remoteName, bool checkSize,
                   Verification& how, LineEnds lineEnds = {});
    // The server's size of a file: 1 (size set), 0 when it tells none, kVerifyMismatch
    // when it has no such file, -1 when the connection failed.
    int remoteSize(const std::string& name, std::int64_t& size);

    // Remote file operations: 1 on success, 0 with the reason in lastError.
    int currentDirectory(std::string& path);
    int changeDirectory(const std::string& path, bool quiet);
    int makeDirectory(const std::string& name);
    int removeDirectory(const std::string& name);
    int deleteFile(const std::string& name);
    int rename(const std::string& oldName, const std::string& newName);
    int changeMode(const std::string& mode, const std::string& name);
    // 0 when the server answered NOOP with 200; 1 when the connection is not usable.
    int checkAlive();

    // Makes blocking calls of the thread that uses the session return soon, for a
    // cooperative stop: sockets are shut down and no failed read is retried.
    void abort();
    bool aborted() const { return aborted_.load(); }

    int waitWritable(int seconds, int microseconds) const;
    int waitReadable(int seconds, int microseconds) const;

    int controlSocket() const { return controlSocket_.load(); }
    int dataSocket() const { return dataSocket_.load(); }

    // Open to the owner: the settings it makes before open() (port, passive) and the state
    // it reads after each operation.
    int port = 21;
    int lastError = 0;
    int passivePort = 0;
    bool connected = false;
    int serverType = ServerType::Unidentified;
    bool passive = false;
    // How long active mode waits for the server to connect.
    int acceptWaitSeconds = kWaitSeconds;
    // How long a data connection may move nothing before the transfer is given up
    // (lastError ETIMEDOUT).
    int dataIdleSeconds = 120;
    // TLS from the first byte (implicit), rather than after AUTH TLS.
    bool implicitTls = false;
    // A file of trust anchors besides the system's; empty for the system's only.
    std::string tlsAnchors;
    std::string host;
    std::string user;
    std::string password;
    std::string passiveAddress;
    sockaddr_storage localAddress{};
    // The profile's choice of how names are encoded on the server.
    NameEncoding nameEncoding = NameEncoding::Automatic;
    // Machine listings (MLSD) when the server offers them; false keeps to LIST.
    bool machineListing = true;

protected:
    void showStatus(int pane, const std::string& text) const;
    void setControlSocket(int fd);
    void setDataSocket(int fd);
    // Graceful: a TLS data connection that is still sound is ended with close_notify.
    void closeDataSocket(bool graceful = true);

private:
    void closeControlSocket();
    // Where a passive data connection goes: the EPSV port at the control connection's
    // peer, or the PASV address (its NAT fallback applied). False when there is none.
    bool passiveTarget(sockaddr_storage& target) const;
    // The handshake on the control connection; 1, or 0 with lastError kTlsFailed.
    int handshakeControl();
    // The handshake on a data connection that has just been made.
    int handshakeData();
    // Received or sent on the control connection, through TLS when it is up.
    ssize_t controlReceive(char* buffer, std::size_t n);
    ssize_t controlSend(const char* data, std::size_t n);
    // The next byte from the control connection: 1, or what a failed wait or recv gave.
    ssize_t readControlByte(char& byte);
    // Stores a refusal's code; a 0 from the reply engine has already left -1 there.
    void refuse(int code) {
        if (code != 0) lastError = code;
    }
    int sendAndRead(const std::string& command, std::string& reply, bool showReply = true);
    // One listing: MLSD, or LIST with its fallback.
    std::optional<std::vector<FileEntry>> listWith(bool machine);
    bool prepareMachineListing();
    int readReplyText(std::string& text, bool showReply, std::size_t capacity, bool keepLines);
    // The data path of LIST, RETR and STOR. Begins a command that moves data: PASV or
    // PORT, TYPE, the command, its preliminary reply (into reply) and the data connection.
    // True with the connection ready; false with it closed. code is the command's reply
    // code, 0 when it got none.
    bool beginDataCommand(const DataCommand& data, std::string& reply, int& code);
    // Receives until the server closes the data connection; false when the connection
    // failed (lastError ETIMEDOUT when it stalled).
    bool receiveInto(DataSink& sink);
    // Sends all the source holds. Returns 0, or the errno that stopped it.
    int sendFrom(DataSource& source);
    // Closes the data connection and reads the final reply: its code. nullopt when the
    // transfer was stopped: aborted, or failed (the reply is then read only to keep the
    // dialogue in step).
    std::optional<int> endDataCommand(bool failed, std::string& reply);
    // After a transfer that failed once the server had begun it: its final reply, so the
    // next command reads its own reply. Nothing is read after an abort.
    void readFinalReplyAfterFailure();
    // After stopTransfer(): ABOR, the data connection closed, the replies read.
    void abortDataCommand();
    // The server's hash of a file, as remoteSize; used says which command gave it.
    int remoteHash(const std::string& name, HashCommand& used, std::string& hex);
    void showRate(std::int64_t bytes, std::int64_t milliseconds) const;
    void reportProgress(std::int64_t total, std::int64_t done) const {
        if (progressSink_) progressSink_->setByteCounter(total, done);
    }
    // The plain path of the data connection, which a secure layer would stand in for: one
    // recv()/send() of what can move, returning the bytes moved, 0 at its end (receive),
    // or -1 with errno (ETIMEDOUT after dataIdleSeconds without progress).
    ssize_t receiveData(char* buffer, std::size_t n);
    ssize_t sendData(const char* data, std::size_t n);

    // Control bytes received but not yet read by the reply engine. Receiving them in
    // bulk, rather than one recv() per byte, keeps many small transfers fast; what
    // follows a reply waits here for the next one.
    std::array<char, 4096> controlBuffer_{};
    std::size_t controlBegin_ = 0;
    std::size_t controlEnd_ = 0;

    StatusSink* statusSink_ = nullptr;
    ByteProgressSink* progressSink_ = nullptr;
    std::string rateFormat_ = kDefaultRateFormat;
    std::atomic<int> controlSocket_{-1};
    std::atomic<int> dataSocket_{-1};
    std::atomic<bool> aborted_{false};
    std::atomic<bool> stopRequested_{false};
    // TLS over the sockets; used only by the thread that uses the session.
    std::unique_ptr<TlsContext> tlsContext_;
    std::unique_ptr<TlsConnection> controlTls_;
    std::unique_ptr<TlsConnection> dataTls_;
    bool dataProtected_ = false;
    std::string tlsError_;
    Features features_;
    std::string hostName_;
    int connectedPort_ = 0;
    // The last passive reply was EPSV's: the data goes to the control connection's peer.
    bool extendedPassive_ = false;
    bool epsvRefused_ = false;
    // Once a listing held a name that is not UTF-8, automatic stays with GB18030 for the
    // session, so an empty folder does not switch an upload's names to UTF-8.
    std::atomic<bool> sawOtherNames_{false};
    bool mlsdRefused_ = false;
    bool mlstOptionsSent_ = false;
    VerifierState verifier_;
    std::int64_t receivedBytes_ = 0;
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

// The size a preliminary RETR reply announces, "(1234 bytes)" or "(12k)"; 0 when none.
std::int64_t parseTransferSize(std::string_view replyText);
// The size only when announced to the byte, "(1234 bytes)"; -1 otherwise ("(12k)" is
// rounded, so no count can be checked against it).
std::int64_t parseExactTransferSize(std::string_view replyText);

// The rate text: format with one floating-point conversion ("%%" allowed besides).
// Returns false, leaving text empty, for any other format.
bool formatRate(const std::string& format, double kilobytesPerSecond, std::string& text);

// The directory a PWD reply names between double quotes, a doubled quote standing for
// one; false when the text has no quoted name.
bool parseDirectoryReply(std::string_view replyText, std::string& path);

}  // namespace ftp
