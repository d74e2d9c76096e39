#pragma once

namespace ftp {

// Server style learned at login; it chooses the listing parser.
enum ServerType : int {
    Unidentified = -1,
    Unix = 0,
    WindowsNt = 1,
    WindowsNt4 = 2,
    Os2 = 3,
    Macintosh = 4,
};

}  // namespace ftp
