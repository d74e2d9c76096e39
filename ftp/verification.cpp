#include "verification.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <memory>

#include "lineends.h"

namespace ftp {
namespace {

constexpr std::size_t kHashBuffer = 1 << 20;

bool isHex(std::string_view token) {
    if (token.empty()) return false;
    for (char c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::vector<std::string_view> tokens(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos) break;
        text.remove_prefix(start);
        const std::size_t end = text.find_first_of(" \t\r\n");
        out.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end);
    }
    return out;
}

std::size_t hexLength(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha256:
            return 64;
        case HashAlgorithm::Sha1:
            return 40;
        case HashAlgorithm::Md5:
            return 32;
        case HashAlgorithm::Crc32:
            return 8;
    }
    return 0;
}

// A CRC may come without its leading zeros.
std::string normalised(HashAlgorithm algorithm, std::string_view token) {
    if (!isHex(token)) return {};
    if (algorithm == HashAlgorithm::Crc32) {
        if (token.size() > 8) return {};
        return std::string(8 - token.size(), '0') + lower(token);
    }
    return token.size() == hexLength(algorithm) ? lower(token) : std::string();
}

std::uint32_t crc32Update(std::uint32_t crc, const unsigned char* data, std::size_t n) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    for (std::size_t i = 0; i < n; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

std::string toHex(const unsigned char* bytes, std::size_t n) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
    }
    return out;
}

const EVP_MD* digestOf(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha256:
            return EVP_sha256();
        case HashAlgorithm::Sha1:
            return EVP_sha1();
        case HashAlgorithm::Md5:
            return EVP_md5();
        case HashAlgorithm::Crc32:
            break;
    }
    return nullptr;
}

// One running hash: a digest, a CRC, or nothing when no algorithm is asked for.
class Hasher {
public:
    explicit Hasher(std::optional<HashAlgorithm> algorithm)
        : digest_(algorithm ? digestOf(*algorithm) : nullptr), active_(algorithm.has_value()) {
        if (digest_) {
            context_.reset(EVP_MD_CTX_new());
            ready_ = context_ && EVP_DigestInit_ex(context_.get(), digest_, nullptr) == 1;
        }
    }
    bool ready() const { return ready_; }
    void update(const char* data, std::size_t n) {
        if (digest_)
            EVP_DigestUpdate(context_.get(), data, n);
        else if (active_)
            crc_ = crc32Update(crc_, reinterpret_cast<const unsigned char*>(data), n);
    }
    std::string finish() {
        if (digest_) {
            unsigned char value[EVP_MAX_MD_SIZE];
            unsigned int length = 0;
            EVP_DigestFinal_ex(context_.get(), value, &length);
            return toHex(value, length);
        }
        if (!active_) return {};
        const std::uint32_t crc = crc_ ^ 0xFFFFFFFFu;
        const unsigned char bytes[4] = {
            static_cast<unsigned char>(crc >> 24), static_cast<unsigned char>(crc >> 16),
            static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc)};
        return toHex(bytes, 4);
    }

private:
    const EVP_MD* digest_;
    bool active_;
    bool ready_ = true;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context_{nullptr, &EVP_MD_CTX_free};
    std::uint32_t crc_ = 0xFFFFFFFFu;
};

}  // namespace

const char* hashName(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha256:
            return "SHA-256";
        case HashAlgorithm::Sha1:
            return "SHA-1";
        case HashAlgorithm::Md5:
            return "MD5";
        case HashAlgorithm::Crc32:
            return "CRC32";
    }
    return "";
}

std::optional<HashCommand> chooseHashCommand(const Features& features) {
    for (HashAlgorithm algorithm :
         {HashAlgorithm::Sha256, HashAlgorithm::Sha1, HashAlgorithm::Md5, HashAlgorithm::Crc32}) {
        for (const std::string& offered : features.hashAlgorithms)
            if (offered == hashName(algorithm)) return HashCommand{"HASH", algorithm, true};
    }
    for (const HashCommand& command : probedHashCommands())
        if (features.offers(command.verb)) return command;
    return std::nullopt;
}

