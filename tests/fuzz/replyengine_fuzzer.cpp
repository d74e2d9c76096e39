// Arbitrary bytes as what a server sends on the control connection: the reply engine
// reads reply after reply, and each reply text goes through every reading of reply
// texts (PASV, transfer size, PWD) and, as a hostile language module's text would, the
// rate format check. Besides the sanitizers: codes have at most three digits, texts
// hold no line breaks, and an accepted PASV reply names a real address and port.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "dataaddress.h"
#include "ftpsession.h"

namespace {

void require(bool holds) {
    if (!holds) __builtin_trap();
}

// A session whose control connection is one end of a socket pair.
class PluggedSession : public ftp::FtpSession {
public:
    PluggedSession() : FtpSession("127.0.0.1", "u", "p") {}
    void plug(int fd) {
        setControlSocket(fd);
        connected = true;
    }
};

void checkText(const std::string& text) {
    std::string address;
    int port = -1;
    if (ftp::parsePassiveReply(text, address, port)) {
        require(port >= 0 && port <= 65535);
        require(address.size() >= 7 && address.size() <= 15);
    }
    require(ftp::parseTransferSize(text) >= 0);
    std::string path;
    if (ftp::parseDirectoryReply(text, path)) require(path.size() < text.size());
    std::string rate;
    if (ftp::formatRate(text, 12.5, rate)) require(!rate.empty() || text.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 32 * 1024) return 0;  // stays within one socket buffer
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
    if (::write(pair[1], data, size) != static_cast<ssize_t>(size)) {
        ::close(pair[0]);
        ::close(pair[1]);
        return 0;
    }
    ::close(pair[1]);

    PluggedSession session;
    session.plug(pair[0]);
    // After an abort the end of the bytes ends a reply at once instead of after retries.
    session.abort();
    std::string text;
    for (int replies = 0; replies < 10000; ++replies) {
        const int code = session.readReply(text, false);
        require(code >= 0 && code <= 999);
        require(text.find_first_of("\r\n") == std::string::npos);
        checkText(text);
        if (code == 0 && session.lastError == -1) break;
    }
    return 0;
}
