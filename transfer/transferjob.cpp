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
    bool isDirectory = false;
    dev_t device = 0;
    ino_t inode = 0;
};

// The entries of a local directory in the order the file system gives them; false when
// it cannot be read.
bool readLocalDirectory(const std::string& directory, std::vector<LocalEntry>& entries) {
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return false;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, 0) != 0 &&
            ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        entries.push_back({name, S_ISDIR(st.st_mode), st.st_dev, st.st_ino});
    }
    ::closedir(dir);
    return true;
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
    cancelRequested_ = false;
    stopping_ = false;
    running_ = true;
    progress_.setByteCounter(0, 0);
    upload_ = upload;
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
    if (stopping_) return;
    ui_.post([this, id, argument] { host_.setStatusMessage(0, id, {argument}); });
}

bool TransferJob::acceptName(const std::string& name) {
    if (isSafeLocalName(name)) return true;
    // A name from the server is never made into a local path that leaves the folder.
    notify(kUnsafeName, name);
    return false;
}

bool TransferJob::showFile(const std::string& sourcePath, const std::string& sourceName,
                           const std::string& targetPath, const std::string& targetName,
                           const std::string& name) {
    const bool binary = chooseBinary(settings_.transferMode, name, settings_.textExtensions);
    display_.setSourceLine(sourcePath, sourceName, sourceName.empty() ? 0 : '/');
    display_.setTargetLine(targetPath, targetName, targetName.empty() ? 0 : '/');
    display_.setModeLine(binary);
    return binary;
}

void TransferJob::finish(bool refreshTarget) {
    const bool upload = upload_;
    // The job's last use of the session: what the window does next (a refresh, or a new
    // connection) may replace it.
    session_->setProgressSink(nullptr);
    onUi([&] {
        host_.finishTransferUi();
        if (connectionLost_) {
            host_.connectionLost();
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
            // The window handles the lost connection once the job has let go of the
            // session; the job ends here.
            connectionLost_ = true;
            return false;
        default:
            message(kDownloadError, {std::int64_t{code}});
            return false;
    }
}

// ---- Upload ----

int TransferJob::uploadWorker() {
    ftp::FtpSession& session = *session_;
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
        std::string full = settings_.dropped ? item.fullPath : local_ + item.name;
        if (full.size() > 1 && full.back() == '/') full.pop_back();
        // A dropped path is sent under its last component (the whole path without "/").
        const std::string name = settings_.dropped ? full.substr(full.rfind('/') + 1) : item.name;
        struct stat st {};
        if (::stat(full.c_str(), &st) != 0) {
            message(kFileNotFound, {full});
            break;
        }
        if (S_ISDIR(st.st_mode)) {
            full = ensureTrailingBackslash(full);
            const std::string saved = local_;
            local_ = full;
            if (!session.changeDirectory(name, true)) {
                session.makeDirectory(name);
                session.changeDirectory(name, true);
            }
            localAncestors_ = {{st.st_dev, st.st_ino}};
            const int ok = uploadTree();
            local_ = saved;
            if (!ok) {
                reportUploadError(session.lastError, name);
                break;
            }
        } else {
            const bool binary = showFile(full, "", remotePath_, name, name);
            const int ok = session.upload(full, name, binary);
            // A cancelled top-level file does not stay half-published on the server.
            if (cancelRequested_) session.deleteFile(name);
            if (!ok) {
                reportUploadError(session.lastError, name);
                break;
            }
            notify(kFileTransferred, name);
        }
        ++done;
        display_.setFileCounter(n, done);
    }
    finish(true);
    uploadRunning_ = false;
    return 1;
}

void TransferJob::leaveDirectory(const std::string& back) {
    local_ = parentPath(local_);
    if (back.empty() || !session_->changeDirectory(back, true))
        session_->changeDirectory("..", true);
}

int TransferJob::uploadTree() {
    ftp::FtpSession& session = *session_;
    session.currentDirectory(remotePath_);
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
        if (entry.isDirectory) {
            // A link back up the tree would be walked without end.
            if (!localAncestors_.insert({entry.device, entry.inode}).second) continue;
            local_ += entry.name + "/";
            if (!session.changeDirectory(entry.name, true)) {
                session.makeDirectory(entry.name);
                session.changeDirectory(entry.name, true);
            }
            session.currentDirectory(remotePath_);
            const int ok = uploadTree();
            localAncestors_.erase({entry.device, entry.inode});
            if (!ok) {
                leaveDirectory("");
                return 0;
            }
        } else {
            const std::string full = local_ + entry.name;
            const bool binary = showFile(full, "", remotePath_, entry.name, entry.name);
            if (!session.upload(full, entry.name, binary)) {
                leaveDirectory("");
                return 0;
            }
        }
        ++i;
        display_.setFileCounter(total, i);
    }
    leaveDirectory("");
    session.currentDirectory(remotePath_);
    return 1;
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
            if (item.entryType == 2) {
                if (!downloadTree(item.name, 1)) cancelRequested_ = true;
            } else if (item.entryType == 1 || item.entryType == 3) {
                if (downloadFile(current, item.name) == FileOutcome::FailedStop)
                    cancelRequested_ = true;
            }
        }
        if (connectionLost_) break;
        ++done;
        display_.setFileCounter(n, done);
    }
    finish(true);
    downloadRunning_ = false;
    return 1;
}

TransferJob::FileOutcome TransferJob::downloadFile(const std::string& remoteDirectory,
                                                   const std::string& name) {
    const std::string localFile = local_ + name;
    const bool binary = showFile(remoteDirectory, name, localFile, "", name);
    if (session_->download(localFile, name, binary)) {
        notify(kFileTransferred, name);
        return FileOutcome::Done;
    }
    return reportDownloadError(session_->lastError, localFile, name) ? FileOutcome::FailedGoOn
                                                                     : FileOutcome::FailedStop;
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
        notify(kDirectorySkipped, name);
        return 1;
    }
    std::string here;
    session.currentDirectory(here);

    const std::string target = local_ + name;
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
        const FileOutcome outcome = downloadFile(here, entry.name);
        if (outcome != FileOutcome::Done) error = session.lastError;
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
