#pragma once

// Checking a transferred file against the server's copy: its size, and its hash where the
// server offers a command for one.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serverfeatures.h"

namespace ftp {

enum class HashAlgorithm { Sha256, Sha1, Md5, Crc32 };

// "SHA-256", "SHA-1", "MD5", "CRC32": the names HASH uses, and the report's.
const char* hashName(HashAlgorithm algorithm);

// A command that makes the server hash a file: "HASH" (the algorithm chosen with OPTS
// HASH), or one of the older XSHA256, XSHA1, XMD5, XCRC.
struct HashCommand {
    std::string verb;
    HashAlgorithm algorithm = HashAlgorithm::Sha256;
    bool viaHash = false;
};

// The hash command the features name, the strongest first: HASH with SHA-256, SHA-1 or
// MD5 (in that order), else an X command FEAT lists. nullopt when FEAT names none.
std::optional<HashCommand> chooseHashCommand(const Features& features);

// The X commands tried in turn, once per session, when FEAT names none.
std::vector<HashCommand> probedHashCommands();

// The hash in a reply's text (after the code), lower case; empty when the reply holds
// none for that algorithm. HASH: "SHA-256 0-1234 <hex> name"; X commands: "<hex>", a
// name possibly before or after it.
std::string parseHashReply(const HashCommand& command, std::string_view replyText);

// The size in a SIZE reply's text (" 1234"), or -1.
std::int64_t parseSizeReply(std::string_view replyText);
// The size fact of an MLST reply, its lines as sent (" size=12;type=file; name"), or -1.
std::int64_t parseMlstSize(std::string_view replyLines);

// The hash of a local file, lower-case hex; an errno value when it cannot be read.
// ECANCELED when stop became set on the way.
int hashLocalFile(const std::string& path, HashAlgorithm algorithm, std::string& hex,
                  const std::atomic<bool>* stop = nullptr);

// A local file read once: its hash and, with wireForm, the size and hash of the bytes a
// text-mode transfer carries for it (every LF as CR LF). No algorithm: the sizes only.
struct LocalDigest {
    int error = 0;  // errno when the file cannot be read
    std::int64_t size = 0;
    std::int64_t wireSize = 0;
    std::string hex;
    std::string wireHex;
};
LocalDigest digestLocalFile(const std::string& path, std::optional<HashAlgorithm> algorithm,
                            bool wireForm, const std::atomic<bool>* stop = nullptr);

// What a transfer may have done to line ends. A text-mode file has LF line ends here; the
// server's copy has those (servers that convert on the wire) or the wire's CR LF (servers
// that keep or send the bytes as stored).
struct LineEnds {
    enum Mode { Binary, TextUpload, TextDownload } mode = Binary;
    // A text download: the bytes its data connection carried; -1 when unknown.
    std::int64_t received = -1;
};

// How a file was checked, for the report.
struct Verification {
    bool sizeChecked = false;
    std::string hash;  // hashName() of the hash compared, or empty
    bool checked() const { return sizeChecked || !hash.empty(); }
};

// What a session remembers between files: a server refuses a command once, not per file.
struct VerifierState {
    bool sizeRefused = false;
    bool mlstRefused = false;
    bool hashProbed = false;
    std::optional<HashCommand> hash;
    bool hashSelected = false;  // OPTS HASH done for the chosen algorithm
};

}  // namespace ftp
