#include "serverprofile.h"

#include <utility>

namespace session {

void clearProfile(ServerProfile& record) {
    std::string suffixes = std::move(record.asciiSuffixes);
    record = ServerProfile();
    record.asciiSuffixes = std::move(suffixes);
}

}  // namespace session
