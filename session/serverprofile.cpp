#include "serverprofile.h"

#include <utility>

namespace session {

void clearProfile(ServerProfile& record) {
    std::string suffixes = std::move(record.asciiSuffixes);
    record = ServerProfile();
    record.asciiSuffixes = std::move(suffixes);
}

int connectionPort(const ServerProfile& profile) {
    if (profile.encryption == kRequireImplicitTls && (profile.port <= 0 || profile.port == 21))
        return kImplicitTlsPort;
    return profile.port;
}

}  // namespace session
