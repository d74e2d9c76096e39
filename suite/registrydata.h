#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tsy {

// Key paths and value names compare without regard to ASCII letter case, as the keys
// written by the earlier editions did; the spelling of the first write is kept.
struct NoCaseLess {
    bool operator()(std::string_view a, std::string_view b) const;
    using is_transparent = void;
};
bool equalNoCase(std::string_view a, std::string_view b);

// "A\\B\\\\C\\" becomes "A\\B\\C": empty components are dropped.
std::string normalizeKeyPath(std::string_view path);

struct RegistryValue {
    std::string name;  // as first written
    bool isDword = false;
    std::uint32_t dword = 0;
    std::string text;
};

struct RegistryKey {
    std::string path;  // normalised, as first written
    std::map<std::string, RegistryValue, NoCaseLess> values;
};

// The contents of one root's file, in memory.
//
// The file is text, one line each:
//   # comment
//   [Software\Korvex\Tessaly\5.0\Settings]      a key, by its full path
//   "SiteDB" = "/home/ann/.local/share/tessaly/Site/"   a string value
//   "migNeverShow" = 1                          a 32-bit value, decimal
// Inside quotes and brackets, '%', '"', control bytes and bytes that are not part of
// valid UTF-8 are written as %XX, so that any bytes survive and the rest stays readable.
class RegistryData {
public:
    static RegistryData parse(std::string_view text);
    std::string serialize(std::string_view heading) const;

    // Lines of the parsed text that could not be read (1-based line numbers).
    const std::vector<std::size_t>& badLines() const { return badLines_; }

    const RegistryKey* findKey(std::string_view normalizedPath) const;
    const RegistryValue* findValue(std::string_view normalizedPath, std::string_view name) const;
    // True when the key has its own section or any key lies below it.
    bool keyExists(std::string_view normalizedPath) const;
    // Names of the keys directly below, in order.
    std::vector<std::string> subKeys(std::string_view normalizedPath) const;

    // Both return false when the stored value was already the same.
    bool setString(std::string_view normalizedPath, std::string_view name, std::string_view text);
    bool setDword(std::string_view normalizedPath, std::string_view name, std::uint32_t value);

private:
    RegistryKey& keyFor(std::string_view normalizedPath);
    bool setValue(std::string_view normalizedPath, std::string_view name, const RegistryValue& v);

    std::map<std::string, RegistryKey, NoCaseLess> keys_;
    std::vector<std::size_t> badLines_;
};

// Exposed for tests of the format.
std::string escapeText(std::string_view text);
bool unescapeText(std::string_view text, std::string& out);

}  // namespace tsy
