#include "socketio.h"

#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace ftp {
namespace {

constexpr int kMaxWouldBlockWaits = 500;
constexpr auto kWouldBlockPause = std::chrono::milliseconds(20);

// Shared loop of recvFill and sendAll: io() moves bytes at an offset and returns what
// recv()/send() returned.
template <typename Io>
ssize_t transferFully(std::size_t n, Io io) {
    std::size_t done = 0;
    int waits = 0;
    while (done < n) {
        ssize_t got = io(done);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
            waits = 0;
            continue;
        }
        if (got == 0) break;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (++waits > kMaxWouldBlockWaits) break;
            std::this_thread::sleep_for(kWouldBlockPause);
            continue;
        }
        if (done == 0) return -1;
        break;
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

ssize_t recvFill(int socket, char* buffer, std::size_t n) {
    return transferFully(n, [&](std::size_t at) { return ::recv(socket, buffer + at, n - at, 0); });
}

ssize_t sendAll(int socket, const char* data, std::size_t n) {
    // MSG_NOSIGNAL: a peer that has gone must give an error here, not kill the process.
    return transferFully(
        n, [&](std::size_t at) { return ::send(socket, data + at, n - at, MSG_NOSIGNAL); });
}

int waitForSocket(int socket, short events, int seconds, int microseconds) {
    if (socket < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds) +
                          std::chrono::microseconds(microseconds);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{socket, events, 0};
        int r = ::poll(&pfd, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (r < 0 && errno == EINTR) continue;
        return r;
    }
}

int connectWithin(int socket, const sockaddr* address, socklen_t length, int seconds) {
    int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) return errno;
    int error = 0;
    if (::connect(socket, address, length) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            int ready = waitForSocket(socket, POLLOUT, seconds, 0);
            if (ready <= 0) {
                error = ready == 0 ? ETIMEDOUT : errno;
            } else {
                socklen_t len = sizeof error;
                if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
            }
        }
    }
    if (::fcntl(socket, F_SETFL, flags) < 0 && error == 0) error = errno;
    return error;
}

}  // namespace ftp
