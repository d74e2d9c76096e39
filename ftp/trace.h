#pragma once

#include <string>

namespace ftp::trace {

// The process-wide FTP trace: one text file that records the dialogue while enabled.
// Switched on the UI thread; written from whichever thread runs the engine.

inline constexpr const char* kDefaultFileName = "trandel.dbg";

// Opens (emptying) the trace file, owner-only. Returns false, leaving tracing off,
// when the file cannot be opened.
bool enable(const std::string& path = kDefaultFileName);
void disable();
bool traceEnabled();

// Writes the text as it stands and flushes; does nothing while tracing is off.
void write(const std::string& text);

}  // namespace ftp::trace
