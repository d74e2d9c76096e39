#pragma once

#include <cstdint>
#include <string>

#include "engineclient.h"

namespace bench {

// What checking uploads costs: the 1,000-file tree against vsftpd (sizes only) and the
// big file against pyftpdlib with XSHA256, each unchecked and checked, interleaved, with
// the local SHA-256 of the big file as the yardstick. localTree and bigFile exist.
// Prints its own table; false when a run failed.
bool runCheckedRows(const Server& vsftpd, const std::string& vsftpdRoot,
                    const std::string& localTree, const std::string& bigFile, std::int64_t bigBytes,
                    int rounds);

}  // namespace bench
