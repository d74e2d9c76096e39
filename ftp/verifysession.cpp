#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <future>

#include "ftpsession.h"

namespace ftp {
namespace {

// The server does not know the command: it is not sent again in this session.
bool isUnknownCommand(int code) {
    return code == 500 || code == 502 || code == 504;
}

struct LocalHash {
    int error = 0;
    std::string hex;
};

LocalHash hashOf(const std::string& path, HashAlgorithm algorithm,
                 const std::atomic<bool>* stop = nullptr) {
    LocalHash result;
    result.error = hashLocalFile(path, algorithm, result.hex, false, nullptr, stop);
    return result;
}

// Set when its scope ends, so that a local hash nobody will read stops at once.
struct StopOnExit {
    std::atomic<bool>& flag;
    ~StopOnExit() { flag.store(true); }
};

}  // namespace

int FtpSession::remoteSize(const std::string& name, std::int64_t& size) {
    size = -1;
    std::string reply;
    if (features_.mlst && !verifier_.mlstRefused) {
        if (!sendCommand("MLST " + name, true)) return -1;
        const int code = readReplyLines(reply, true);
        if (code == 0) return -1;
        if (code == 250) {
            size = parseMlstSize(reply);
            if (size >= 0) return 1;
        } else if (code == 550) {
            return kVerifyMismatch;
        } else if (isUnknownCommand(code)) {
            verifier_.mlstRefused = true;
        }
    }
    if (verifier_.sizeRefused) return 0;
    const int code = sendAndRead("SIZE " + name, reply);
    if (code == 0) return -1;
    if (code == 213) {
        size = parseSizeReply(reply);
        return size >= 0 ? 1 : 0;
    }
    if (code == 550) return kVerifyMismatch;
    if (isUnknownCommand(code)) verifier_.sizeRefused = true;
    return 0;
}

int FtpSession::remoteHash(const std::string& name, HashCommand& used, std::string& hex) {
    hex.clear();
    std::vector<HashCommand> candidates;
    if (verifier_.hash) {
        candidates = {*verifier_.hash};
    } else if (!verifier_.hashProbed) {
        const std::optional<HashCommand> offered = chooseHashCommand(features_);
        candidates = offered ? std::vector<HashCommand>{*offered} : probedHashCommands();
    }
    std::string reply;
    for (const HashCommand& command : candidates) {
        if (command.viaHash && !verifier_.hashSelected &&
            features_.hashSelected != hashName(command.algorithm)) {
            const int code =
                sendAndRead(std::string("OPTS HASH ") + hashName(command.algorithm), reply);
            if (code == 0) return -1;
            if (code != 200) continue;
        }
        const int code = sendAndRead(command.verb + " " + name, reply);
        if (code == 0) return -1;
        if (isUnknownCommand(code)) continue;
        verifier_.hash = command;
        verifier_.hashProbed = true;
        verifier_.hashSelected = command.viaHash;
        used = command;
        if (code / 100 != 2) return 0;  // the command exists but gave no hash for this file
        hex = parseHashReply(command, reply);
        return hex.empty() ? 0 : 1;
    }
    verifier_.hashProbed = true;
    return 0;
}

int FtpSession::verifyFile(const std::string& localPath, const std::string& remoteName,
                           bool checkSize, Verification& how, bool sentAsText) {
    how = {};
    if (!connected) return 0;
    struct stat info {};
    if (::stat(localPath.c_str(), &info) != 0) {
        lastError = errno;
        return 0;
    }
    // The local hash is made while the server answers. Before the first probe the
    // server's command is not known: the first one tried is hashed for meanwhile, and
    // dropped at once when the server has none.
    std::optional<HashCommand> planned = verifier_.hash;
    if (!planned && !verifier_.hashProbed) planned = chooseHashCommand(features_);
    if (!planned && !verifier_.hashProbed) planned = probedHashCommands().front();
    std::atomic<bool> unwanted{false};
    std::future<LocalHash> local;
    if (planned)
        local = std::async(std::launch::async, hashOf, localPath, planned->algorithm, &unwanted);
    const StopOnExit dropUnread{unwanted};
    auto fail = [this](int error) {
        lastError = error;
        return 0;
    };

    // A text file's wire form: its size, and which form the server kept once known.
    std::int64_t wireSize = info.st_size;
    bool storedAsSent = false;
    if (sentAsText) {
        std::string ignored;
        if (const int error =
                hashLocalFile(localPath, HashAlgorithm::Crc32, ignored, true, &wireSize))
            return fail(error);
        const int typeCode = sendAndRead("TYPE I", ignored);
        if (typeCode == 0) return fail(-1);
        checkSize = checkSize && typeCode < 400;
    }
    if (checkSize) {
        std::int64_t size = -1;
        const int known = remoteSize(remoteName, size);
        if (known < 0) return fail(-1);
        const bool agrees = size == info.st_size || (sentAsText && size == wireSize);
        if (known == kVerifyMismatch || (known == 1 && !agrees)) return fail(kVerifyMismatch);
        how.sizeChecked = known == 1;
        storedAsSent = known == 1 && size == wireSize && wireSize != info.st_size;
    }
    HashCommand used;
    std::string remote;
    const int hashed = remoteHash(remoteName, used, remote);
    if (hashed < 0) return fail(-1);
    if (hashed == 0) return 1;
    LocalHash mine;
    const bool plannedRight = planned && planned->algorithm == used.algorithm && !storedAsSent;
    if (!plannedRight) unwanted.store(true);
    if (!storedAsSent) {
        mine = plannedRight ? local.get() : hashOf(localPath, used.algorithm);
        if (mine.error != 0) return fail(mine.error);
    }
    // Without a size to tell, a text file may be either form.
    if (sentAsText && mine.hex != remote && (storedAsSent || !how.sizeChecked)) {
        mine.error = hashLocalFile(localPath, used.algorithm, mine.hex, true);
        if (mine.error != 0) return fail(mine.error);
    }
    if (mine.hex != remote) return fail(kVerifyMismatch);
    how.hash = hashName(used.algorithm);
    return 1;
}

}  // namespace ftp
