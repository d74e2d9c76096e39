// One file of a job: sent or received, checked against the server's copy, and recorded.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "ftpsession.h"
#include "localpaths.h"
#include "transferjob.h"

namespace transfer {
namespace {

// Longest local name; the partial name adds a dot and ".part".
constexpr std::size_t kNameMax = 255;

// A download is received under a hidden name beside its target, so that no incomplete
// file ever stands under the real one.
std::string partialPathOf(const std::string& directory, const std::string& name) {
    const std::size_t room = kNameMax - 6;
    return directory + "." + (name.size() > room ? name.substr(0, room) : name) + ".part";
}

// The bytes a partial download holds; 0 when there is none. Anything but a regular file
// under that name is removed, never written through.
std::int64_t resumableSize(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0;
    if (S_ISREG(st.st_mode)) return static_cast<std::int64_t>(st.st_size);
    ::unlink(path.c_str());
    return 0;
}

std::int64_t modifiedNs(const struct stat& st) {
    return st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
}

std::int64_t sizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

}  // namespace

std::pair<int, std::vector<platform::MessageArg>> TransferJob::failureReason(
    int code, const std::string& name) const {
    switch (code) {
        case -1:
            return {kConnectionLostReason, {}};
        case ftp::FtpSession::kVerifyMismatch:
            return {kVerifyFailed, {name}};
        case ftp::FtpSession::kIncompleteTransfer:
            return {kIncompleteFile, {name}};
        case ftp::FtpSession::kTransferStopped:
            return {kStoppedNow, {}};
        case 450:
            return {kServerFileBusy, {settings_.serverName, name}};
        case 452:
            return {kServerDiskFull, {settings_.serverName}};
        case 553:
            return {kNoPermission, {name}};
        default:
            return {upload_ ? kUploadError : kDownloadError, {std::int64_t{code}}};
    }
}

int TransferJob::sendFrom(const std::string& full, const std::string& name, bool binary,
                          std::int64_t from) {
    ftp::FtpSession& session = *session_;
    for (bool append = false;;) {
        if (session.upload(full, name, binary, from, append)) return 1;
        // Neither refusal costs one of sendFile's attempts.
        if (from > 0 && session.lastError == ftp::FtpSession::kRestartRefused) {
            append = true;
        } else if (from > 0 && session.lastError == ftp::FtpSession::kAppendRefused) {
            from = 0;
            append = false;
        } else {
            return 0;
        }
    }
}

int TransferJob::sendFile(const std::string& full, const std::string& remoteDirectory,
                          const std::string& name, bool binary, bool topLevel) {
    ftp::FtpSession& session = *session_;
    const std::string target = childPath(remoteDirectory, name);
    const std::string shown = shownRemote(target);
    ftp::Verification how;
    int ok = 0;
    bool known = false;
    std::int64_t from = resumePoint(full, target, name, binary, known);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ok = sendFrom(full, name, binary, from);
        if (!ok || !settings_.verify || cancelRequested_) break;
        ok = session.verifyFile(full, name, true, how,
                                {binary ? ftp::LineEnds::Binary : ftp::LineEnds::TextUpload});
        if (ok || session.lastError != ftp::FtpSession::kVerifyMismatch) break;
        from = 0;
    }
    const int error = session.lastError;
    const bool stoppedNow = !ok && error == ftp::FtpSession::kTransferStopped;
    if (topLevel && cancelRequested_ && !session.aborted() && !stoppedNow) {
        // A cancelled top-level file does not stay half-published on the server.
        session.deleteFile(name);
        if (known) partialUploads_.forget(server(), target);
        report_.failed(shown, kCancelledAndDeleted, {});
        session.lastError = error;
        return ok;
    }
    if (ok) {
        if (known) partialUploads_.forget(server(), target);
        report_.sent(shown, sizeOf(full), how.sizeChecked && how.hash.empty() ? "size" : how.hash);
        return 1;
    }
    if (error == ftp::FtpSession::kNotRegularFile) return 0;
    auto [reason, args] = failureReason(error, shownRemote(name));
    report_.failed(shown, reason, std::move(args));
    if (error < 0 || session.aborted() || stoppedNow) {
        report_.leftPartial(shown);
        struct stat st {};
        if (binary && ::stat(full.c_str(), &st) == 0)
            partialUploads_.remember(server(), target, {full, st.st_size, modifiedNs(st)});
    }
    return 0;
}

std::int64_t TransferJob::resumePoint(const std::string& full, const std::string& target,
                                      const std::string& name, bool binary, bool& known) {
    const std::optional<PartialUpload> was = partialUploads_.find(server(), target);
    known = was.has_value();
    if (!known || !binary || !session_->features().restStream) return 0;
    struct stat st {};
    std::int64_t size = -1;
    if (::stat(full.c_str(), &st) == 0 && *was == PartialUpload{full, st.st_size, modifiedNs(st)} &&
        session_->remoteSize(name, size) == 1 && size > 0 && size < was->size)
        return size;
    // The local file changed, or the server's copy is gone or not shorter: it goes whole.
    partialUploads_.forget(server(), target);
    known = false;
    return 0;
}

