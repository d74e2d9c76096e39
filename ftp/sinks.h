#pragma once

#include <cstdint>
#include <string>

namespace ftp {

// Where the engine reports what it is doing. Pane 0 shows commands and replies,
// pane 1 short texts such as the transfer rate. The engine works without a sink.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void setStatusText(int pane, const std::string& text) = 0;
};

// Byte progress of one transfer: the announced total and the bytes moved so far.
class ByteProgressSink {
public:
    virtual ~ByteProgressSink() = default;
    virtual void setByteCounter(std::int64_t total, std::int64_t done) = 0;
};

}  // namespace ftp
