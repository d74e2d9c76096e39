#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ftpcodes.h"
#include "partialuploads.h"
#include "publishreport.h"
#include "sinks.h"
#include "transferhost.h"
#include "transfermode.h"
#include "uithread.h"
#include "verification.h"

namespace ftp {
class FtpSession;
}

namespace transfer {

// One entry the user chose: a row of a pane, or a dropped path.
struct TransferItem {
    std::string name;  // exact bytes
    bool isDirectory = false;
    ftp::EntryType entryType = ftp::EntryType::File;
    std::string fullPath;    // dropped paths: the whole local path
    std::int64_t size = -1;  // remote files: the listed size, -1 when unknown
};

struct JobSettings {
    TransferMode transferMode = TransferMode::Automatic;
    std::string textExtensions;  // the profile's working list
    std::string serverName;      // the profile's host, for the dialog and the messages
    std::string localPath;       // the local pane's directory, ending in "/"
    // With serverName, the server whose partial uploads the job may continue.
    int serverPort = 21;
    std::string serverUser;
    // The file of the uploads left partial (partialUploadsFile); empty: the job object
    // alone remembers them.
    std::string resumeStore;
    std::vector<TransferItem> items;
    bool dropped = false;
    // Binary files are checked against the server's size and hash (the profile's choice).
    bool verify = true;
    // Moves a local file that a download replaces to the desktop's trash; true when done.
    // Without one, no existing local file is replaced.
    std::function<bool(const std::string& path)> moveToTrash;
};

// The latest byte counts of the file being moved. The engine stores them from the
// worker for every block; the progress dialog reads them on a timer, so that progress
// never slows a transfer.
class ByteProgress : public ftp::ByteProgressSink {
public:
    void setByteCounter(std::int64_t total, std::int64_t done) override {
        total_.store(total, std::memory_order_relaxed);
        done_.store(done, std::memory_order_relaxed);
    }
    std::pair<std::int64_t, std::int64_t> read() const {
        return {total_.load(std::memory_order_relaxed), done_.load(std::memory_order_relaxed)};
    }

private:
    std::atomic<std::int64_t> total_{0};
    std::atomic<std::int64_t> done_{0};
};

// An upload or download job on a worker thread of its own. The worker alone uses the
// session while it runs; the window keeps its FTP commands away until running() is
// false. The worker never changes the process's current directory: it walks the local
// side with a path of its own.
class TransferJob {
public:
    // Message numbers of the transfer failures.
    enum : int {
        kFileTransferred = 1207,
        kServerDiskFull = 1208,
        kNoPermission = 1209,
        kLocalDiskFull = 1210,
        kReadOnlyContinue = 1211,
        kUploadError = 1212,
        kDownloadError = 1213,
        kServerFileBusy = 1254,
        kNoCurrentDirectory = 1258,
        kFileNotFound = 1259,
        kSharingViolation = 1285,
        kUnsafeName = 1290,
        kDirectorySkipped = 1292,
        kIncompleteFile = 1293,
        kServerLostItsPlace = 1294,
        kSpecialFileSkipped = 1295,
        kUnsendableName = 1296,
        kRefusedFiles = 1297,
        kLocalNameChanged = 1355,
        kNotEncodable = 1356,
        kVerifyFailed = 1380,
        kConnectionLostReason = 1392,
        kCancelledAndDeleted = 1393,
        kOldFileNotTrashed = 1396,
        kStoppedNow = 1398,
    };
    // Server directories deeper than this are not copied: a link that leads back up the
    // tree would otherwise be copied without end.
    static constexpr int kMaxDepth = 64;

    // The display receives the lines and counters straight from the worker; it must
    // accept calls from any thread.
    TransferJob(TransferHost& host, TransferDisplay& display, platform::UiThread& ui);
    ~TransferJob();
    TransferJob(const TransferJob&) = delete;
    TransferJob& operator=(const TransferJob&) = delete;

