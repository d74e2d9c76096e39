#include <initializer_list>

#include "ftpsession.h"

namespace ftp {
namespace {

bool isOneOf(int code, std::initializer_list<int> accepted) {
    for (int a : accepted)
        if (code == a) return true;
    return false;
}

}  // namespace

int FtpSession::sendAndRead(const std::string& command, std::string& reply, bool showReply) {
    if (!sendCommand(command, true)) return 0;
    return readReply(reply, showReply);
}

int FtpSession::currentDirectory(std::string& path) {
    path.clear();
    if (!connected) return 0;
    std::string reply;
    const int code = sendAndRead("PWD", reply);
    if (code != 257 || !parseDirectoryReply(reply, path)) {
        refuse(code);
        return 0;
    }
    return 1;
}

int FtpSession::changeDirectory(const std::string& path, bool quiet) {
    if (!connected) return 0;
    std::string reply;
    const int code = sendAndRead("CWD " + path, reply, !quiet);
    if (isOneOf(code, {250, 200})) return 1;
    refuse(code);
    return 0;
}

int FtpSession::makeDirectory(const std::string& name) {
    if (!connected) return 0;
    std::string reply;
    const int code = sendAndRead("MKD " + name, reply);
    if (isOneOf(code, {200, 250, 257})) return 1;
    refuse(code);
    return 0;
}

int FtpSession::removeDirectory(const std::string& name) {
    if (!connected) return 0;
    std::string reply;
    // A refusal leaves lastError as it was; callers report by their own context.
    return isOneOf(sendAndRead("RMD " + name, reply), {250, 200}) ? 1 : 0;
}

int FtpSession::deleteFile(const std::string& name) {
    if (!connected) return 0;
    std::string reply;
    const int code = sendAndRead("DELE " + name, reply);
    if (isOneOf(code, {250, 200})) return 1;
    refuse(code);
    return 0;
}

int FtpSession::rename(const std::string& oldName, const std::string& newName) {
    if (!connected) return 0;
    std::string reply;
    if (sendAndRead("RNFR " + oldName, reply) != 350) return 0;
    const int code = sendAndRead("RNTO " + newName, reply);
    if (code == 250) return 1;
    refuse(code);
    return 0;
}

int FtpSession::changeMode(const std::string& mode, const std::string& name) {
    if (!connected) return 0;
    std::string reply;
    const int code = sendAndRead("SITE CHMOD " + mode + " " + name, reply);
    if (isOneOf(code, {200, 250})) return 1;
    refuse(code);
    return 0;
}

int FtpSession::checkAlive() {
    if (!connected) return 1;
    if (!sendCommand("NOOP", false)) return 1;
    std::string reply;
    const int code = readReply(reply, false);
    if (code == 200) return 0;
    refuse(code);
    return 1;
}

}  // namespace ftp
