#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "ftpsession.h"
#include "lineends.h"
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

// Opens a local file for a transfer only when it is a regular file. A FIFO would block
// open() or read() for ever, out of reach of abort(), and a device is no file to send or
// to overwrite: the open does not wait, and anything but a regular file is refused.
// Returns the descriptor, or -1 with the reason in error (an errno value, EISDIR for a
// directory, or kNotRegularFile).
int openRegularFile(const std::string& path, int flags, struct stat& info, int& error) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
        // A FIFO without a reader, or a socket, refuses a non-blocking open for writing.
        if (error == ENXIO && ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
            error = FtpSession::kNotRegularFile;
        return -1;
    }
    if (::fstat(fd, &info) != 0) {
        error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        error = FtpSession::kNotRegularFile;
    } else {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    ::close(fd);
    return -1;
}

// A download that fails leaves no file that could pass for the whole one: the local file
// it created or emptied goes again unless kept.
class PartialFile {
public:
    PartialFile(std::string path, bool armed) : path_(std::move(path)), armed_(armed) {}
    ~PartialFile() {
        if (armed_) ::unlink(path_.c_str());
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    void arm() { armed_ = true; }
    void keep() { armed_ = false; }

private:
    std::string path_;
    bool armed_;
};

}  // namespace

void FtpSession::reportBlocks(std::int64_t total, std::int64_t before, std::int64_t after) const {
    if (!progressSink_) return;
    const auto block = static_cast<std::int64_t>(kBlock);
    for (std::int64_t done = (before / block + 1) * block; done <= after; done += block)
        progressSink_->setByteCounter(total, done);
}

int FtpSession::sendFileData(int file, std::int64_t size, bool binary, std::int64_t& sent) {
    // sendfile() would raise SIGPIPE when the server closes early; send() need not.
    const auto chunk = std::make_unique_for_overwrite<char[]>(kSendPiece);
    const auto wire = std::make_unique_for_overwrite<char[]>(binary ? 0 : 2 * kSendPiece);
    for (;;) {
        const ssize_t got = readUpTo(file, chunk.get(), kSendPiece);
        if (got <= 0) return got < 0 ? errno : 0;
        const char* data = chunk.get();
        std::size_t n = static_cast<std::size_t>(got);
        if (!binary) {
            n = lfToCrLf(chunk.get(), n, wire.get());
            data = wire.get();
        }
        const std::int64_t before = sent;
        for (std::size_t at = 0; at < n;) {
            const ssize_t out = sendData(data + at, n - at);
            if (out < 0) return errno;
            at += static_cast<std::size_t>(out);
            // Progress counts the local file's bytes: a converted piece once it is out.
            const std::int64_t now = binary    ? before + static_cast<std::int64_t>(at)
                                     : at == n ? before + got
                                               : before;
            reportBlocks(size, sent, now);
            sent = now;
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
    struct stat info {};
    int openError = 0;
    FileHandle file(openRegularFile(localPath, O_RDONLY, info, openError));
    if (file.get() < 0) {
        lastError = openError;
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
    const int sendError = sendFileData(file.get(), size, binary, sent);
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

FtpSession::ReceiveResult FtpSession::receiveFileData(int file, std::int64_t total, bool binary) {
    ReceiveResult result;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kReceiveBuffer);
    std::size_t filled = 0;
    // Text: the buffer ends in a CR whose LF may still come; it is not counted yet.
    std::size_t heldCr = 0;
    auto flush = [&](std::size_t n) {
        if (result.writeError == 0) result.writeError = writeAll(file, buffer.get(), n);
        result.written += static_cast<std::int64_t>(n);
        filled -= n;
        std::memmove(buffer.get(), buffer.get() + n, filled);
    };
    auto local = [&] { return result.written + static_cast<std::int64_t>(filled - heldCr); };
    reportProgress(total, 0);
    for (;;) {
        const ssize_t got = receiveData(buffer.get() + filled, kReceiveBuffer - filled);
        if (got <= 0) {
            result.dataFailed = got < 0;
            if (result.dataFailed && errno == ETIMEDOUT) lastError = ETIMEDOUT;  // a stall
            break;
        }
        result.received += got;
        const std::int64_t before = local();
        if (binary) {
            filled += static_cast<std::size_t>(got);
        } else {
            const std::size_t from = filled - heldCr;
            filled = from + crlfToLf(buffer.get() + from, filled + got - from);
            heldCr = filled > 0 && buffer[filled - 1] == '\r' ? 1 : 0;
        }
        reportBlocks(total, before, local());
        if (filled == kReceiveBuffer) flush(filled - heldCr);
    }
    flush(filled);  // a CR at the very end stays a CR
    if (result.written % kBlock != 0) reportProgress(total, result.written);  // the last block
    return result;
}

int FtpSession::download(const std::string& localPath, const std::string& remoteName, bool binary,
                         std::int64_t expectedSize) {
    if (!connected) return 0;

    // Opened before PASV, so that a file that cannot be written costs no data connection.
    // An existing file is emptied only once the server has begun to send, so a refused
    // download leaves it as it was; one this download created goes again on failure.
    struct stat info {};
    struct stat before {};
    const bool existed = ::lstat(localPath.c_str(), &before) == 0;
    int openError = 0;
    FileHandle file(openRegularFile(localPath, O_WRONLY | O_CREAT, info, openError));
    if (file.get() < 0) {
        lastError = openError;
        return 0;
    }
    PartialFile partial(localPath, !existed);
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
    const std::int64_t announced = parseTransferSize(reply);
    const std::int64_t total = announced > 0 ? announced : std::max<std::int64_t>(expectedSize, 0);
    // Only a size given to the byte is checked, and only in binary mode: text mode
    // changes the count.
    const std::int64_t exact = parseExactTransferSize(reply);
    const std::int64_t mustReceive = !binary ? -1 : exact >= 0 ? exact : expectedSize;
    partial.arm();
    if (::ftruncate(file.get(), 0) != 0) {
        lastError = errno;
        closeDataSocket();
        readFinalReplyAfterFailure();
        return 0;
    }
    if (!acceptDataConnection()) {
        readFinalReplyAfterFailure();
        return 0;
    }

    const auto start = Clock::now();
    const ReceiveResult received = receiveFileData(file.get(), total, binary);
    const int closeError = file.close();
    const int writeError = received.writeError != 0 ? received.writeError : closeError;
    closeDataSocket();
    if (aborted_) return 0;
    if (received.dataFailed) {
        readFinalReplyAfterFailure();
        return 0;
    }

    const int finalCode = readReply(reply, true);
    showRate(received.received, millisecondsSince(start));
    if (!isTransferDone(finalCode)) {
        refuse(finalCode);
        return 0;
    }
    if (writeError != 0) {
        lastError = writeError;
        return 0;
    }
    if (mustReceive >= 0 && received.received != mustReceive) {
        lastError = kIncompleteTransfer;
        return 0;
    }
    partial.keep();
    return 1;
}

}  // namespace ftp