int TransferJob::receiveFile(const std::string& partial, const std::string& name, bool binary,
                             std::int64_t size, ftp::Verification& how) {
    ftp::FtpSession& session = *session_;
    // A binary partial file that a lost connection, a closed window or a stop left goes
    // on where it ends; the engine keeps it when this attempt breaks too.
    std::int64_t from = binary ? resumableSize(partial) : -1;
    for (int attempt = 0; attempt < 2;) {
        if (!session.download(partial, name, binary, size, from)) {
            const int error = session.lastError;
            if (error == ftp::FtpSession::kRestartRefused && from > 0) {
                from = 0;  // the whole file, and no attempt lost
                continue;
            }
            if (error < 0 || error == ftp::FtpSession::kTransferStopped || session.aborted())
                return 0;
            break;
        }
        if (!settings_.verify || cancelRequested_) return 1;
        // A size the listing gave has been held against the bytes received already, in
        // binary; text changes the count.
        const bool listedSizeHeld = binary && size >= 0;
        const ftp::LineEnds lineEnds{binary ? ftp::LineEnds::Binary : ftp::LineEnds::TextDownload,
                                     session.receivedBytes()};
        if (session.verifyFile(partial, name, !listedSizeHeld || from > 0, how, lineEnds)) {
            if (listedSizeHeld) how.sizeChecked = true;
            return 1;
        }
        if (session.lastError != ftp::FtpSession::kVerifyMismatch) break;
        from = 0;
        ++attempt;
    }
    const int error = session.lastError;
    ::unlink(partial.c_str());
    session.lastError = error;
    return 0;
}

TransferJob::FileOutcome TransferJob::installDownload(const std::string& partial,
                                                      const std::string& localFile, bool existed,
                                                      std::int64_t bytes, const std::string& how) {
    if (existed && !(settings_.moveToTrash && settings_.moveToTrash(localFile))) {
        // Nothing local is lost: the new copy waits under its partial name.
        report_.failed(localFile, kOldFileNotTrashed, {localFile});
        notify(kOldFileNotTrashed, localFile);
        return FileOutcome::FailedGoOn;
    }
    if (::rename(partial.c_str(), localFile.c_str()) != 0) {
        const int error = errno;
        session_->lastError = error;
        report_.failed(localFile, kDownloadError, {std::int64_t{error}});
        return reportDownloadError(error, localFile, localFile) ? FileOutcome::FailedGoOn
                                                                : FileOutcome::FailedStop;
    }
    report_.sent(localFile, bytes, how);
    notify(kFileTransferred, localFile.substr(local_.size()));
    return FileOutcome::Done;
}

TransferJob::FileOutcome TransferJob::downloadFile(const std::string& remoteDirectory,
                                                   const std::string& name, std::int64_t size,
                                                   bool inTree) {
    const std::string localName = localNameOf(name);
    const std::string localFile = local_ + localName;
    struct stat link {
    }, target{};
    const bool existed = ::lstat(localFile.c_str(), &link) == 0;
    const bool followed = existed && ::stat(localFile.c_str(), &target) == 0;
    // Opening a FIFO or a device for writing could block for ever.
    if (followed && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode)) {
        notify(kSpecialFileSkipped, localFile);
        return FileOutcome::Skipped;
    }
    const bool binary =
        showFile(shownRemote(remoteDirectory), shownRemote(name), localFile, "", name);
    int code = 0;
    // A folder, or a file the user may not change, is not replaced.
    if (followed && S_ISDIR(target.st_mode))
        code = EISDIR;
    else if (existed && ::access(localFile.c_str(), W_OK) != 0)
        code = errno;
    const std::string partial = partialPathOf(local_, localName);
    ftp::Verification how;
    if (code == 0) {
        if (receiveFile(partial, name, binary, size, how)) {
            const std::string checked =
                how.hash.empty() ? (how.sizeChecked ? "size" : "") : how.hash;
            return installDownload(partial, localFile, existed, sizeOf(partial), checked);
        }
        code = session_->lastError;
    }
    session_->lastError = code;  // the tree walk reads it
    if (code == ftp::FtpSession::kNotRegularFile) {
        notify(kSpecialFileSkipped, localFile);
        return FileOutcome::Skipped;
    }
    if (code == 553 && inTree) return refusedInTree(shownRemote(childPath(remoteDirectory, name)));
    auto [reason, args] = failureReason(code, shownRemote(name));
    report_.failed(localFile, reason, std::move(args));
    return reportDownloadError(code, localFile, shownRemote(name)) ? FileOutcome::FailedGoOn
                                                                   : FileOutcome::FailedStop;
}

// One file of a tree that the server will not send does not end the job: it is named
// now and counted for one message at the end.
TransferJob::FileOutcome TransferJob::refusedInTree(const std::string& remotePath) {
    notify(kNoPermission, remotePath);
    report_.failed(remotePath, kNoPermission, {remotePath});
    if (refusedFiles_++ == 0) firstRefused_ = remotePath;
    return FileOutcome::Skipped;
}

}  // namespace transfer
