#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

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

}  // namespace

int FtpSession::enterPassive() {
    if (!connected) return 0;
    std::string reply;
    if (!sendCommand("PASV", true)) return 0;
    if (readReply(reply, true) != 227) return 0;
    std::string address;
    int dataPort = 0;
    if (!parsePassiveReply(reply, address, dataPort)) return 0;
    passiveAddress = address;
    passivePort = dataPort;
    return 1;
}

int FtpSession::openDataConnection() {
    if (!connected || aborted_) return 0;

    sockaddr_in target{};
    if (passive) {
        in_addr announced{};
        if (passivePort == 0 || ::inet_pton(AF_INET, passiveAddress.c_str(), &announced) != 1)
            return 0;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        std::uint32_t peerHost = 0;  // unknown counts as inside: the announced address wins
        if (::getpeername(controlSocket_.load(), reinterpret_cast<sockaddr*>(&peer), &length) == 0)
            peerHost = ntohl(peer.sin_addr.s_addr);
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(choosePassiveTarget(ntohl(announced.s_addr), peerHost));
        target.sin_port = htons(static_cast<std::uint16_t>(passivePort));
    }

    closeDataSocket();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    setDataSocket(fd);
    if (aborted_) {  // an abort that came before the socket was published
        closeDataSocket();
        return 0;
    }

    if (passive) {
        const int error = connectWithin(fd, reinterpret_cast<const sockaddr*>(&target),
                                        sizeof target, kWaitSeconds);
        if (error == 0) {
            limitIdleTime(fd, dataIdleSeconds);
            return 1;
        }
        lastError = error;
        closeDataSocket();
        return 0;
    }

    // Active: listen on the interface that carries the control connection, any free port.
    sockaddr_in local = localAddress;
    local.sin_family = AF_INET;
    local.sin_port = 0;
    socklen_t length = sizeof local;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        closeDataSocket();
        return 0;
    }
    std::string reply;
    if (!sendCommand(portCommand(local), true) || readReply(reply, true) == 0) {
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