    void startUpload(ftp::FtpSession& session, JobSettings settings);
    void startDownload(ftp::FtpSession& session, JobSettings settings);
    // The progress dialog's Cancel: the job ends after the file in progress.
    void requestCancel() { cancelRequested_ = true; }
    // Ends the job now, the file in progress too (ABOR); its partial file is reported.
    void requestStopNow();
    bool cancelRequested() const { return cancelRequested_.load(); }
    // Ends a job at once: its sockets are shut down and the thread is joined.
    void stop();
    bool running() const { return running_.load(); }
    bool uploadRunning() const { return uploadRunning_.load(); }
    bool downloadRunning() const { return downloadRunning_.load(); }
    const ByteProgress& progress() const { return progress_; }
    // The record of the job; complete once the host's showReport() has been called.
    const PublishReport& report() const { return report_; }

private:
    void start(ftp::FtpSession& session, JobSettings settings, bool upload);
    int uploadWorker();
    // One selected or dropped entry; false when the job must end.
    bool uploadItem(const TransferItem& item);
    bool uploadTopDirectory(const std::string& full, const std::string& name, dev_t device,
                            ino_t inode);
    int uploadTree();
    // One entry of a local folder; false when the tree's upload failed.
    bool uploadEntry(const std::string& name, const struct stat& st, const std::string& here);
    bool enterRemoteDirectory(const std::string& name);
    bool backIn(const std::string& here);
    bool sendableName(const std::string& name, const std::string& full);
    int downloadWorker();
    int downloadTree(const std::string& name, int depth);
    enum class FileOutcome { Done, Skipped, FailedGoOn, FailedStop };
    FileOutcome downloadFile(const std::string& remoteDirectory, const std::string& name,
                             std::int64_t size, bool inTree);
    FileOutcome refusedInTree(const std::string& remotePath);
    // Sends a file and checks it; a mismatch sends it once more. 1, or 0 with the reason
    // in the session's lastError. A cancelled top-level file is deleted from the server.
    int sendFile(const std::string& full, const std::string& remoteDirectory,
                 const std::string& name, bool binary, bool topLevel);
    // Receives a file into its partial name and checks it, as sendFile.
    int receiveFile(const std::string& partial, const std::string& name, bool binary,
                    std::int64_t size, ftp::Verification& how);
    // Puts a complete download in place; the file it replaces goes to the trash first.
    FileOutcome installDownload(const std::string& partial, const std::string& localFile,
                                bool existed, std::int64_t bytes, const std::string& how);
    // Where an upload left partial goes on: the server's size, when the local file is
    // unchanged and the server offers REST STREAM; else 0. known: the store has the target.
    std::int64_t resumePoint(const std::string& full, const std::string& target,
                             const std::string& name, bool binary, bool& known);
    // Sends the file from `from`; a refused REST goes on with APPE, a refused APPE sends
    // the whole file.
    int sendFrom(const std::string& full, const std::string& name, bool binary, std::int64_t from);
    ServerIdentity server() const {
        return {settings_.serverName, settings_.serverPort, settings_.serverUser};
    }
    std::pair<int, std::vector<platform::MessageArg>> failureReason(int code,
                                                                    const std::string& name) const;

    // UI-thread calls; false when the window is closing and the job must end.
    bool onUi(const std::function<void()>& work);
    platform::Answer message(int id, std::vector<platform::MessageArg> args,
                             platform::Buttons buttons = platform::Buttons::Ok);
    void reportUploadError(int code, const std::string& name);
    bool reportDownloadError(int code, const std::string& localFile, const std::string& remoteName);
    bool acceptName(const std::string& name);
    // Names between the two sides (transfernames.cpp). A server name as it reads:
    std::string shownRemote(const std::string& bytes) const;
    // The local name a server name is saved under; one that is not its faithful reading
    // (replacement marks, characters made safe) is reported.
    std::string localNameOf(const std::string& remoteName);
    // The server's bytes for a local name; false, reported, when the server's encoding
    // cannot write it: that entry is skipped and the job goes on.
    bool remoteNameOf(const std::string& localName, const std::string& full, std::string& bytes);
    // A status-bar message that the worker does not wait for.
    void notify(int id, const std::string& argument);
    void leaveDirectory(const std::string& back);
    // Shows the file on the dialog's lines and mode line; true when it goes as binary.
    bool showFile(const std::string& sourcePath, const std::string& sourceName,
                  const std::string& targetPath, const std::string& targetName,
                  const std::string& name);
    void finish(bool refreshTarget);

    TransferHost& host_;
    TransferDisplay& display_;
    platform::UiThread& ui_;
    ftp::FtpSession* session_ = nullptr;
    JobSettings settings_;
    std::string local_;       // the worker's local directory, ending in "/"
    std::string remotePath_;  // the server directory of the last PWD
    ByteProgress progress_;
    PublishReport report_;
    bool connectionLost_ = false;
    // A file download found the connection gone: 1213 follows the window's handling.
    bool lostDuringDownload_ = false;
    // The server is not in the folder the walk expects; it has been said, and nothing
    // more is sent there.
    bool misplaced_ = false;
    std::int64_t refusedFiles_ = 0;
    std::string firstRefused_;
    bool upload_ = true;
    std::set<std::pair<dev_t, ino_t>> localAncestors_;
    // Uploads left partial on servers, with the local files as they were.
    PartialUploadStore partialUploads_;

    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> uploadRunning_{false};
    std::atomic<bool> downloadRunning_{false};
};

}  // namespace transfer
