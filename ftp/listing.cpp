#include <cerrno>
#include <cstring>
#include <ctime>

#include "ftpsession.h"

namespace ftp {
namespace {

// Whatever has arrived, up to this much at a time: lines are assembled across pieces.
constexpr std::size_t kReceiveBlock = 64 * 1024;

bool isPreliminary(int code) {
    return code == 150 || code == 125;
}

// Turns listing bytes into entries, handing the learned name column from line to line.
class ListingAssembler {
public:
    explicit ListingAssembler(int serverType) : serverType_(serverType) {
        // One "today" for the whole listing: every line is dated alike, and the clock is
        // read once rather than per line.
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (localtime_r(&now, &local)) {
            year_ = local.tm_year + 1900;
            month_ = local.tm_mon + 1;
        }
    }

    void feed(const char* data, std::size_t n) {
        const char* end = data + n;
        while (data < end) {
            const char* lf = static_cast<const char*>(std::memchr(data, '\n', end - data));
            if (!lf) {
                line_.append(data, end);
                return;
            }
            line_.append(data, lf);
            completeLine();
            data = lf + 1;
        }
    }

    // A last line without LF is still an entry: dropping it would hide a file.
    std::vector<FileEntry> finish() {
        if (!line_.empty()) completeLine();
        return std::move(entries_);
    }

private:
    void completeLine() {
        if (!line_.empty() && line_.back() == '\r') line_.pop_back();
        FileEntry entry(std::move(line_), serverType_);
        line_.clear();
        entry.currentYear = year_;
        entry.currentMonth = month_;
        bool learned = false;
        entry.parse(column_, learned);
        if (learned) column_ = entry.nameColumn;
        entries_.push_back(std::move(entry));
    }

    int serverType_;
    int year_ = 0;  // 0 lets the parser read the clock itself
    int month_ = 0;
    int column_ = 0;
    std::string line_;
    std::vector<FileEntry> entries_;
};

}  // namespace

std::optional<std::vector<FileEntry>> FtpSession::list() {
    if (!connected) return std::nullopt;
    if (passive && !enterPassive()) return std::nullopt;
    if (!openDataConnection()) return std::nullopt;
    auto fail = [this] {
        closeDataSocket();
        return std::nullopt;
    };

    std::string reply;
    if (!sendCommand("LIST -la", true)) return fail();
    int code = readReply(reply, true);
    if (!isPreliminary(code)) {
        if (code == 0) return fail();
        lastError = code;
        // Same prepared data connection: no second PASV or PORT.
        if (!sendCommand("LIST", true)) return fail();
        if (!isPreliminary(readReply(reply, true))) return fail();
    }
    if (!acceptDataConnection()) {
        readFinalReplyAfterFailure();
        return std::nullopt;
    }

    ListingAssembler assembler(serverType);
    std::vector<char> block(kReceiveBlock);
    bool dataFailed = false;
    for (;;) {
        const ssize_t got = receiveData(block.data(), block.size());
        if (got <= 0) {
            dataFailed = got < 0;
            if (dataFailed && errno == ETIMEDOUT) lastError = ETIMEDOUT;  // the server stalled
            break;
        }
        assembler.feed(block.data(), static_cast<std::size_t>(got));
    }
    closeDataSocket();
    if (aborted_) return std::nullopt;
    if (dataFailed) {
        readFinalReplyAfterFailure();
        return std::nullopt;
    }

    // A listing the server did not confirm may be cut short; showing it as whole would
    // hide files from the user and from recursive operations.
    code = readReply(reply, true);
    if (code < 200 || code > 299) {
        refuse(code);
        return std::nullopt;
    }
    return assembler.finish();
}

}  // namespace ftp
