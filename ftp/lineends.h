#pragma once

#include <cstddef>

namespace ftp {

// Line ends of text-mode transfers: the wire has CR LF, local text files on this system
// have LF. Together they make a round trip byte-identical: a local CR LF goes out as
// CR CR LF and comes back as CR LF.

// Turns every CR LF in data[0, n) into LF, in place, and returns the new length. A lone
// CR stays. So does a CR at the very end: when more data follows, the caller passes that
// CR again as the first byte of the next call.
std::size_t crlfToLf(char* data, std::size_t n);

// Writes data[0, n) to out with every LF sent as CR LF; out holds 2 * n bytes. Returns
// the bytes written.
std::size_t lfToCrLf(const char* data, std::size_t n, char* out);

}  // namespace ftp
