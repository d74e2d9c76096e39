#include "publishreport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace transfer {
namespace {

std::string timestamp(std::chrono::system_clock::time_point when, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[64] = {};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

}  // namespace

bool makeOwnerDirectories(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

void PublishReport::begin(bool upload, const std::string& server) {
    *this = {};
    upload_ = upload;
    server_ = server;
    start_ = end_ = std::chrono::steady_clock::now();
    wallStart_ = std::chrono::system_clock::now();
}

void PublishReport::sent(const std::string& path, std::int64_t bytes, const std::string& how) {
    entries_.push_back({Kind::Sent, path, how, 0, {}, bytes});
    bytes_ += bytes;
}

void PublishReport::skipped(const std::string& path, int reason,
                            std::vector<platform::MessageArg> args) {
    entries_.push_back({Kind::Skipped, path, {}, reason, std::move(args), 0});
}

void PublishReport::failed(const std::string& path, int reason,
                           std::vector<platform::MessageArg> args) {
    entries_.push_back({Kind::Failed, path, {}, reason, std::move(args), 0});
}

void PublishReport::leftPartial(const std::string& path) {
    entries_.push_back({Kind::LeftPartial, path, {}, 0, {}, 0});
}

void PublishReport::end() {
    end_ = std::chrono::steady_clock::now();
}

std::int64_t PublishReport::count(Kind kind) const {
    std::int64_t n = 0;
    for (const Entry& entry : entries_)
        n += entry.kind == kind ? 1 : 0;
    return n;
}

std::int64_t PublishReport::verified() const {
    std::int64_t n = 0;
    for (const Entry& entry : entries_)
        n += entry.kind == Kind::Sent && !entry.how.empty() ? 1 : 0;
    return n;
}

double PublishReport::seconds() const {
    return std::chrono::duration<double>(end_ - start_).count();
}

std::string PublishReport::render(const Formatter& format) const {
    std::string text = format(upload_ ? kTitleUpload : kTitleDownload,
                              {server_, timestamp(wallStart_, "%Y-%m-%d %H:%M:%S")}) +
                       "\n";
    for (const Entry& entry : entries_) {
        switch (entry.kind) {
            case Kind::Sent:
                if (entry.how.empty())
                    text += format(kUncheckedLine, {entry.path, entry.bytes});
                else
                    text += format(kVerifiedLine,
                                   {entry.path, entry.bytes,
                                    entry.how == "size" ? format(kBySize, {}) : entry.how});
                break;
            case Kind::Skipped:
                text += format(kSkippedLine, {format(entry.reason, entry.args)});
                break;
            case Kind::Failed:
                text += format(kFailedLine, {entry.path, format(entry.reason, entry.args)});
                break;
            case Kind::LeftPartial:
                text += format(kPartialLine, {entry.path});
                break;
        }
        text += "\n";
    }
    const double elapsed = seconds();
    const double rate = elapsed > 0 ? static_cast<double>(bytes_) / 1024.0 / elapsed : 0.0;
    text += format(kTotalsLine, {count(Kind::Sent), verified(), count(Kind::Skipped),
                                 count(Kind::Failed), bytes_, elapsed, rate});
    return text + "\n";
}

std::string reportLogDirectory() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/trandel";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/tmp") + "/.local/state/trandel";
}

std::string writeReportLog(const std::string& directory, const std::string& text) {
    if (!makeOwnerDirectories(directory)) return {};
    const std::string base =
        directory + "/publish-" + timestamp(std::chrono::system_clock::now(), "%Y%m%d-%H%M%S");
    for (int n = 0; n < 100; ++n) {
        const std::string path = base + (n == 0 ? "" : "-" + std::to_string(n)) + ".log";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {};
        }
        bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ok = ::close(fd) == 0 && ok;
        return ok ? path : std::string();
    }
    return {};
}

}  // namespace transfer
