// Pure readings of reply texts and the rate text.
#include <cctype>
#include <cstdio>
#include <limits>

#include "ftpsession.h"

namespace ftp {
namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The number that ends just before `end`, stepping back over one non-digit first (the
// blank in "1234 bytes"). -1 when there is none or it does not fit.
std::int64_t numberBefore(std::string_view text, std::size_t end) {
    if (end > 0 && !isDigit(text[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && isDigit(text[begin - 1]))
        --begin;
    if (begin == end) return -1;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The last occurrence of `marker` that has a number before it: a file name earlier in
// the text may contain the marker too.
std::int64_t numberBeforeLast(std::string_view text, std::string_view marker) {
    for (std::size_t at = text.rfind(marker); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : text.rfind(marker, at - 1)) {
        const std::int64_t value = numberBefore(text, at);
        if (value >= 0) return value;
    }
    return -1;
}

}  // namespace

std::int64_t parseExactTransferSize(std::string_view replyText) {
    return numberBeforeLast(replyText, "byte");
}

std::int64_t parseTransferSize(std::string_view replyText) {
    const std::int64_t bytes = parseExactTransferSize(replyText);
    if (bytes >= 0) return bytes;
    const std::int64_t kilobytes = numberBeforeLast(replyText, "k)");
    if (kilobytes >= 0 && kilobytes <= std::numeric_limits<std::int64_t>::max() / 1024)
        return kilobytes * 1024;
    return 0;
}

bool formatRate(const std::string& format, double kilobytesPerSecond, std::string& text) {
    text.clear();
    // The format may come from a language module: only "%%" and exactly one conversion
    // of a double, with small width and precision, may reach snprintf.
    // A NUL would hide the rest of the checked text from printf.
    if (format.find('\0') != std::string::npos) return false;
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (++i < format.size() && format[i] == '%') continue;
        while (i < format.size() &&
               std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
            ++i;
        for (int digits = 0; i < format.size() && isDigit(format[i]); ++digits, ++i)
            if (digits == 2) return false;
        if (i < format.size() && format[i] == '.') {
            ++i;
            for (int digits = 0; i < format.size() && isDigit(format[i]); ++digits, ++i)
                if (digits == 2) return false;
        }
        if (i < format.size() && format[i] == 'l') ++i;
        if (i >= format.size() ||
            std::string_view("fFeEgGaA").find(format[i]) == std::string_view::npos)
            return false;
        ++conversions;
    }
    if (conversions != 1) return false;

    const int length = std::snprintf(nullptr, 0, format.c_str(), kilobytesPerSecond);
    if (length < 0) return false;
    text.resize(static_cast<std::size_t>(length) + 1);
    std::snprintf(text.data(), text.size(), format.c_str(), kilobytesPerSecond);
    text.resize(static_cast<std::size_t>(length));
    return true;
}

bool FtpSession::setRateFormat(const std::string& format) {
    std::string probe;
    if (!formatRate(format, 0.0, probe)) return false;
    rateFormat_ = format;
    return true;
}

bool parseDirectoryReply(std::string_view replyText, std::string& path) {
    const std::size_t open = replyText.find('"');
    if (open == std::string_view::npos) return false;
    std::string name;
    for (std::size_t i = open + 1; i < replyText.size(); ++i) {
        if (replyText[i] != '"') {
            name.push_back(replyText[i]);
        } else if (i + 1 < replyText.size() && replyText[i + 1] == '"') {
            name.push_back('"');  // a quote inside the name is sent doubled
            ++i;
        } else {
            path = std::move(name);
            return true;
        }
    }
    return false;
}

}  // namespace ftp
