#include "filelistitems.h"

#include <cstdio>

std::string sizeText(std::int64_t size) {
    std::int64_t kb = size > 0 ? (size / 1024) + ((size % 1024) >= 512 ? 1 : 0) : 0;
    if (kb == 0 && size != 0) kb = 1;
    return std::to_string(kb) + " KB";
}

void localTimeTexts(std::time_t modified, std::string& dateText, int& timeKey) {
    std::tm local{};
    if (!::localtime_r(&modified, &local)) {
        dateText.clear();
        timeKey = 0;
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    dateText = text;
    timeKey = local.tm_hour * 10000 + local.tm_min * 100 + local.tm_sec;
}

int compareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}
