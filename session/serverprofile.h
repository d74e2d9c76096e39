#pragma once

#include <string>

namespace session {

// How a profile's connections are encrypted, as stored. A profile stored before the
// choice existed reads as plain FTP; a new one requires explicit TLS.
enum Encryption : int {
    kPlainFtp = 0,
    kRequireExplicitTls = 1,
    kExplicitTlsIfAvailable = 2,
    kRequireImplicitTls = 3,
};
inline constexpr int kImplicitTlsPort = 990;

// How names are encoded on the server, as stored (ftp::NameEncoding's order).
enum NameEncodingChoice : int { kAutomaticNames = 0, kUtf8Names = 1, kGb18030Names = 2 };
// Which listing command a profile uses, as stored.
enum ListCommand : int { kMachineListing = 0, kAlwaysList = 1 };

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
    int encryption = kRequireExplicitTls;
    int nameEncoding = kAutomaticNames;
    int listCommand = kMachineListing;
    int verifyTransfers = 1;
    // Working form: each extension followed by ':' ("HTM:HTML:...:PL:").
    std::string asciiSuffixes;
};

// Texts empty, flags and numbers 0, port 21, explicit TLS required; the suffix list stays.
void clearProfile(ServerProfile& record);

// The port a connection goes to: the profile's, or 990 for implicit TLS when the profile
// keeps the default 21 (or none).
int connectionPort(const ServerProfile& profile);

}  // namespace session
