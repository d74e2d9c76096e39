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

// A text file the server holds with some lines ending in CR LF and others in LF: its
// size lies between the two forms', and neither hash could agree, though nothing was
// lost. Only a download can meet one; when the wire carried fewer bytes than the server
// holds, the file was cut short.
bool mixedLineEnds(const LineEnds& lineEnds, std::int64_t size, std::int64_t wireSize,
                   std::int64_t serverSize) {
    return lineEnds.mode == LineEnds::TextDownload && serverSize > size && serverSize < wireSize &&
           (lineEnds.received < 0 || lineEnds.received >= serverSize);
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
                           bool checkSize, Verification& how, LineEnds lineEnds) {
    how = {};
    if (!connected) return 0;
    struct stat info {};
    if (::stat(localPath.c_str(), &info) != 0) {
        lastError = errno;
        return 0;
    }
    const bool text = lineEnds.mode != LineEnds::Binary;
    // The local hash is made while the server answers; a text file's wire size comes from
    // the same reading. Before the first probe the server's command is not known: the
    // first one tried is hashed for meanwhile, and dropped at once if the server has none.
    std::optional<HashAlgorithm> digested;
    if (verifier_.hash)
        digested = verifier_.hash->algorithm;
    else if (!verifier_.hashProbed)
        digested = chooseHashCommand(features_).value_or(probedHashCommands().front()).algorithm;
    std::atomic<bool> unwanted{false};
    std::future<LocalDigest> local;
    if (digested || text)
        local =
            std::async(std::launch::async, digestLocalFile, localPath, digested, text, &unwanted);
    const StopOnExit dropUnread{unwanted};
    LocalDigest mine;
    auto fail = [this](int error) {
        lastError = error;
        return 0;
    };

    if (text) {
        // SIZE counts stored bytes only in binary; some servers refuse it in text mode.
        std::string ignored;
        const int typeCode = sendAndRead("TYPE I", ignored);
        if (typeCode == 0) return fail(-1);
        checkSize = checkSize && typeCode < 400;
    }
    // The forms the server's copy may be in: as here, or (text) as on the wire.
    bool plain = true;
    bool wire = text;
    if (checkSize) {
        std::int64_t size = -1;
        const int known = remoteSize(remoteName, size);
        if (known < 0) return fail(-1);
        if (known == kVerifyMismatch) return fail(kVerifyMismatch);
        if (known == 1 && text) {
            mine = local.get();
            if (mine.error != 0) return fail(mine.error);
        }
        if (known == 1) {
            plain = size == info.st_size;
            wire = text && !plain && size == mine.wireSize;
            if (!plain && !wire) {
                if (mixedLineEnds(lineEnds, info.st_size, mine.wireSize, size)) return 1;
                return fail(kVerifyMismatch);
            }
            how.sizeChecked = true;
        }
    }
    HashCommand used;
    std::string remote;
    const int hashed = remoteHash(remoteName, used, remote);
    if (hashed < 0) return fail(-1);
    if (hashed == 0) return 1;
    if (digested != used.algorithm) {
        unwanted.store(true);
        mine = digestLocalFile(localPath, used.algorithm, wire);
    } else if (local.valid()) {
        mine = local.get();
    }
    if (mine.error != 0) return fail(mine.error);
    if (!(plain && mine.hex == remote) && !(wire && mine.wireHex == remote))
        return fail(kVerifyMismatch);
    how.hash = hashName(used.algorithm);
    return 1;
}

}  // namespace ftp
