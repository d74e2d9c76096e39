#include "truststore.h"

#include <sstream>

#include "fileio.h"

namespace session {
namespace {

std::string keyOf(const std::string& host, int port) {
    return host + " " + std::to_string(port);
}

}  // namespace

TrustStore::TrustStore(std::string path) : path_(std::move(path)) {
    load();
}

void TrustStore::load() {
    std::string bytes;
    if (path_.empty() || !tsy::readWholeFile(path_, bytes)) return;
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string host, fingerprint;
        int port = 0;
        // A line that does not read whole is left out rather than half trusted.
        if (fields >> host >> port >> fingerprint) fingerprints_[keyOf(host, port)] = fingerprint;
    }
}

std::string TrustStore::trusted(const std::string& host, int port) const {
    const auto found = fingerprints_.find(keyOf(host, port));
    return found == fingerprints_.end() ? std::string() : found->second;
}

TrustStore::Verdict TrustStore::check(const std::string& host, int port,
                                      const std::string& fingerprint) const {
    const std::string stored = trusted(host, port);
    if (stored.empty()) return Verdict::Unknown;
    return stored == fingerprint ? Verdict::Trusted : Verdict::Changed;
}

bool TrustStore::remember(const std::string& host, int port, const std::string& fingerprint) {
    // A host name with blanks or line breaks could forge another line.
    if (path_.empty() || fingerprint.empty() ||
        host.find_first_of(" \t\r\n") != std::string::npos || host.empty())
        return false;
    auto changed = fingerprints_;
    changed[keyOf(host, port)] = fingerprint;
    std::string bytes;
    for (const auto& [key, value] : changed)
        bytes += key + " " + value + "\n";
    if (!tsy::ensurePrivateFolder(tsy::parentFolder(path_)) ||
        !tsy::writeFileAtomically(path_, bytes, 0600))
        return false;
    fingerprints_ = std::move(changed);
    return true;
}

}  // namespace session
