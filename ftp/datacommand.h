#pragma once

// The one path of the commands that move data (LIST, RETR, STOR). Internal to the engine.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "ftpcodes.h"
#include "sinks.h"

namespace ftp {

// A command that moves data, with what goes before it.
struct DataCommand {
    std::string command;  // "RETR name"
    // Sent on the same prepared data connection when the command is refused ("LIST" after
    // "LIST -la"); a refusal of it leaves the command's code in lastError.
    std::string fallback;
    // TYPE before the command (Text: A, Binary: I); Automatic sends none, as a listing
    // keeps the current type.
    TransferMode type = TransferMode::Automatic;
    // Runs once the server has agreed to move the data, before its connection is taken:
    // 0, or the errno that stops the transfer.
    std::function<int()> agreed;
    // "REST n" before the command; a refusal stops it with kRestartRefused.
    std::string restart{};
};

// Where received data goes.
class DataSink {
public:
    virtual ~DataSink() = default;
    // Room for the next receive; never empty.
    virtual std::span<char> space() = 0;
    // n bytes arrived at the start of the last space().
    virtual void received(std::size_t n) = 0;
};

// What is sent.
class DataSource {
public:
    virtual ~DataSource() = default;
    // The next bytes to send, empty at the end. Returns 0, or the errno of a failed read.
    virtual int next(std::span<const char>& piece) = 0;
    // n more bytes of the last piece have gone out.
    virtual void sent(std::size_t n) = 0;
};

// Progress advances block by block: a block is reported once it has moved whole, the last,
// short one when the data ends.
inline constexpr std::int64_t kProgressBlock = 4096;

// Reports each whole block that ends after `before` and not after `after`.
void reportBlocks(ByteProgressSink* sink, std::int64_t total, std::int64_t before,
                  std::int64_t after);

}  // namespace ftp
