#include <cstring>
#include <ctime>
#include <memory>

#include "datacommand.h"
#include "ftpsession.h"
#include "mlsdlisting.h"

namespace ftp {
namespace {

// Whatever has arrived, up to this much at a time: lines are assembled across pieces.
constexpr std::size_t kReceiveBlock = 64 * 1024;

// Turns listing bytes into entries, handing the learned name column from line to line.
class ListingAssembler : public DataSink {
public:
    ListingAssembler(int serverType, bool machine) : serverType_(serverType), machine_(machine) {
        // One "today" for the whole listing: every line is dated alike, and the clock is
        // read once rather than per line.
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (localtime_r(&now, &local)) {
            year_ = local.tm_year + 1900;
            month_ = local.tm_mon + 1;
        }
    }

    std::span<char> space() override { return {block_.get(), kReceiveBlock}; }

    void received(std::size_t n) override {
        const char* data = block_.get();
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
        if (machine_) {
            parseMlsdLine(entry);
            entries_.push_back(std::move(entry));
            return;
        }
        entry.currentYear = year_;
        entry.currentMonth = month_;
        bool learned = false;
        entry.parse(column_, learned);
        if (learned) column_ = entry.nameColumn;
        entries_.push_back(std::move(entry));
    }

    std::unique_ptr<char[]> block_ = std::make_unique_for_overwrite<char[]>(kReceiveBlock);
    int serverType_;
    bool machine_;
    int year_ = 0;  // 0 lets the parser read the clock itself
    int month_ = 0;
    int column_ = 0;
    std::string line_;
    std::vector<FileEntry> entries_;
};

}  // namespace

std::optional<std::vector<FileEntry>> FtpSession::list() {
    if (machineListing && features_.mlst && !mlsdRefused_) {
        if (!prepareMachineListing()) return std::nullopt;
        auto entries = listWith(true);
        if (entries || !mlsdRefused_) return entries;
    }
    return listWith(false);
}

bool FtpSession::prepareMachineListing() {
    if (mlstOptionsSent_) return true;
    mlstOptionsSent_ = true;
    const std::string options = mlstOptionsCommand(features_);
    if (options.empty()) return true;
    // A refusal leaves the server's own facts, which still make a listing.
    std::string reply;
    return sendAndRead(options, reply) != 0;
}

std::optional<std::vector<FileEntry>> FtpSession::listWith(bool machine) {
    std::string reply;
    int code = 0;
    const DataCommand command = machine
                                    ? DataCommand{"MLSD", {}, TransferMode::Automatic, {}}
                                    : DataCommand{"LIST -la", "LIST", TransferMode::Automatic, {}};
    if (!beginDataCommand(command, reply, code)) {
        // Only a refusal sends the session to LIST for good: a data connection that
        // failed says nothing about MLSD.
        if (machine && code >= 500 && code <= 599) mlsdRefused_ = true;
        return std::nullopt;
    }
    ListingAssembler assembler(serverType, machine);
    const bool received = receiveInto(assembler);
    // A listing the server did not confirm may be cut short; showing it as whole would
    // hide files from the user and from recursive operations.
    const std::optional<int> finalCode = endDataCommand(!received, reply);
    if (!finalCode) return std::nullopt;
    if (*finalCode < 200 || *finalCode > 299) {
        refuse(*finalCode);
        return std::nullopt;
    }
    std::vector<FileEntry> entries = assembler.finish();
    if (!allNamesValidUtf8(entries)) sawOtherNames_ = true;
    return entries;
}

}  // namespace ftp
