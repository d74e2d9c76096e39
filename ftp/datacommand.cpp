#include "datacommand.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "ftpsession.h"
#include "socketio.h"

namespace ftp {
namespace {

bool isPreliminary(int code) {
    return code == 150 || code == 125;
}

// The error a timed-out blocking call reports, as the caller should see it.
ssize_t failure() {
    if (errno == EAGAIN || errno == EWOULDBLOCK) errno = ETIMEDOUT;
    return -1;
}

}  // namespace

void reportBlocks(ByteProgressSink* sink, std::int64_t total, std::int64_t before,
                  std::int64_t after) {
    if (!sink) return;
    for (std::int64_t done = (before / kProgressBlock + 1) * kProgressBlock; done <= after;
         done += kProgressBlock)
        sink->setByteCounter(total, done);
}

bool FtpSession::beginDataCommand(const DataCommand& data, std::string& reply, int& code) {
    code = 0;
    if (!connected) return false;
    if (passive && !enterPassive()) return false;
    if (!openDataConnection()) return false;
    auto fail = [this] {
        closeDataSocket();
        return false;
    };
    if (data.type != TransferMode::Automatic) {
        // A binary file sent in another representation than asked for would arrive changed.
        const int typeCode =
            sendAndRead(data.type == TransferMode::Binary ? "TYPE I" : "TYPE A", reply);
        if (typeCode == 0 || typeCode >= 400) {
            refuse(typeCode);
            return fail();
        }
    }
    if (!data.restart.empty()) {
        code = sendAndRead(data.restart, reply);
        if (code != 350) {
            if (code != 0) lastError = kRestartRefused;
            return fail();
        }
    }
    if (!sendCommand(data.command, true)) return fail();
    code = readReply(reply, true);
    if (!isPreliminary(code)) {
        refuse(code);
        // Same prepared data connection: no second PASV or PORT.
        if (code == 0 || data.fallback.empty() || !sendCommand(data.fallback, true)) return fail();
        if (!isPreliminary(readReply(reply, true))) return fail();
    }
    if (data.agreed) {
        if (const int error = data.agreed()) {
            lastError = error;
            closeDataSocket();
            readFinalReplyAfterFailure();
            return false;
        }
    }
    if (!acceptDataConnection()) {
        readFinalReplyAfterFailure();
        return false;
    }
    return true;
}

void FtpSession::stopTransfer() {
    std::lock_guard lock(socketMutex_);
    stopRequested_.store(true);
    // A receive that waits for a stalled server returns at once.
    if (const int fd = dataSocket_.load(); fd >= 0) ::shutdown(fd, SHUT_RD);
}

bool FtpSession::receiveInto(DataSink& sink) {
    for (;;) {
        const std::span<char> space = sink.space();
        const ssize_t got = receiveData(space.data(), space.size());
        if (stopRequested_) {
            lastError = kTransferStopped;
            return false;
        }
        if (got == 0) return true;
        if (got < 0) {
            if (errno == ETIMEDOUT) lastError = ETIMEDOUT;  // the server stalled
            return false;
        }
        sink.received(static_cast<std::size_t>(got));
    }
}

int FtpSession::sendFrom(DataSource& source) {
    for (;;) {
        std::span<const char> piece;
        if (stopRequested_) return kTransferStopped;
        if (const int error = source.next(piece)) return error;
        if (piece.empty()) return 0;
        for (std::size_t at = 0; at < piece.size();) {
            const ssize_t out = sendData(piece.data() + at, piece.size() - at);
            if (stopRequested_) return kTransferStopped;
            if (out < 0) return errno;
            at += static_cast<std::size_t>(out);
            source.sent(static_cast<std::size_t>(out));
        }
    }
}

std::optional<int> FtpSession::endDataCommand(bool failed, std::string& reply) {
    closeDataSocket();
    if (aborted_) return std::nullopt;
    if (failed) {
        readFinalReplyAfterFailure();
        return std::nullopt;
    }
    return readReply(reply, true);
}

ssize_t FtpSession::receiveData(char* buffer, std::size_t n) {
    if (dataTls_) return dataTls_->read(buffer, n, dataIdleSeconds);
    for (;;) {
        const ssize_t got = ::recv(dataSocket_.load(), buffer, n, 0);
        if (got >= 0) return got;
        if (errno != EINTR) return failure();
    }
}

ssize_t FtpSession::sendData(const char* data, std::size_t n) {
    const int socket = dataSocket_.load();
    if (socket < 0) {
        errno = EBADF;
        return -1;
    }
    if (dataTls_) return dataTls_->write(data, n, dataIdleSeconds);
    for (;;) {
        // Waits for room, then sends what fits without blocking. With a send() that
        // blocks until the whole piece is out, uploads took about a fifth longer, the
        // server being the slower for it (bench/README.md).
        // In slices, so that a stop is seen while a slow server keeps the window shut.
        int ready = 0;
        for (int waited = 0; ready == 0 && waited < 4 * dataIdleSeconds; ++waited) {
            if (stopRequested_) {
                errno = ECANCELED;
                return -1;
            }
            ready = waitForSocket(socket, POLLOUT, 0, 250000);
        }
        if (ready == 0) errno = ETIMEDOUT;
        if (ready <= 0) return -1;
        const ssize_t sent = ::send(socket, data, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) return sent;
        if (sent == 0) {
            errno = EPIPE;
            return -1;
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    }
}

void FtpSession::abortDataCommand() {
    const bool sent = !aborted_ && connected && sendCommand("ABOR", true);
    closeDataSocket(false);
    if (!sent) return;
    // The transfer's own reply (426, or 226 when it ended first), then ABOR's; a server
    // that answers ABOR alone is not waited for long.
    std::string reply;
    if (readReply(reply, true) == 0) return;
    if (waitReadable(2, 0) > 0) readReply(reply, true);
}

void FtpSession::readFinalReplyAfterFailure() {
    if (aborted_ || !connected) return;
    if (waitReadable(kWaitSeconds, 0) <= 0) return;
    std::string reply;
    readReply(reply, true);
}

}  // namespace ftp
