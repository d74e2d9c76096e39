#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "datacommand.h"
#include "ftpsession.h"
#include "lineends.h"

namespace ftp {
namespace {

// System calls move many blocks of progress at once: on loopback, calls of one block each
// halve the rate. Uploads read and send 64 KiB at a time; downloads receive
// whatever has arrived, up to 256 KiB, and write the file when that buffer is full.
constexpr std::size_t kSendPiece = 64 * 1024;
constexpr std::size_t kReceiveBuffer = 256 * 1024;

using Clock = std::chrono::steady_clock;

std::int64_t millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool isTransferDone(int code) {
    return code == 226 || code == 250;
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

// A local file as an upload sends it: in text mode with CR LF line ends. Progress counts
// the local file's bytes; a converted piece counts once it is out whole.
class FileSource : public DataSource {
public:
    FileSource(int file, std::int64_t size, bool binary, ByteProgressSink* progress,
               std::int64_t start = 0)
        : file_(file), size_(size), binary_(binary), progress_(progress), sent_(start) {}

    int next(std::span<const char>& piece) override {
        if (!chunk_) {
            chunk_ = std::make_unique_for_overwrite<char[]>(kSendPiece);
            if (!binary_) wire_ = std::make_unique_for_overwrite<char[]>(2 * kSendPiece);
        }
        const ssize_t got = readUpTo(file_, chunk_.get(), kSendPiece);
        if (got < 0) return errno;
        std::size_t n = static_cast<std::size_t>(got);
        piece = {chunk_.get(), n};
        if (!binary_) {
            n = lfToCrLf(chunk_.get(), n, wire_.get());
            piece = {wire_.get(), n};
        }
        pieceLocal_ = got;
        pieceWire_ = n;
        pieceOut_ = 0;
        return 0;
    }

    void sent(std::size_t n) override {
        std::int64_t now = sent_;
        if (binary_) {
            now += static_cast<std::int64_t>(n);
        } else if ((pieceOut_ += n) == pieceWire_) {
            now += pieceLocal_;
        }
        reportBlocks(progress_, size_, sent_, now);
        sent_ = now;
    }

    // The local file's bytes sent so far.
    std::int64_t sentBytes() const { return sent_; }

private:
    int file_;
    std::int64_t size_;
    bool binary_;
    ByteProgressSink* progress_;
    std::unique_ptr<char[]> chunk_;
    std::unique_ptr<char[]> wire_;
    std::int64_t pieceLocal_ = 0;
    std::size_t pieceWire_ = 0;
    std::size_t pieceOut_ = 0;
    std::int64_t sent_;
};

// A local file as a download receives it: in text mode with LF line ends. A write that
// fails is remembered; the rest is still received, so that the server finishes, but no
// longer written.
class FileSink : public DataSink {
public:
    // start: the bytes the file holds already (a resumed download).
    FileSink(int file, std::int64_t total, bool binary, ByteProgressSink* progress,
             std::int64_t start = 0)
        : file_(file), total_(total), binary_(binary), progress_(progress), written_(start) {}

    std::span<char> space() override { return {buffer_.get() + filled_, kReceiveBuffer - filled_}; }

    void received(std::size_t got) override {
        received_ += static_cast<std::int64_t>(got);
        const std::int64_t before = local();
        if (binary_) {
            filled_ += got;
        } else {
            const std::size_t from = filled_ - heldCr_;
            filled_ = from + crlfToLf(buffer_.get() + from, filled_ + got - from);
            heldCr_ = filled_ > 0 && buffer_[filled_ - 1] == '\r' ? 1 : 0;
        }
        reportBlocks(progress_, total_, before, local());
        if (filled_ == kReceiveBuffer) flush(filled_ - heldCr_);
    }

    // Writes the rest (a CR at the very end stays a CR) and reports the last, short block.
    void finish() {
        flush(filled_);
        if (progress_ && written_ % kProgressBlock != 0)
            progress_->setByteCounter(total_, written_);
    }

    std::int64_t receivedBytes() const { return received_; }  // as the server sent them
    int writeError() const { return writeError_; }

private:
    // The local file's bytes so far. Text: a CR at the buffer's end, whose LF may still
    // come, is not counted yet.
    std::int64_t local() const { return written_ + static_cast<std::int64_t>(filled_ - heldCr_); }

    void flush(std::size_t n) {
        if (writeError_ == 0) writeError_ = writeAll(file_, buffer_.get(), n);
        written_ += static_cast<std::int64_t>(n);
        filled_ -= n;
        std::memmove(buffer_.get(), buffer_.get() + n, filled_);
    }

    int file_;
    std::int64_t total_;
    bool binary_;
    ByteProgressSink* progress_;
    std::unique_ptr<char[]> buffer_ = std::make_unique_for_overwrite<char[]>(kReceiveBuffer);
    std::size_t filled_ = 0;
    std::size_t heldCr_ = 0;
    std::int64_t received_ = 0;
    std::int64_t written_;
    int writeError_ = 0;
};

TransferMode typeOf(bool binary) {
    return binary ? TransferMode::Binary : TransferMode::Text;
}

}  // namespace

int FtpSession::setType(TransferMode mode) {
    if (!connected) return 0;
    if (!sendCommand(mode == TransferMode::Binary ? "TYPE I" : "TYPE A", true)) return 0;
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

int FtpSession::upload(const std::string& localPath, const std::string& remoteName, bool binary,
                       std::int64_t resumeFrom, bool append) {
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
    const std::int64_t offset = binary && resumeFrom > 0 && resumeFrom <= size ? resumeFrom : 0;
    if (offset > 0 && ::lseek(file.get(), offset, SEEK_SET) != offset) {
        lastError = errno;
        return 0;
    }

    std::string reply;
    int code = 0;
    // Never APPE of the whole file: it would follow what the server has.
    const bool appending = append && offset > 0;
    DataCommand stor{(appending ? "APPE " : "STOR ") + remoteName, "", typeOf(binary), {}};
    if (offset > 0 && !appending) stor.restart = "REST " + std::to_string(offset);
    if (!beginDataCommand(stor, reply, code)) {
        if (appending && code >= 400) lastError = kAppendRefused;
        return 0;
    }
    reportProgress(size, offset);
    const auto start = Clock::now();
    FileSource source(file.get(), size, binary, progressSink_, offset);
    const int sendError = sendFrom(source);
    const std::int64_t sent = source.sentBytes();
    if (sent % kProgressBlock != 0) reportProgress(size, sent);  // the last, short block
    file.close();
    if (sendError == kTransferStopped) {
        abortDataCommand();
        lastError = kTransferStopped;
        return 0;
    }
    const std::optional<int> finalCode = endDataCommand(false, reply);
    if (!finalCode) return 0;
    if (!isTransferDone(*finalCode)) {
        refuse(*finalCode);
        return 0;
    }
    // The server confirmed what it got, but that was not the whole file.
    if (sendError != 0) {
        lastError = sendError;
        return 0;
    }
    showRate(sent - offset, millisecondsSince(start));
    return 1;
}

int FtpSession::download(const std::string& localPath, const std::string& remoteName, bool binary,
                         std::int64_t expectedSize, std::int64_t resumeFrom) {
    receivedBytes_ = 0;
    if (!connected) return 0;

    // Opened before PASV, so that a file that cannot be written costs no data connection.
    // An existing file is emptied only once the server has begun to send, so a refused
    // download leaves it as it was; one this download created goes again on failure.
    struct stat info {};
    struct stat before {};
    const bool owned = resumeFrom >= 0;
    const std::int64_t offset = std::max<std::int64_t>(resumeFrom, 0);
    const bool existed = owned || ::lstat(localPath.c_str(), &before) == 0;
    int openError = 0;
    FileHandle file(openRegularFile(localPath, O_WRONLY | O_CREAT, info, openError));
    if (file.get() < 0) {
        lastError = openError;
        return 0;
    }
    PartialFile partial(localPath, !existed);
    auto emptyFile = [&] {
        if (!owned) partial.arm();
        if (::ftruncate(file.get(), offset) != 0) return errno;
        return ::lseek(file.get(), offset, SEEK_SET) == offset ? 0 : errno;
    };
    std::string reply;
    int code = 0;
    DataCommand retr{"RETR " + remoteName, "", typeOf(binary), emptyFile};
    if (offset > 0) retr.restart = "REST " + std::to_string(offset);
    if (!beginDataCommand(retr, reply, code)) {
        if (code == 550 || code == 553) lastError = 553;  // both are reported as 553
        return 0;
    }
    const std::int64_t announced = parseTransferSize(reply);
    const std::int64_t total = offset > 0 && expectedSize >= 0 ? expectedSize
                               : announced > 0                 ? announced
                                               : std::max<std::int64_t>(expectedSize, 0);
    // Only a size given to the byte is checked, and only in binary mode: text mode
    // changes the count.
    const std::int64_t exact = parseExactTransferSize(reply);
    std::int64_t mustReceive = !binary ? -1 : exact >= 0 ? exact : expectedSize;
    // Resumed: servers differ in announcing the rest or the whole; the listed size counts.
    if (offset > 0) mustReceive = expectedSize >= 0 ? expectedSize - offset : -1;

    const auto start = Clock::now();
    reportProgress(total, offset);
    FileSink sink(file.get(), total, binary, progressSink_, offset);
    const bool received = receiveInto(sink);
    sink.finish();
    receivedBytes_ = sink.receivedBytes();
    const int closeError = file.close();
    if (!received && lastError == kTransferStopped) {
        abortDataCommand();
        lastError = kTransferStopped;
        return 0;
    }
    const int writeError = sink.writeError() != 0 ? sink.writeError() : closeError;
    const std::optional<int> finalCode = endDataCommand(!received, reply);
    if (!finalCode) return 0;
    showRate(sink.receivedBytes(), millisecondsSince(start));
    if (!isTransferDone(*finalCode)) {
        refuse(*finalCode);
        return 0;
    }
    if (writeError != 0) {
        lastError = writeError;
        return 0;
    }
    if (mustReceive >= 0 && sink.receivedBytes() != mustReceive) {
        lastError = kIncompleteTransfer;
        return 0;
    }
    partial.keep();
    return 1;
}

}  // namespace ftp
