#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "dataaddress.h"
#include "ftpsession.h"
#include "socketio.h"

namespace ftp {
namespace {

// A data connection that receives nothing for this long is given up, so that a server
// that stalls cannot hold the calling thread (the UI thread for a listing) for ever.
// Sending waits for room with the same limit (sendData).
void limitIdleTime(int fd, int seconds) {
    timeval limit{seconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

// The control connection's peer; family AF_UNSPEC when unknown.
sockaddr_storage controlPeer(int socket) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0) peer = {};
    return peer;
}

std::string addressText(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&address)->sin_addr, text,
                    sizeof text);
    else if (address.ss_family == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr, text,
                    sizeof text);
    return text;
}

void clearPort(sockaddr_storage& address) {
    if (address.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = 0;
    else
        reinterpret_cast<sockaddr_in*>(&address)->sin_port = 0;
}

}  // namespace

int FtpSession::enterPassive() {
    if (!connected) return 0;
    std::string reply;
    const int family = localAddress.ss_family;
    if (chooseDataCommand(family, true, features_.epsv, epsvRefused_) == DataAddressCommand::Epsv) {
        if (!sendCommand("EPSV", true)) return 0;
        const int code = readReply(reply, true);
        int dataPort = 0;
        if (code == 229 && parseExtendedPassiveReply(reply, dataPort)) {
            const sockaddr_storage peer = controlPeer(controlSocket_.load());
            passiveAddress = addressText(peer);
            passivePort = dataPort;
            extendedPassive_ = true;
            return 1;
        }
        // IPv4 still has PASV for a server that offers EPSV but will not do it.
        if (code < 500 || code > 599 || family != AF_INET) return 0;
        epsvRefused_ = true;
    }
    if (!sendCommand("PASV", true)) return 0;
    if (readReply(reply, true) != 227) return 0;
    std::string address;
    int dataPort = 0;
    if (!parsePassiveReply(reply, address, dataPort)) return 0;
    passiveAddress = address;
    passivePort = dataPort;
    extendedPassive_ = false;
    return 1;
}

bool FtpSession::passiveTarget(sockaddr_storage& target) const {
    if (passivePort == 0) return false;
    const sockaddr_storage peer = controlPeer(controlSocket_.load());
    if (extendedPassive_) {
        target = extendedPassiveTarget(peer, passivePort);
        return target.ss_family == AF_INET || target.ss_family == AF_INET6;
    }
    in_addr announced{};
    if (::inet_pton(AF_INET, passiveAddress.c_str(), &announced) != 1) return false;
    // Unknown counts as inside: the announced address wins.
    std::uint32_t peerHost = 0;
    if (peer.ss_family == AF_INET)
        peerHost = ntohl(reinterpret_cast<const sockaddr_in*>(&peer)->sin_addr.s_addr);
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(choosePassiveTarget(ntohl(announced.s_addr), peerHost));
    v4.sin_port = htons(static_cast<std::uint16_t>(passivePort));
    target = {};
    std::memcpy(&target, &v4, sizeof v4);
    return true;
}

int FtpSession::openDataConnection() {
    if (!connected || aborted_) return 0;

    sockaddr_storage target{};
    if (passive && !passiveTarget(target)) return 0;
    // Active: listen on the interface that carries the control connection, any free port.
    sockaddr_storage local = localAddress;
    const int family = passive ? target.ss_family : local.ss_family;

    closeDataSocket();
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    setDataSocket(fd);
    if (aborted_) {  // an abort that came before the socket was published
        closeDataSocket();
        return 0;
    }

    if (passive) {
        const int error = connectWithin(fd, reinterpret_cast<const sockaddr*>(&target),
                                        addressLength(target), kWaitSeconds);
        if (error == 0) {
            limitIdleTime(fd, dataIdleSeconds);
            return 1;
        }
        lastError = error;
        closeDataSocket();
        return 0;
    }

    clearPort(local);
    socklen_t length = sizeof local;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), addressLength(local)) != 0 ||
        ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        closeDataSocket();
        return 0;
    }
    const bool extended =
        chooseDataCommand(family, false, features_.epsv, epsvRefused_) == DataAddressCommand::Eprt;
    sockaddr_in v4{};
    std::memcpy(&v4, &local, sizeof v4);
    std::string reply;
    if (!sendCommand(extended ? extendedPortCommand(local) : portCommand(v4), true) ||
        readReply(reply, true) == 0) {
        closeDataSocket();
        return 0;
    }
    return 1;
}

int FtpSession::acceptDataConnection() {
    if (passive) return handshakeData();
    const int listener = dataSocket_.load();
    if (listener < 0 || aborted_) {
        closeDataSocket();
        return 0;
    }

    // Wait for the server's connection, at most acceptWaitSeconds. A reply on the control
    // connection before it means the server gave up connecting (425), so stop waiting.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(acceptWaitSeconds);
    // A reply already received counts as an answer too; a connection that came with it
    // is still taken.
    const bool replied = controlBegin_ < controlEnd_ || (controlTls_ && controlTls_->pending());
    bool incoming = false;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (replied) left = std::chrono::milliseconds(0);
        if (left.count() < 0 || (left.count() == 0 && !replied)) break;
        pollfd fds[2] = {{listener, POLLIN, 0}, {controlSocket_.load(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        incoming = fds[0].revents != 0;
        break;
    }

    int accepted = -1;
    if (incoming && !aborted_) accepted = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    closeDataSocket();  // the listener has served its purpose either way
    if (accepted < 0) return 0;
    limitIdleTime(accepted, dataIdleSeconds);
    setDataSocket(accepted);
    if (aborted_) {
        closeDataSocket();
        return 0;
    }
    return handshakeData();
}

}  // namespace ftp