std::vector<HashCommand> probedHashCommands() {
    return {{"XSHA256", HashAlgorithm::Sha256, false},
            {"XSHA1", HashAlgorithm::Sha1, false},
            {"XMD5", HashAlgorithm::Md5, false},
            {"XCRC", HashAlgorithm::Crc32, false}};
}

std::string parseHashReply(const HashCommand& command, std::string_view replyText) {
    const std::vector<std::string_view> words = tokens(replyText);
    if (command.viaHash) {
        // Algorithm, byte range, hash, name: the name may hold blanks, so the hash is
        // found by its place.
        if (words.size() < 3 || lower(words[0]) != lower(hashName(command.algorithm))) return {};
        return normalised(command.algorithm, words[2]);
    }
    // The hash is the one token of the right shape; a name may stand beside it.
    for (auto it = words.rbegin(); it != words.rend(); ++it) {
        const std::string hex = normalised(command.algorithm, *it);
        if (!hex.empty()) return hex;
    }
    return {};
}

std::int64_t parseSizeReply(std::string_view replyText) {
    const std::vector<std::string_view> words = tokens(replyText);
    if (words.empty()) return -1;
    std::int64_t size = -1;
    const std::string_view word = words.front();
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), size);
    if (error != std::errc() || end != word.data() + word.size() || size < 0) return -1;
    return size;
}

std::int64_t parseMlstSize(std::string_view replyLines) {
    // The entry is the line that begins with a blank: its facts, then one blank and the name.
    std::size_t at = 0;
    while (at < replyLines.size()) {
        std::size_t end = replyLines.find('\n', at);
        if (end == std::string_view::npos) end = replyLines.size();
        std::string_view line = replyLines.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line.front() != ' ') continue;
        line.remove_prefix(1);
        line = line.substr(0, line.find(' '));
        while (!line.empty()) {
            const std::size_t semicolon = line.find(';');
            const std::string_view fact = line.substr(0, semicolon);
            const std::size_t equals = fact.find('=');
            if (equals != std::string_view::npos && lower(fact.substr(0, equals)) == "size")
                return parseSizeReply(fact.substr(equals + 1));
            if (semicolon == std::string_view::npos) break;
            line.remove_prefix(semicolon + 1);
        }
    }
    return -1;
}

int hashLocalFile(const std::string& path, HashAlgorithm algorithm, std::string& hex,
                  const std::atomic<bool>* stop) {
    LocalDigest digest = digestLocalFile(path, algorithm, false, stop);
    hex = std::move(digest.hex);
    return digest.error;
}

LocalDigest digestLocalFile(const std::string& path, std::optional<HashAlgorithm> algorithm,
                            bool wireForm, const std::atomic<bool>* stop) {
    LocalDigest result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Hasher local(algorithm);
    Hasher wire(wireForm ? algorithm : std::nullopt);
    auto buffer = std::make_unique_for_overwrite<char[]>(kHashBuffer);
    // The wire form is made only to be hashed; without a hash, counting LFs sizes it.
    const bool convert = wireForm && algorithm;
    auto converted = std::make_unique_for_overwrite<char[]>(convert ? 2 * kHashBuffer : 0);
    if (!local.ready() || !wire.ready()) result.error = ENOMEM;
    while (result.error == 0) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            result.error = ECANCELED;
            break;
        }
        const ssize_t got = ::read(fd, buffer.get(), kHashBuffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno != EINTR) result.error = errno;
            continue;
        }
        const auto n = static_cast<std::size_t>(got);
        result.size += got;
        local.update(buffer.get(), n);
        if (convert) {
            const std::size_t out = lfToCrLf(buffer.get(), n, converted.get());
            wire.update(converted.get(), out);
            result.wireSize += static_cast<std::int64_t>(out);
        } else if (wireForm) {
            result.wireSize += got + std::count(buffer.get(), buffer.get() + n, '\n');
        }
    }
    ::close(fd);
    if (result.error != 0) return result;
    if (!wireForm) result.wireSize = result.size;
    result.hex = local.finish();
    result.wireHex = wire.finish();
    return result;
}

}  // namespace ftp
