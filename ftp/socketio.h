#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>

namespace ftp {

// Receives until n bytes are in or the peer has closed the connection. Returns the
// bytes received; -1 only when an error came before any byte.
ssize_t recvFill(int socket, char* buffer, std::size_t n);

// Sends until n bytes are out. Returns the bytes sent; -1 only when an error came
// before any byte.
ssize_t sendAll(int socket, const char* data, std::size_t n);

// poll() for one event on one socket, repeated while interrupted. Returns poll's result:
// 1 ready, 0 timed out, -1 failed.
int waitForSocket(int socket, short events, int seconds, int microseconds);

// connect() that gives up after the given seconds; the socket stays blocking.
// Returns 0 or an errno value.
int connectWithin(int socket, const sockaddr* address, socklen_t length, int seconds);

}  // namespace ftp
