#include "transferjob.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "fileentry.h"
#include "ftpsession.h"
#include "localpaths.h"
#include "mounts.h"
#include "transfermode.h"

namespace transfer {
namespace {

constexpr int kUploadIcon = 1;
constexpr int kDownloadIcon = 2;

struct LocalEntry {
    std::string name;
    struct stat st {};
};

// The entries of a local folder in the order the file system gives them, each with its
// type (a link is followed; a broken one is taken as it is); false when it cannot be read.
bool readLocalDirectory(const std::string& directory, std::vector<LocalEntry>& entries) {
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return false;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        LocalEntry local{entry->d_name, {}};
        if (local.name == "." || local.name == "..") continue;
        if (::fstatat(fd, local.name.c_str(), &local.st, 0) != 0 &&
            ::fstatat(fd, local.name.c_str(), &local.st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        entries.push_back(std::move(local));
    }
    ::closedir(dir);
    return true;
}

bool hasLineBreak(const std::string& name) {
    return name.find_first_of("\r\n") != std::string::npos;
}

// A directory path shown before "/" and a name: the root's own "/" is not doubled.
std::string shownDirectory(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
}

// The mount that holds a local file, for the disk-full message.
std::string driveOf(const std::string& path) {
    const auto mounts = platform::listMountPoints();
    const int index = platform::mountIndexOf(path, mounts);
    return index >= 0 ? mounts[static_cast<std::size_t>(index)].path : std::string("/");
}

bool isLocalWriteRefusal(int code) {
    return code == EACCES || code == EPERM || code == EROFS || code == EISDIR || code == ELOOP;
}

bool isLocalDiskFull(int code) {
    return code == ENOSPC || code == EDQUOT || code == EFBIG;
}

}  // namespace

TransferJob::TransferJob(TransferHost& host, TransferDisplay& display, platform::UiThread& ui)
    : host_(host), display_(display), ui_(ui) {}

TransferJob::~TransferJob() {
    stop();
}

void TransferJob::start(ftp::FtpSession& session, JobSettings settings, bool upload) {
    if (thread_.joinable()) thread_.join();
    session_ = &session;
    settings_ = std::move(settings);
    local_ = ensureTrailingBackslash(settings_.localPath);
    connectionLost_ = false;
    lostDuringDownload_ = false;
    misplaced_ = false;
    refusedFiles_ = 0;
    firstRefused_.clear();
    cancelRequested_ = false;
    stopping_ = false;
    running_ = true;
    progress_.setByteCounter(0, 0);
    upload_ = upload;
    report_.begin(upload, settings_.serverName);
    session_->clearStop();
    session_->setProgressSink(&progress_);
    thread_ = std::thread([this, upload] {
        if (upload)
            uploadWorker();
        else
            downloadWorker();
        running_ = false;
    });
}

void TransferJob::startUpload(ftp::FtpSession& session, JobSettings settings) {
    start(session, std::move(settings), true);
}

void TransferJob::startDownload(ftp::FtpSession& session, JobSettings settings) {
    start(session, std::move(settings), false);
}

void TransferJob::requestStopNow() {
    cancelRequested_ = true;
    if (running_ && session_) session_->stopTransfer();
}

void TransferJob::stop() {
    if (running_) {
        stopping_ = true;
        cancelRequested_ = true;
        if (session_) session_->abort();
    }
    if (thread_.joinable()) thread_.join();
}

bool TransferJob::onUi(const std::function<void()>& work) {
    if (stopping_) return false;
    return ui_.runAndWait(work) && !stopping_;
}

platform::Answer TransferJob::message(int id, std::vector<platform::MessageArg> args,
                                      platform::Buttons buttons) {
    platform::Answer answer = platform::Answer::Cancel;
    onUi([&] {
        answer = host_.prompts().ask({id, std::move(args), buttons, platform::Icon::Warning});
    });
    return answer;
}

void TransferJob::notify(int id, const std::string& argument) {
    if (id == kUnsafeName || id == kDirectorySkipped || id == kSpecialFileSkipped ||
        id == kUnsendableName)
        report_.skipped(argument, id, {argument});
    if (stopping_) return;
    ui_.post([this, id, argument] { host_.setStatusMessage(0, id, {argument}); });
}

bool TransferJob::acceptName(const std::string& name) {
    // A name from the server is never made into a local path that leaves the folder; one
    // with CR or LF could never be asked for, so nothing local is made for it either.
    if (isSafeLocalName(name) && !hasLineBreak(name)) return true;
    notify(kUnsafeName, shownRemote(name));
    return false;
}

bool TransferJob::showFile(const std::string& sourcePath, const std::string& sourceName,
                           const std::string& targetPath, const std::string& targetName,
                           const std::string& name) {
    const bool binary = chooseBinary(settings_.transferMode, name, settings_.textExtensions);
    if (sourceName.empty())
        display_.setSourceLine(sourcePath, "", 0);
    else
        display_.setSourceLine(shownDirectory(sourcePath), sourceName, '/');
    if (targetName.empty())
        display_.setTargetLine(targetPath, "", 0);
    else
        display_.setTargetLine(shownDirectory(targetPath), targetName, '/');
    display_.setModeLine(binary);
    return binary;
}

void TransferJob::finish(bool refreshTarget) {
    const bool upload = upload_;
    // The job's last use of the session: what the window does next (a refresh, or a new
    // connection) may replace it.
    session_->setProgressSink(nullptr);
    report_.end();
    onUi([&] {
        // On the UI thread, where Stop now is pressed: no stop outlives the job.
        session_->clearStop();
        host_.showReport(report_);
        host_.finishTransferUi();
        if (connectionLost_) {
            host_.connectionLost();
            if (lostDuringDownload_)
                host_.prompts().ask({kDownloadError,
                                     {std::int64_t{-1}},
                                     platform::Buttons::Ok,
                                     platform::Icon::Warning});
            return;
        }
        if (!refreshTarget) return;
        if (upload)
            host_.refreshRemote();
        else
            host_.refreshLocal();
    });
}

void TransferJob::reportUploadError(int code, const std::string& name) {
    switch (code) {
        case -1:
            connectionLost_ = true;
            return;
        case ETXTBSY:
            message(kSharingViolation, {name, name});
            return;
        case 450:
            message(kServerFileBusy, {settings_.serverName, name});
            return;
        case 452:
            message(kServerDiskFull, {settings_.serverName});
            return;
        case 553:
            message(kNoPermission, {name});
            return;
        case ftp::FtpSession::kVerifyMismatch:
            message(kVerifyFailed, {name});
            return;
        case ftp::FtpSession::kTransferStopped:
            return;  // the user's own stop
        default:
            message(kUploadError, {std::int64_t{code}});
    }
}

bool TransferJob::reportDownloadError(int code, const std::string& localFile,
                                      const std::string& remoteName) {
    if (isLocalWriteRefusal(code))
        return message(kReadOnlyContinue, {localFile}, platform::Buttons::YesNo) ==
               platform::Answer::Yes;
    if (isLocalDiskFull(code)) {
        message(kLocalDiskFull, {driveOf(localFile)});
        return false;
    }
    switch (code) {
        case 452:
            message(kServerDiskFull, {settings_.serverName});
            return false;
        case 553:
            message(kNoPermission, {remoteName});
            return false;
        case -1:
            // The window handles the lost connection (and then says 1213) once the job
            // has let go of the session; the job ends here.
            connectionLost_ = true;
            lostDuringDownload_ = true;
            return false;
        case ftp::FtpSession::kIncompleteTransfer:
            message(kIncompleteFile, {remoteName});
            return false;
        case ftp::FtpSession::kVerifyMismatch:
            message(kVerifyFailed, {remoteName});
            return false;
        case ftp::FtpSession::kTransferStopped:
            return false;
        default:
            message(kDownloadError, {std::int64_t{code}});
            return false;
    }
}

// ---- Upload ----

int TransferJob::uploadWorker() {
    ftp::FtpSession& session = *session_;
    // Read again for each job: another window may have left uploads partial since.
    partialUploads_.open(settings_.resumeStore);
    if (session.checkAlive()) {
        connectionLost_ = true;
        finish(false);
        return 0;
    }
    session.lastError = 0;
    const std::int64_t n = static_cast<std::int64_t>(settings_.items.size());
    if (!session.currentDirectory(remotePath_)) {
        message(kNoCurrentDirectory, {});
        finish(false);
        return 0;
    }
    uploadRunning_ = true;
    display_.setDirectionIcon(kUploadIcon);
    display_.setServerName(settings_.serverName);

    std::int64_t done = 0;
    for (const TransferItem& item : settings_.items) {
        if (cancelRequested_) break;
        if (!uploadItem(item)) break;
        ++done;
        display_.setFileCounter(n, done);
    }
    finish(true);
    uploadRunning_ = false;
    return 1;
}

bool TransferJob::sendableName(const std::string& name, const std::string& full) {
    if (!hasLineBreak(name)) return true;
    // Linux allows CR and LF in a name; no FTP command can carry them.
    notify(kUnsendableName, full);
    return false;
}

bool TransferJob::uploadItem(const TransferItem& item) {
    ftp::FtpSession& session = *session_;
    std::string full = settings_.dropped ? item.fullPath : local_ + item.name;
    if (full.size() > 1 && full.back() == '/') full.pop_back();
    // A dropped path is sent under its last component (the whole path without "/").
    const std::string name = settings_.dropped ? full.substr(full.rfind('/') + 1) : item.name;
    struct stat st {};
    if (::stat(full.c_str(), &st) != 0) {
        message(kFileNotFound, {full});
        return false;
    }
    std::string remote;
    if (!sendableName(name, full) || !remoteNameOf(name, full, remote)) return true;
    if (S_ISDIR(st.st_mode)) return uploadTopDirectory(full, remote, st.st_dev, st.st_ino);
    // A FIFO or device would block the read for ever.
    if (!S_ISREG(st.st_mode)) {
        notify(kSpecialFileSkipped, full);
        return true;
    }
    const bool binary = showFile(full, "", shownRemote(remotePath_), name, name);
    const int ok = sendFile(full, remotePath_, remote, binary, true);
    if (!ok && session.lastError == ftp::FtpSession::kNotRegularFile) {
        notify(kSpecialFileSkipped, full);
        return true;
    }
    if (!ok) {
        reportUploadError(session.lastError, name);
        return false;
    }
    notify(kFileTransferred, name);
    return true;
}

bool TransferJob::uploadTopDirectory(const std::string& full, const std::string& name, dev_t device,
                                     ino_t inode) {
    const std::string start = remotePath_;
    if (!enterRemoteDirectory(name)) return !connectionLost_;
    const std::string saved = local_;
    local_ = ensureTrailingBackslash(full);
    localAncestors_ = {{device, inode}};
    const int ok = uploadTree();
    local_ = saved;
    if (!ok) {
        if (!misplaced_) reportUploadError(session_->lastError, shownRemote(name));
        return false;
    }
    return backIn(start);
}

// CWD into the server folder that mirrors a local one, made with MKD when CWD is
// refused. A folder that cannot be entered is skipped and named: its files must not
// land in the folder the server is still in.
bool TransferJob::enterRemoteDirectory(const std::string& name) {
    ftp::FtpSession& session = *session_;
    if (session.changeDirectory(name, true)) return true;
    if (session.lastError >= 0) {
        session.makeDirectory(name);
        if (session.changeDirectory(name, true)) return true;
    }
    if (session.lastError < 0) {
        connectionLost_ = true;
        return false;
    }
    notify(kDirectorySkipped, shownRemote(childPath(remotePath_, name)));
    return false;
}

// After a sub-folder the server must be back in `here`; a refused or misleading
// "CWD .." (a link on the server) is corrected once, else the job ends.
bool TransferJob::backIn(const std::string& here) {
    ftp::FtpSession& session = *session_;
    if (remotePath_ == here) return true;
    if (session.changeDirectory(here, true) && session.currentDirectory(remotePath_) &&
        remotePath_ == here)
        return true;
    misplaced_ = true;
    if (session.lastError < 0)
        connectionLost_ = true;
    else
        message(kServerLostItsPlace, {here});
    return false;
}

void TransferJob::leaveDirectory(const std::string& back) {
    local_ = parentPath(local_);
    if (misplaced_) return;
    if (back.empty() || !session_->changeDirectory(back, true))
        session_->changeDirectory("..", true);
}

int TransferJob::uploadTree() {
    ftp::FtpSession& session = *session_;
    session.currentDirectory(remotePath_);
    const std::string here = remotePath_;
    std::vector<LocalEntry> entries;
    if (!readLocalDirectory(local_, entries)) {
        leaveDirectory("");
        return 0;
    }
    const std::int64_t total = entries.empty() ? 1 : static_cast<std::int64_t>(entries.size());
    std::int64_t i = 0;
    bool first = true;
    for (const LocalEntry& entry : entries) {
        if (!first && cancelRequested_) break;
        first = false;
        if (!uploadEntry(entry.name, entry.st, here)) {
            leaveDirectory("");
            return 0;
        }
        ++i;
        display_.setFileCounter(total, i);
    }
    leaveDirectory("");
    session.currentDirectory(remotePath_);
    return 1;
}

bool TransferJob::uploadEntry(const std::string& name, const struct stat& st,
                              const std::string& here) {
    ftp::FtpSession& session = *session_;
    const std::string full = local_ + name;
    std::string remote;
    if (!sendableName(name, full) || !remoteNameOf(name, full, remote)) return true;
    if (S_ISDIR(st.st_mode)) {
        // A link back up the tree would be walked without end.
        if (!localAncestors_.insert({st.st_dev, st.st_ino}).second) return true;
        const bool entered = enterRemoteDirectory(remote);
        if (entered) {
            local_ = full + "/";
            session.currentDirectory(remotePath_);
        }
        const int ok = entered ? uploadTree() : !connectionLost_;
        localAncestors_.erase({st.st_dev, st.st_ino});
        return ok && (!entered || backIn(here));
    }
    if (!S_ISREG(st.st_mode)) {
        notify(kSpecialFileSkipped, full);
        return true;
    }
    const bool binary = showFile(full, "", shownRemote(here), name, name);
    if (sendFile(full, here, remote, binary, false)) return true;
    if (session.lastError != ftp::FtpSession::kNotRegularFile) return false;
    notify(kSpecialFileSkipped, full);
    return true;
}

// ---- Download ----

int TransferJob::downloadWorker() {
    ftp::FtpSession& session = *session_;
    session.lastError = 0;
    downloadRunning_ = true;
    std::string current;
    if (!session.currentDirectory(current) && session.lastError < 0) {
        connectionLost_ = true;
        finish(false);
        downloadRunning_ = false;
        return 0;
    }
    display_.setDirectionIcon(kDownloadIcon);
    display_.setServerName(settings_.serverName);
    const std::int64_t n = static_cast<std::int64_t>(settings_.items.size());
    std::int64_t done = 0;
    for (const TransferItem& item : settings_.items) {
        if (cancelRequested_) break;
        if (acceptName(item.name)) {
            if (item.entryType == ftp::EntryType::Directory) {
                if (!downloadTree(item.name, 1)) cancelRequested_ = true;
            } else {
                // A link's listed size is that of the link, not of its file.
                const std::int64_t size = item.entryType == ftp::EntryType::File ? item.size : -1;
                if (downloadFile(current, item.name, size, false) == FileOutcome::FailedStop)
                    cancelRequested_ = true;
            }
        }
        if (connectionLost_) break;
        ++done;
        display_.setFileCounter(n, done);
    }
    if (refusedFiles_ > 0) message(kRefusedFiles, {refusedFiles_, firstRefused_});
    finish(true);
    downloadRunning_ = false;
    return 1;
}

int TransferJob::downloadTree(const std::string& name, int depth) {
    ftp::FtpSession& session = *session_;
    std::string back;
    session.currentDirectory(back);
    if (depth > kMaxDepth || !session.changeDirectory(name, true)) {
        if (session.lastError < 0) {
            connectionLost_ = true;
            return 0;
        }
        // A folder that cannot be entered is skipped: its parent's files are not copied
        // into a new local folder in its place.
        notify(kDirectorySkipped, shownRemote(name));
        return 1;
    }
    std::string here;
    session.currentDirectory(here);

    const std::string target = local_ + localNameOf(name);
    struct stat st {};
    const bool exists = ::lstat(target.c_str(), &st) == 0;
    if ((exists && !S_ISDIR(st.st_mode)) || (!exists && ::mkdir(target.c_str(), 0777) != 0)) {
        if (back.empty() || !session.changeDirectory(back, true))
            session.changeDirectory("..", true);
        return 0;
    }
    local_ = target + "/";

    auto listing = session.list();
    int error = 0;
    if (!listing && session.lastError < 0) connectionLost_ = true;
    std::vector<ftp::FileEntry> entries =
        listing ? std::move(*listing) : std::vector<ftp::FileEntry>();
    std::int64_t files = 0;
    for (const auto& entry : entries)
        files += entry.kind == ftp::FileEntry::File ? 1 : 0;
    std::int64_t done = 0;
    display_.setFileCounter(files, 0);

    for (const auto& entry : entries) {
        if (cancelRequested_ || connectionLost_) break;
        if (entry.kind != ftp::FileEntry::File && entry.kind != ftp::FileEntry::Directory &&
            entry.kind != ftp::FileEntry::Link)
            continue;
        if (!acceptName(entry.name)) continue;
        bool asFile = entry.kind == ftp::FileEntry::File;
        if (entry.kind == ftp::FileEntry::Directory) {
            downloadTree(entry.name, depth + 1);
        } else if (entry.kind == ftp::FileEntry::Link) {
            if (session.changeDirectory(entry.name, true)) {
                session.changeDirectory(here, true);
                downloadTree(entry.name, depth + 1);
            } else {
                asFile = true;
            }
        }
        if (!asFile) continue;
        const std::int64_t size = entry.kind == ftp::FileEntry::File ? entry.size : -1;
        const FileOutcome outcome = downloadFile(here, entry.name, size, true);
        if (outcome == FileOutcome::FailedGoOn || outcome == FileOutcome::FailedStop)
            error = session.lastError;
        if (outcome == FileOutcome::FailedStop) cancelRequested_ = true;
        ++done;
        display_.setFileCounter(files, done);
    }
    if (!connectionLost_ && (back.empty() || !session.changeDirectory(back, true)))
        session.changeDirectory("..", true);
    local_ = parentPath(local_);
    return error == 0 && !connectionLost_ ? 1 : 0;
}

}  // namespace transfer
