#pragma once

// Uploads left partial on a server, kept in a file of the user's state folder, so that a
// later job, of this window or of another, continues them rather than sending the whole
// file again. The file is a cache: one that is missing, unreadable or damaged reads as
// empty, and one that cannot be written costs a resume, never a transfer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace transfer {

// The server a partial upload lies on, as the profile names it.
struct ServerIdentity {
    std::string host;  // as typed
    int port = 21;
    std::string user;
    bool operator==(const ServerIdentity&) const = default;
};

// The local file as it was when its upload broke off.
struct PartialUpload {
    std::string local;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds since the epoch
    bool operator==(const PartialUpload&) const = default;
};

class PartialUploadStore {
public:
    // The oldest entries go beyond this.
    static constexpr std::size_t kMaxEntries = 300;
    // A larger file is not read: no real one grows that far.
    static constexpr std::int64_t kMaxFileBytes = 16 << 20;

    struct Entry {
        ServerIdentity server;
        std::string serverPath;
        PartialUpload upload;
    };

    // Reads the file at path. An empty path keeps the entries in this object only.
    void open(std::string path);
    std::optional<PartialUpload> find(const ServerIdentity& server,
                                      const std::string& serverPath) const;
    // Each change reads the file again under its lock and writes it whole, so that the
    // entries other windows wrote meanwhile stay.
    void remember(const ServerIdentity& server, const std::string& serverPath,
                  const PartialUpload& upload);
    void forget(const ServerIdentity& server, const std::string& serverPath);
    const std::vector<Entry>& entries() const { return entries_; }  // oldest first

private:
    void change(const std::function<void(std::vector<Entry>&)>& edit);

    std::string path_;
    std::vector<Entry> entries_;
};

// The store's file in the state folder.
std::string partialUploadsFile(const std::string& stateDirectory);

}  // namespace transfer
