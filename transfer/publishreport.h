#pragma once

// What a transfer job did, file by file: the record the window shows at the end of a job
// and writes to the job log.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "messageformat.h"

namespace transfer {

class PublishReport {
public:
    enum class Kind { Sent, Skipped, Failed, LeftPartial };
    struct Entry {
        Kind kind = Kind::Sent;
        std::string path;  // the target's path (server or local)
        // Sent: "size", a hash name ("SHA-256"), or empty when nothing could be compared
        // (text mode, no size from the server, checking switched off).
        std::string how;
        int reason = 0;  // Skipped, Failed: the message id that says why, and its arguments
        std::vector<platform::MessageArg> args;
        std::int64_t bytes = 0;
    };
    // A message id and its arguments to a text.
    using Formatter =
        std::function<std::string(int id, const std::vector<platform::MessageArg>& args)>;

    // Message ids of the report's lines.
    enum : int {
        kTitleUpload = 1382,
        kTitleDownload = 1383,
        kVerifiedLine = 1385,
        kUncheckedLine = 1386,
        kSkippedLine = 1387,
        kFailedLine = 1388,
        kPartialLine = 1389,
        kTotalsLine = 1390,
        kVerifiedCount = 1381,
        kBySize = 1391,
    };

    void begin(bool upload, const std::string& server);
    void sent(const std::string& path, std::int64_t bytes, const std::string& how);
    void skipped(const std::string& path, int reason, std::vector<platform::MessageArg> args);
    void failed(const std::string& path, int reason, std::vector<platform::MessageArg> args);
    void leftPartial(const std::string& path);
    void end();

    bool upload() const { return upload_; }
    const std::vector<Entry>& entries() const { return entries_; }
    std::int64_t count(Kind kind) const;
    std::int64_t verified() const;
    std::int64_t bytes() const { return bytes_; }
    double seconds() const;

    // The report as text, one line an entry, the totals last.
    std::string render(const Formatter& format) const;

private:
    bool upload_ = true;
    std::string server_;
    std::vector<Entry> entries_;
    std::int64_t bytes_ = 0;
    std::chrono::steady_clock::time_point start_{};
    std::chrono::steady_clock::time_point end_{};
    std::chrono::system_clock::time_point wallStart_{};
};

// The folder of the job logs: $XDG_STATE_HOME/trandel, else ~/.local/state/trandel.
std::string reportLogDirectory();
// Makes the folder and its missing parents, each owner-only; false when one cannot be made.
bool makeOwnerDirectories(const std::string& path);
// Writes the text to a new log file (owner-only) in directory, made when missing. Returns
// its path, or empty when it could not be written.
std::string writeReportLog(const std::string& directory, const std::string& text);

}  // namespace transfer
