#include "messageformat.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace platform {
namespace {

// Formats one argument with a printf conversion such as "8d", "-3s" or "4.1f".
std::string formatOne(const std::string& conversionText, const MessageArg* arg) {
    if (conversionText.empty()) return {};
    const char conversion = conversionText.back();
    std::string flags = conversionText.substr(0, conversionText.size() - 1);
    // Only flags, width and precision are kept: length modifiers are ours to choose.
    std::string safe;
    for (char c : flags)
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
            c == ' ' || c == '0' || c == '#')
            safe.push_back(c);

    auto print = [](const std::string& format, auto value) {
        int n = std::snprintf(nullptr, 0, format.c_str(), value);
        if (n <= 0) return std::string();
        std::string out(static_cast<std::size_t>(n) + 1, '\0');
        std::snprintf(out.data(), out.size(), format.c_str(), value);
        out.resize(static_cast<std::size_t>(n));
        return out;
    };
    auto asInteger = [&]() -> long long {
        if (!arg) return 0;
        if (auto* i = std::get_if<std::int64_t>(arg)) return *i;
        if (auto* d = std::get_if<double>(arg)) return static_cast<long long>(*d);
        if (auto* c = std::get_if<char>(arg)) return static_cast<unsigned char>(*c);
        return 0;
    };
    auto asText = [&]() -> std::string {
        if (!arg) return {};
        if (auto* s = std::get_if<std::string>(arg)) return *s;
        if (auto* c = std::get_if<char>(arg)) return std::string(1, *c);
        if (auto* i = std::get_if<std::int64_t>(arg)) return std::to_string(*i);
        if (auto* d = std::get_if<double>(arg)) return print("%g", *d);
        return {};
    };

    switch (conversion) {
        case 'd':
        case 'i':
        case 'u':
            return print("%" + safe + "lld", asInteger());
        case 'o':
        case 'x':
        case 'X':
            return print("%" + safe + "ll" + conversion, asInteger());
        case 'f':
        case 'g':
        case 'e': {
            double value = 0;
            if (arg) {
                if (auto* d = std::get_if<double>(arg))
                    value = *d;
                else
                    value = static_cast<double>(asInteger());
            }
            return print("%" + safe + conversion, value);
        }
        case 'c':
            return print(
                "%" + safe + "c",
                static_cast<int>(static_cast<unsigned char>(asText().empty() ? ' ' : asText()[0])));
        case 's':
        default: {
            std::string text = asText();
            return print("%" + safe + "s", text.c_str());
        }
    }
}

bool isConversion(char c) {
    return std::string_view("diuoxXfgecs").find(c) != std::string_view::npos;
}

}  // namespace

std::string formatMessage(std::string_view pattern, const std::vector<MessageArg>& args) {
    std::string out;
    std::size_t nextArg = 0;
    auto argAt = [&](std::size_t index) -> const MessageArg* {
        return index < args.size() ? &args[index] : nullptr;
    };

    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out.push_back(c);
            continue;
        }
        if (pattern[i + 1] == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        // Numbered insert: %N!format!
        std::size_t j = i + 1;
        while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])))
            ++j;
        if (j > i + 1 && j < pattern.size() && pattern[j] == '!') {
            std::size_t close = pattern.find('!', j + 1);
            if (close != std::string_view::npos) {
                std::size_t number = 0;
                std::from_chars(pattern.data() + i + 1, pattern.data() + j, number);
                std::string conversionText(pattern.substr(j + 1, close - j - 1));
                out += formatOne(conversionText, number >= 1 ? argAt(number - 1) : nullptr);
                i = close;
                continue;
            }
        }
        // printf-style: flags, width, precision, optional length, conversion.
        j = i + 1;
        while (j < pattern.size() &&
               std::string_view("-+ #0123456789.").find(pattern[j]) != std::string_view::npos)
            ++j;
        while (j < pattern.size() &&
               std::string_view("hlLqjzt").find(pattern[j]) != std::string_view::npos)
            ++j;
        if (j < pattern.size() && isConversion(pattern[j])) {
            std::string conversionText(pattern.substr(i + 1, j - i));
            out += formatOne(conversionText, argAt(nextArg++));
            i = j;
            continue;
        }
        out.push_back(c);  // a lone '%' stays as it is
    }
    return out;
}

}  // namespace platform
