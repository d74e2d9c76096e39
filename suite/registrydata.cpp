#include "registrydata.h"

#include <charconv>
#include <set>

namespace tsy {
namespace {

unsigned char lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

// Length of the valid UTF-8 sequence at text[i] (a byte of 0x80 or more), or 0.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    auto at = [&](std::size_t k) -> unsigned {
        return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
    };
    auto cont = [](unsigned c) { return c >= 0x80 && c <= 0xBF; };
    unsigned c = at(0);
    if (c >= 0xC2 && c <= 0xDF) return cont(at(1)) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        return at(1) >= lo && at(1) <= hi && cont(at(2)) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return at(1) >= lo && at(1) <= hi && cont(at(2)) && cont(at(3)) ? 4 : 0;
    }
    return 0;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool parseDword(std::string_view text, std::uint32_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint64_t wide = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), wide, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
    if (wide > 0xFFFFFFFFu) return false;
    value = static_cast<std::uint32_t>(wide);
    return true;
}

// "name" = "text"  or  "name" = 123
bool parseValueLine(std::string_view line, RegistryValue& value) {
    std::size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return false;
    if (!unescapeText(line.substr(1, close - 1), value.name)) return false;
    std::string_view rest = trim(line.substr(close + 1));
    if (rest.empty() || rest.front() != '=') return false;
    rest = trim(rest.substr(1));
    if (!rest.empty() && rest.front() == '"') {
        if (rest.size() < 2 || rest.back() != '"') return false;
        std::string_view inner = rest.substr(1, rest.size() - 2);
        if (inner.find('"') != std::string_view::npos) return false;
        value.isDword = false;
        return unescapeText(inner, value.text);
    }
    value.isDword = true;
    return parseDword(rest, value.dword);
}

}  // namespace

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = lower(static_cast<unsigned char>(a[i]));
        unsigned char y = lower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string normalizeKeyPath(std::string_view path) {
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            if (!out.empty()) out.push_back('\\');
            out.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

std::string escapeText(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (std::size_t n = utf8Length(text, i)) {
                out.append(text.substr(i, n));
                i += n;
                continue;
            }
        }
        if (c < 0x20 || c == 0x7F || c >= 0x80 || c == '%' || c == '"') {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
        ++i;
    }
    return out;
}

bool unescapeText(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

RegistryData RegistryData::parse(std::string_view text) {
    RegistryData data;
    RegistryKey* current = nullptr;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[' && line.size() >= 2 && line.back() == ']') {
            std::string path;
            if (unescapeText(line.substr(1, line.size() - 2), path)) {
                current = &data.keyFor(normalizeKeyPath(path));
                continue;
            }
        } else if (line.front() == '"' && current) {
            RegistryValue value;
            if (parseValueLine(line, value)) {
                std::string name = value.name;
                auto [it, added] = current->values.try_emplace(name, value);
                if (!added) it->second = value;  // the last line of a name wins
                continue;
            }
        }
        data.badLines_.push_back(lineNumber);
    }
    return data;
}

std::string RegistryData::serialize(std::string_view heading) const {
    std::string out;
    std::size_t start = 0;
    while (start < heading.size()) {
        std::size_t end = heading.find('\n', start);
        if (end == std::string_view::npos) end = heading.size();
        out += "# ";
        out.append(heading.substr(start, end - start));
        out += '\n';
        start = end + 1;
    }
    for (const auto& [path, key] : keys_) {
        out += "\n[" + escapeText(key.path) + "]\n";
        for (const auto& [name, value] : key.values) {
            out += '"' + escapeText(value.name) + "\" = ";
            if (value.isDword) {
                out += std::to_string(value.dword);
            } else {
                out += '"' + escapeText(value.text) + '"';
            }
            out += '\n';
        }
    }
    return out;
}

const RegistryKey* RegistryData::findKey(std::string_view normalizedPath) const {
    auto it = keys_.find(normalizedPath);
    return it == keys_.end() ? nullptr : &it->second;
}

const RegistryValue* RegistryData::findValue(std::string_view normalizedPath,
                                             std::string_view name) const {
    const RegistryKey* key = findKey(normalizedPath);
    if (!key) return nullptr;
    auto it = key->values.find(name);
    return it == key->values.end() ? nullptr : &it->second;
}

bool RegistryData::keyExists(std::string_view normalizedPath) const {
    if (normalizedPath.empty() || findKey(normalizedPath)) return true;
    std::string prefix = std::string(normalizedPath) + '\\';
    auto it = keys_.lower_bound(prefix);
    return it != keys_.end() && startsWithNoCase(it->first, prefix);
}

std::vector<std::string> RegistryData::subKeys(std::string_view normalizedPath) const {
    std::string prefix = normalizedPath.empty() ? "" : std::string(normalizedPath) + '\\';
    std::set<std::string, NoCaseLess> names;
    for (auto it = keys_.lower_bound(prefix);
         it != keys_.end() && startsWithNoCase(it->first, prefix); ++it) {
        std::string_view rest = std::string_view(it->second.path).substr(prefix.size());
        if (rest.empty()) continue;
        names.emplace(rest.substr(0, rest.find('\\')));
    }
    return {names.begin(), names.end()};
}

bool RegistryData::setString(std::string_view normalizedPath, std::string_view name,
                             std::string_view text) {
    RegistryValue v;
    v.text = std::string(text);
    return setValue(normalizedPath, name, v);
}

bool RegistryData::setDword(std::string_view normalizedPath, std::string_view name,
                            std::uint32_t value) {
    RegistryValue v;
    v.isDword = true;
    v.dword = value;
    return setValue(normalizedPath, name, v);
}

RegistryKey& RegistryData::keyFor(std::string_view normalizedPath) {
    auto it = keys_.find(normalizedPath);
    if (it != keys_.end()) return it->second;
    RegistryKey key;
    key.path = std::string(normalizedPath);
    return keys_.emplace(key.path, std::move(key)).first->second;
}

bool RegistryData::setValue(std::string_view normalizedPath, std::string_view name,
                            const RegistryValue& v) {
    RegistryKey& key = keyFor(normalizedPath);
    auto it = key.values.find(name);
    if (it == key.values.end()) {
        RegistryValue added = v;
        added.name = std::string(name);
        key.values.emplace(added.name, std::move(added));
        return true;
    }
    RegistryValue& old = it->second;
    if (old.isDword == v.isDword && old.dword == v.dword && old.text == v.text) return false;
    old.isDword = v.isDword;
    old.dword = v.dword;
    old.text = v.text;
    return true;
}

}  // namespace tsy
