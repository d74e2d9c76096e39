#pragma once

namespace ftp {

// What a row of the server pane is. A link is a directory row when the server lets us
// change into it; otherwise it is taken as a link to a file.
enum class EntryType : int { File = 1, Directory = 2, LinkToFile = 3 };

}  // namespace ftp
