#pragma once

#include <map>
#include <string>

namespace session {

// The certificates the user chose to trust always, by host and port: one SHA-256
// fingerprint each. Kept in one owner-only text file, "host port fingerprint" a line,
// rewritten whole and atomically on every change.
class TrustStore {
public:
    enum class Verdict {
        Unknown,  // nothing stored for this host and port
        Trusted,  // the stored fingerprint is this one
        Changed,  // another fingerprint is stored: the certificate was replaced
    };

    // An empty path keeps nothing: every lookup is Unknown and remember() fails.
    explicit TrustStore(std::string path);

    Verdict check(const std::string& host, int port, const std::string& fingerprint) const;
    // The stored fingerprint, or empty.
    std::string trusted(const std::string& host, int port) const;
    // Stores (or replaces) the fingerprint for host and port; false when the file could
    // not be written.
    bool remember(const std::string& host, int port, const std::string& fingerprint);

    // The file's name in the folder of the site database.
    static constexpr const char* kFileName = "trusted-certificates";

private:
    void load();

    std::string path_;
    std::map<std::string, std::string> fingerprints_;  // "host port" -> fingerprint
};

}  // namespace session
