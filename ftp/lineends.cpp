#include "lineends.h"

#include <cstring>

namespace ftp {

std::size_t crlfToLf(char* data, std::size_t n) {
    std::size_t out = 0;
    for (std::size_t in = 0; in < n;) {
        // Whole runs without CR move at once; most text has long lines.
        const void* cr = std::memchr(data + in, '\r', n - in);
        const std::size_t end =
            cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : n;
        if (out != in) std::memmove(data + out, data + in, end - in);
        out += end - in;
        in = end;
        if (in == n) break;
        if (in + 1 == n || data[in + 1] != '\n') data[out++] = '\r';
        ++in;
    }
    return out;
}

std::size_t lfToCrLf(const char* data, std::size_t n, char* out) {
    std::size_t written = 0;
    for (std::size_t in = 0; in < n;) {
        const void* lf = std::memchr(data + in, '\n', n - in);
        const std::size_t end =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : n;
        std::memcpy(out + written, data + in, end - in);
        written += end - in;
        in = end;
        if (in == n) break;
        out[written++] = '\r';
        out[written++] = '\n';
        ++in;
    }
    return written;
}

}  // namespace ftp
