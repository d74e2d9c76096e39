#include "ftpsession.h"
#include "trace.h"

namespace ftp {
namespace {

constexpr const char* kMaskedPassword = "PASS *****";

bool contains(const std::string& text, const char* what) {
    return text.find(what) != std::string::npos;
}

}  // namespace

int identifyServer(int systCode, const std::string& systText, int learnedSoFar, bool direct) {
    if (systCode == 500 || learnedSoFar >= 0)
        return learnedSoFar > 0 ? learnedSoFar : ServerType::Unix;
    if (contains(systText, "NT")) {
        if (contains(systText, "3.51")) return ServerType::WindowsNt;
        if (contains(systText, "4.0")) return ServerType::WindowsNt4;
        return ServerType::WindowsNt;
    }
    if (contains(systText, "OS/2")) return ServerType::Os2;
    if (direct && contains(systText, "MACOS Peter's Server")) return ServerType::Macintosh;
    return ServerType::Unix;
}

int FtpSession::login(const std::string& hostName, const std::string& userId,
                      const std::string& userPassword) {
    serverType = ServerType::Unidentified;
    if (trace::traceEnabled()) trace::write("remote host: " + hostName + "\n");

    if (!sendCommand("USER " + userId, true)) return 0;
    std::string reply;
    int result = readReply(reply, true, 4096);
    if (result != 331 && result != 230) return result;
    if (contains(reply, "Microsoft")) serverType = ServerType::WindowsNt;

    if (result == 331) {
        if (!sendCommand("PASS " + userPassword, false, kMaskedPassword)) return 0;
        result = readReply(reply, true, 4096);
    }

    if (!sendCommand("SYST", true)) return 0;
    int systCode = readReply(reply, true, 4096);
    serverType = identifyServer(systCode, reply, serverType, true);
    return result;
}

int FtpSession::loginViaSite(const std::string& serverHost, const std::string& userId,
                             const std::string& userPassword) {
    serverType = ServerType::Unidentified;

    if (!sendCommand("SITE " + serverHost, true)) return 0;
    std::string reply;
    int code = readReply(reply, true, 4096);
    if (code != 220) return code;
    if (contains(reply, "Microsoft"))
        serverType = ServerType::WindowsNt;
    else if (contains(reply, "NetPresenz v4.1"))
        serverType = ServerType::Macintosh;

    if (!sendCommand("USER " + userId, true)) return 0;
    code = readReply(reply, true, 4096);
    if (code != 331) return code;

    if (!sendCommand("PASS " + userPassword, false, kMaskedPassword)) return 0;
    const int result = readReply(reply, true, 4096);

    if (!sendCommand("SYST", true)) return 0;
    int systCode = readReply(reply, true, 4096);
    serverType = identifyServer(systCode, reply, serverType, false);
    return result;
}

int FtpSession::learnFeatures() {
    features_ = {};
    if (!sendCommand("FEAT", true)) return 0;
    std::string reply;
    const int code = readReplyLines(reply, false);
    if (code == 0) return 0;
    features_ = parseFeatures(code, reply);
    if (features_.utf8 && nameEncoding != NameEncoding::Gb18030) {
        // Servers that offer UTF8 but want it asked for send other names until then.
        if (!sendCommand("OPTS UTF8 ON", true)) return 0;
        if (readReply(reply, true, 4096) == 0) return 0;
    }
    return 1;
}

}  // namespace ftp
