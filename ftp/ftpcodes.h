#pragma once

// Codes that travel from the window through the transfer job to the engine.
namespace ftp {

// What a row of the server pane is. A link is a directory row when the server lets us
// change into it; otherwise it is taken as a link to a file.
enum class EntryType : int { File = 1, Directory = 2, LinkToFile = 3 };

// How files travel. The values are those the window stores as "mode". The engine sends
// TYPE A for Text and TYPE I for Binary; Automatic is decided per file before that.
enum class TransferMode : int { Automatic = 0, Binary = 1, Text = 2 };

}  // namespace ftp
