#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "sinks.h"

namespace bench {

// What a UI sink does with progress: keeps the latest numbers for a timer to show.
class LatestProgress : public ftp::ByteProgressSink {
public:
    void setByteCounter(std::int64_t total, std::int64_t done) override {
        total_.store(total, std::memory_order_relaxed);
        done_.store(done, std::memory_order_relaxed);
    }
    std::int64_t done() const { return done_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::int64_t> total_{0};
    std::atomic<std::int64_t> done_{0};
};

struct Server {
    int port = 0;
    std::string user;
    std::string password;
    // Explicit TLS, required for the login and the data, with the server's certificate
    // as the trust anchor every client verifies it with.
    bool tls = false;
    std::string certificate;
    // FEAT after the login, as the window asks it; with machineListing false the engine
    // lists by LIST even where MLSD is offered.
    bool askFeatures = false;
    bool machineListing = true;
};

// The engine doing each benchmark's work in one session: connect, log in, work, QUIT.
// Every function returns false on any failure.
class EngineClient {
public:
    EngineClient(Server server, bool passive) : server_(std::move(server)), passive_(passive) {}
    // Each upload is then checked as a job checks it: FEAT at login, then the server's
    // size and, where it offers one, its hash.
    void setChecked(bool checked) { checked_ = checked; }

    bool download(const std::string& remoteName, const std::string& localPath);
    bool upload(const std::string& localPath, const std::string& remoteName);
    // Lists a directory and returns the number of entries the parser accepted.
    bool list(const std::string& directory, std::size_t& entries);
    // One upload per file, directories made as the upload worker makes them.
    bool uploadTree(const std::string& localTree, const std::string& remoteTree);
    // One listing per directory and one download per file.
    bool downloadTree(const std::string& remoteTree, const std::string& localTree);

private:
    Server server_;
    bool passive_;
    bool checked_ = false;
};

}  // namespace bench
