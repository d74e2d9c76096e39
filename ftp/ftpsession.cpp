#include "ftpsession.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "dataaddress.h"
#include "socketio.h"
#include "trace.h"

namespace ftp {
namespace {

constexpr auto kFailedReadPause = std::chrono::milliseconds(100);

// A line break or NUL inside a command would let a name smuggle in a second command.
bool isSafeCommand(const std::string& command) {
    return command.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

int chooseControlPort(int configuredPort, int servicesPort) {
    int chosen = 21;
    if (servicesPort > 0 && servicesPort != 21) chosen = servicesPort;
    if (configuredPort != 21) chosen = configuredPort;
    return chosen;
}

int servicesFtpPort() {
    servent entry{};
    servent* result = nullptr;
    char buffer[1024];
    if (::getservbyname_r("ftp", "tcp", &entry, buffer, sizeof buffer, &result) != 0 || !result)
        return 0;
    return ntohs(static_cast<std::uint16_t>(result->s_port));
}

FtpSession::FtpSession(std::string hostName, std::string userId, std::string userPassword)
    : host(std::move(hostName)), user(std::move(userId)), password(std::move(userPassword)) {}

FtpSession::~FtpSession() {
    closeDataSocket(false);
    closeControlSocket();
}

void FtpSession::showStatus(int pane, const std::string& text) const {
    if (!statusSink_) return;
    // Commands and replies carry names in the server's encoding; the sink shows UTF-8.
    if (pane == 0 && namesEncoding() == NameEncoding::Gb18030)
        statusSink_->setStatusText(pane, nameForDisplay(text, NameEncoding::Gb18030));
    else
        statusSink_->setStatusText(pane, text);
}

void FtpSession::setControlSocket(int fd) {
    std::lock_guard lock(socketMutex_);
    controlSocket_.store(fd);
    controlBegin_ = controlEnd_ = 0;
}

void FtpSession::setDataSocket(int fd) {
    std::lock_guard lock(socketMutex_);
    dataSocket_.store(fd);
}

void FtpSession::closeControlSocket() {
    controlTls_.reset();
    dataProtected_ = false;
    std::lock_guard lock(socketMutex_);
    int fd = controlSocket_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

void FtpSession::closeDataSocket(bool graceful) {
    // The TLS end goes first, outside the lock, which abort() must always get at once.
    if (dataTls_ && graceful) dataTls_->shutdown(true, kWaitSeconds);
    dataTls_.reset();
    std::lock_guard lock(socketMutex_);
    int fd = dataSocket_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

void FtpSession::abort() {
    std::lock_guard lock(socketMutex_);
    aborted_.store(true);
    for (int fd : {controlSocket_.load(), dataSocket_.load()})
        if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

int FtpSession::waitWritable(int seconds, int microseconds) const {
    return waitForSocket(controlSocket_.load(), POLLOUT, seconds, microseconds);
}

int FtpSession::waitReadable(int seconds, int microseconds) const {
    if (controlBegin_ < controlEnd_) return 1;  // already received
    if (controlTls_ && controlTls_->pending()) return 1;
    return waitForSocket(controlSocket_.load(), POLLIN, seconds, microseconds);
}

ssize_t FtpSession::readControlByte(char& byte) {
    if (controlBegin_ == controlEnd_) {
        if (waitReadable(kWaitSeconds, 0) <= 0) return -1;
        const ssize_t got = controlReceive(controlBuffer_.data(), controlBuffer_.size());
        if (got <= 0) return got;
        controlBegin_ = 0;
        controlEnd_ = static_cast<std::size_t>(got);
    }
    byte = controlBuffer_[controlBegin_++];
    return 1;
}

int FtpSession::open() {
    if (connected || aborted_) return 0;
    int fieldPort = 0;
    if (!parseHostField(host, hostName_, fieldPort)) return 0;
    // A port written in the host field ("[::1]:2121") names this host's port, so it wins
    // over the configured one, the services database included.
    const int controlPort = fieldPort > 0 ? fieldPort : chooseControlPort(port, servicesFtpPort());

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(hostName_.c_str(), std::to_string(controlPort).c_str(), &hints, &found) !=
            0 ||
        !found)
        return 0;
    const std::vector<sockaddr_storage> order = connectionOrder(addressesOf(found));
    ::freeaddrinfo(found);
    return openAddresses(order);
}

int FtpSession::openAddresses(const std::vector<sockaddr_storage>& order) {
    if (connected || aborted_) return 0;
    closeControlSocket();
    bool reached = false;
    for (const sockaddr_storage& address : order) {
        // An abort between attempts ends them; one that came before the socket was
        // published is seen right after.
        if (aborted_) return 0;
        const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        setControlSocket(fd);
        if (aborted_) return 0;
        if (connectWithin(fd, reinterpret_cast<const sockaddr*>(&address), addressLength(address),
                          kWaitSeconds) == 0) {
            reached = true;
            break;
        }
        closeControlSocket();
    }
    if (!reached) return 0;

    const int fd = controlSocket_.load();
    socklen_t length = sizeof localAddress;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&localAddress), &length) != 0) return 0;
    sockaddr_storage peer{};
    length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
        connectedPort_ = ntohs(peer.ss_family == AF_INET6
                                   ? reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port
                                   : reinterpret_cast<const sockaddr_in*>(&peer)->sin_port);
    epsvRefused_ = false;
    if (implicitTls && !handshakeControl()) return 0;

    connected = true;
    std::string welcome;
    if (readReply(welcome, true, 4096) != 220) {
        connected = false;
        return 0;
    }
    return 1;
}

int FtpSession::sendCommand(const std::string& command, bool showText, const char* displayText) {
    if (!connected) return 0;
    if (!isSafeCommand(command)) return 0;  // refused before anything is sent

    if (showText)
        showStatus(0, command);
    else if (displayText)
        showStatus(0, displayText);

    // The line goes out whole: a cut command could name another file than the one meant.
    const std::string line = command + "\r\n";
    ssize_t sent = -1;
    if (waitWritable(kWaitSeconds, 0) > 0) sent = controlSend(line.data(), line.size());

    if (trace::traceEnabled()) {
        // The password never reaches the trace: a masked line stands in for it.
        const std::string traced =
            displayText && !showText ? std::string(displayText) + "\r\n" : line;
        trace::write(traced + " (ret = " + std::to_string(sent) + ")\n");
    }

    if (sent == static_cast<ssize_t>(line.size())) return 1;
    lastError = -1;
    return 0;
}

int FtpSession::readReply(std::string& text, bool showReply, std::size_t capacity) {
    return readReplyText(text, showReply, capacity, false);
}

int FtpSession::readReplyLines(std::string& text, bool showReply) {
    return readReplyText(text, showReply, kReplyCapacity, true);
}

int FtpSession::readReplyText(std::string& text, bool showReply, std::size_t capacity,
                              bool keepLines) {
    text.clear();
    if (!connected) return 0;

    int code = 0;
    int position = 0;
    int continuations = 0;
    int firstCode = 0;
    int failures = 0;
    const std::size_t limit = capacity > 0 ? capacity - 1 : 0;

    for (;;) {
        char byte = 0;
        const ssize_t got = readControlByte(byte);
        if (got <= 0) {
            ++failures;
            if (aborted_) {
                lastError = -1;
                return 0;
            }
            std::this_thread::sleep_for(kFailedReadPause);
            if (trace::traceEnabled())
                trace::write("ret code = " + std::to_string(got) +
                             " (retry:" + std::to_string(failures) + ")\n");
            if (failures > kMaxFailedReads) {
                lastError = -1;
                return 0;
            }
            continue;
        }

        if (byte == '\n') {
            if (keepLines && text.size() < limit) text.push_back(byte);
            if (continuations == 0 || code == firstCode) break;
            if (firstCode == 0) firstCode = code;
            code = 0;
            position = 0;
            continue;
        }

        ++position;
        if (position >= 1 && position <= 3 && byte >= '0' && byte <= '9') {
            code = code * 10 + (byte - '0');
            if (keepLines && text.size() < limit) text.push_back(byte);
            continue;
        }
        if (byte != '\r' && text.size() < limit) text.push_back(byte);
        if (position == 4 && byte == '-') {
            if (continuations != 0) code = 0;
            ++continuations;
        }
    }

    if (trace::traceEnabled()) trace::write(text + "\n");
    if (showReply) showStatus(0, text);
    return code;
}

void FtpSession::close() {
    if (sendCommand("QUIT", true)) {
        std::string reply;
        readReply(reply, true, 4096);
    }
    closeDataSocket(false);
    if (controlTls_) controlTls_->shutdown(false, 1);
    closeControlSocket();
    controlBegin_ = controlEnd_ = 0;
    passivePort = 0;
    extendedPassive_ = false;
    epsvRefused_ = false;
    connected = false;
    serverType = ServerType::Unix;
    features_ = {};
    verifier_ = {};
}

}  // namespace ftp
