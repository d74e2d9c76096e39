#include "nameencoding.h"

#include <iconv.h>

#include <cerrno>

namespace ftp {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

unsigned char byteAt(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

// Length of the well-formed UTF-8 sequence at `at`, 0 when there is none: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const unsigned char lead = byteAt(text, at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byteAt(text, at + 1) < low || byteAt(text, at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byteAt(text, at + i) & 0xC0) != 0x80) return 0;
    return length;
}

// Appends the UTF-8 reading of the bytes, U+FFFD for each byte that does not read;
// false when there was such a byte.
bool readUtf8(std::string_view bytes, std::string& out) {
    bool faithful = true;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, at);
        if (length == 0) {
            out += kReplacement;
            faithful = false;
            ++at;
            continue;
        }
        out.append(bytes.substr(at, length));
        at += length;
    }
    return faithful;
}

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (usable()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts what it can; at a sequence that does not convert it stops with `at`
    // pointing there. True when everything converted.
    bool convert(std::string_view in, std::size_t& at, std::string& out) {
        char* source = const_cast<char*>(in.data()) + at;
        std::size_t sourceLeft = in.size() - at;
        char buffer[256];
        for (;;) {
            char* target = buffer;
            std::size_t targetLeft = sizeof buffer;
            const std::size_t result = ::iconv(cd_, &source, &sourceLeft, &target, &targetLeft);
            const int error = errno;
            out.append(buffer, target);
            at = in.size() - sourceLeft;
            if (result != static_cast<std::size_t>(-1)) return true;
            if (error != E2BIG) return false;
        }
    }

private:
    iconv_t cd_;
};

// GB18030 includes GBK and ASCII. Bytes that do not read become U+FFFD, one per byte,
// and the conversion goes on after them.
bool readGb18030(std::string_view bytes, std::string& out) {
    Converter converter("UTF-8", "GB18030");
    bool faithful = true;
    for (std::size_t at = 0; at < bytes.size();) {
        if (converter.usable() && converter.convert(bytes, at, out)) break;
        if (byteAt(bytes, at) < 0x80) {  // only without a converter
            out += bytes[at++];
            continue;
        }
        out += kReplacement;
        faithful = false;
        ++at;
    }
    return faithful;
}

bool readName(std::string_view bytes, NameEncoding encoding, std::string& out) {
    if (encoding == NameEncoding::Gb18030) return readGb18030(bytes, out);
    return readUtf8(bytes, out);
}

}  // namespace

NameEncoding effectiveEncoding(NameEncoding chosen, bool serverOffersUtf8, bool namesAreValidUtf8) {
    if (chosen != NameEncoding::Automatic) return chosen;
    return serverOffersUtf8 || namesAreValidUtf8 ? NameEncoding::Utf8 : NameEncoding::Gb18030;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

bool allNamesValidUtf8(const std::vector<FileEntry>& entries) {
    for (const FileEntry& entry : entries)
        if (entry.kind != FileEntry::NotAnEntry && !isValidUtf8(entry.name)) return false;
    return true;
}

bool isSafeListingName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\r\n\0", 4)) == std::string_view::npos;
}

std::string nameForDisplay(std::string_view serverBytes, NameEncoding encoding) {
    std::string text;
    readName(serverBytes, encoding, text);
    return text;
}

bool nameForServer(std::string_view text, NameEncoding encoding, std::string& serverBytes) {
    if (encoding != NameEncoding::Gb18030) {
        serverBytes = std::string(text);
        return true;
    }
    if (!isValidUtf8(text)) return false;
    Converter converter("GB18030", "UTF-8");
    std::string out;
    std::size_t at = 0;
    if (!converter.usable() || !converter.convert(text, at, out)) return false;
    serverBytes = std::move(out);
    return true;
}

LocalName localFileName(std::string_view serverBytes, NameEncoding encoding) {
    LocalName local;
    local.changed = !readName(serverBytes, encoding, local.name);
    for (char& c : local.name)
        if (c == '/' || c == '\0' || c == '\r' || c == '\n') {
            c = '_';
            local.changed = true;
        }
    if (local.name.empty() || local.name == "." || local.name == "..") {
        local.name.insert(0, "_");
        local.changed = true;
    }
    return local;
}

}  // namespace ftp
