#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>

#include "ftpsession.h"
#include "socketio.h"

namespace ftp {
namespace {

// Progress advances block by block: a block is reported once it has moved whole, the
// last one when the data ends.
constexpr std::size_t kBlock = 4096;
// System calls move many blocks at once: on loopback, calls of one block each halve the
// rate. Uploads read and send 64 KiB at a time; downloads receive whatever has arrived,
// up to 256 KiB, and write the file when that buffer is full.
constexpr std::size_t kSendPiece = 64 * 1024;
constexpr std::size_t kReceiveBuffer = 256 * 1024;

using Clock = std::chrono::steady_clock;

std::int64_t millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool isTransferDone(int code) {
    return code == 226 || code == 250;
}
bool isPreliminary(int code) {
    return code == 150 || code == 125;
}

// Fills the buffer unless the file ends first. Returns the bytes read, or -1 (errno set).
ssize_t readUpTo(int fd, char* buffer, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::read(fd, buffer + done, n - done);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            return -1;
        }
    }
    return static_cast<ssize_t>(done);
}

// Returns 0 or the errno of the failed write.
int writeAll(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t put = ::write(fd, data, n);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += put;
        n -= static_cast<std::size_t>(put);
    }
    return 0;
}

// Closes a local file once, on every path.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    // Returns 0 or errno: a file system may report a failed write only here.
    int close() {
        if (fd_ < 0) return 0;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd_;
};

}  // namespace

void FtpSession::reportBlocks(std::int64_t total, std::int64_t before, std::int64_t after) const {
    if (!progressSink_) return;
    const auto block = static_cast<std::int64_t>(kBlock);
    for (std::int64_t done = (before / block + 1) * block; done <= after; done += block)
        progressSink_->setByteCounter(total, done);
}

int FtpSession::sendFileData(int file, std::int64_t size, std::int64_t& sent) {
    // sendfile() would raise SIGPIPE when the server closes early; send() need not.
    const auto chunk = std::make_unique_for_overwrite<char[]>(kSendPiece);
    for (;;) {
        const ssize_t got = readUpTo(file, chunk.get(), kSendPiece);
        if (got <= 0) return got < 0 ? errno : 0;
        for (ssize_t at = 0; at < got;) {
            const ssize_t out = sendData(chunk.get() + at, static_cast<std::size_t>(got - at));
            if (out < 0) return errno;
            reportBlocks(size, sent, sent + out);
            sent += out;
            at += out;
        }
    }
}

int FtpSession::sendType(bool binary) {
    if (!sendCommand(binary ? "TYPE I" : "TYPE A", true)) return 0;
    std::string reply;
    return readReply(reply, true);
}

int FtpSession::setType(int mode) {
    if (!connected) return 0;
    if (!sendCommand(mode == 2 ? "TYPE I" : "TYPE A", true)) return 0;
    std::string reply;
    readReply(reply, true);
    return 1;
}

void FtpSession::showRate(std::int64_t bytes, std::int64_t milliseconds) const {
    if (milliseconds <= 0) return;
    std::string text;
    if (formatRate(rateFormat_, (static_cast<double>(bytes) / 1024.0) / (milliseconds * 0.001),
                   text))
        showStatus(1, text);
}

int FtpSession::upload(const std::string& localPath, const std::string& remoteName, bool binary) {
    if (!connected) return 0;

    // The local file first: no PASV, and no listener left on the server, for a file
    // that cannot be read.
    FileHandle file(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        lastError = errno;
        return 0;
    }
    if (S_ISDIR(info.st_mode)) {
        lastError = EISDIR;
        return 0;
    }
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::int64_t size = info.st_size;

    if (passive && !enterPassive()) return 0;
    if (!openDataConnection()) return 0;
    auto fail = [this] {
        closeDataSocket();
        return 0;
    };
    // A binary file sent in another representation than asked for would arrive changed.
    const int typeCode = sendType(binary);
    if (typeCode == 0 || typeCode >= 400) {
        refuse(typeCode);
        return fail();
    }
    if (!sendCommand("STOR " + remoteName, true)) return fail();
    std::string reply;
    const int code = readReply(reply, true);
    if (!isPreliminary(code)) {
        refuse(code);
        return fail();
    }
    if (!acceptDataConnection()) {
        readFinalReplyAfterFailure();
        return 0;
    }

    reportProgress(size, 0);
    const auto start = Clock::now();
    std::int64_t sent = 0;
    const int sendError = sendFileData(file.get(), size, sent);
    if (sent % kBlock != 0) reportProgress(size, sent);  // the last, partial block
    closeDataSocket();
    file.close();
    if (aborted_) return 0;

    const int finalCode = readReply(reply, true);
    if (!isTransferDone(finalCode)) {
        refuse(finalCode);
        return 0;
    }
    // The server confirmed what it got, but that was not the whole file.
    if (sendError != 0) {
        lastError = sendError;
        return 0;
    }
    showRate(sent, millisecondsSince(start));
    return 1;
}

int FtpSession::download(const std::string& localPath, const std::string& remoteName, bool binary,
                         std::int64_t expectedSize) {
    (void)expectedSize;
    if (!connected) return 0;

    // Created at once, as the caller expects to find it after any outcome; others may
    // read it meanwhile.
    FileHandle file(::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        lastError = errno;
        return 0;
    }
    if (passive && !enterPassive()) return 0;
    if (!openDataConnection()) return 0;
    auto fail = [this] {
        closeDataSocket();
        return 0;
    };
    const int typeCode = sendType(binary);
    if (typeCode == 0 || typeCode >= 400) {
        refuse(typeCode);
        return fail();
    }
    if (!sendCommand("RETR " + remoteName, true)) return fail();
    std::string reply;
    const int code = readReply(reply, true);
    if (code == 550 || code == 553) {
        lastError = 553;
        return fail();
    }
    if (!isPreliminary(code)) {
        refuse(code);
        return fail();
    }
    const std::int64_t expected = parseTransferSize(reply);
    if (!acceptDataConnection()) {
        readFinalReplyAfterFailure();
        return 0;
    }

    const auto start = Clock::now();
    const auto buffer = std::make_unique_for_overwrite<char[]>(kReceiveBuffer);
    std::size_t filled = 0;
    std::int64_t received = 0;
    int writeError = 0;  // once set, the rest is still drained but no longer written
    bool dataFailed = false;
    reportProgress(expected, 0);
    for (;;) {
        const ssize_t got = receiveData(buffer.get() + filled, kReceiveBuffer - filled);
        if (got <= 0) {
            dataFailed = got < 0;
            if (dataFailed && errno == ETIMEDOUT) lastError = ETIMEDOUT;  // the server stalled
            break;
        }
        reportBlocks(expected, received, received + got);
        received += got;
        filled += static_cast<std::size_t>(got);
        if (filled == kReceiveBuffer) {
            if (writeError == 0) writeError = writeAll(file.get(), buffer.get(), filled);
            filled = 0;
        }
    }
    if (received % kBlock != 0) reportProgress(expected, received);  // the last, partial block
    if (writeError == 0) writeError = writeAll(file.get(), buffer.get(), filled);
    const int closeError = file.close();
    if (writeError == 0) writeError = closeError;
    closeDataSocket();
    if (aborted_) return 0;
    if (dataFailed) {
        readFinalReplyAfterFailure();
        return 0;
    }

    const int finalCode = readReply(reply, true);
    showRate(received, millisecondsSince(start));
    if (!isTransferDone(finalCode)) {
        refuse(finalCode);
        return 0;
    }
    if (writeError != 0) {
        lastError = writeError;
        return 0;
    }
    return 1;
}

}  // namespace ftp
