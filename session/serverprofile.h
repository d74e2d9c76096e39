#pragma once

#include <string>

namespace session {

// One server profile of the site database, as the main window, the connect worker and
// the options sheet use it.
struct ServerProfile {
    std::string name;  // the key in the site database
    std::string host;
    std::string user;
    std::string password;   // empty: asked at connect time
    std::string extraText;  // stored and loaded unchanged
    std::string firewallHost;
    std::string firewallUser;
    std::string firewallPassword;  // empty: asked at connect time
    std::string initialRemoteDir;
    std::string mruLocalDir;
    std::string mruRemoteDir;
    int passiveMode = 0;
    int useFirewall = 0;
    int transferType = 0;    // 0 automatic, 1 binary, 2 text
    int initialDirMode = 0;  // 0 default, 1 last used, 2 specified
    int lockDir = 0;
    int port = 21;
    // Working form: each extension followed by ':' ("HTM:HTML:...:PL:").
    std::string asciiSuffixes;
};

// Texts empty, flags and numbers 0, port 21; the suffix list stays.
void clearProfile(ServerProfile& record);

}  // namespace session
