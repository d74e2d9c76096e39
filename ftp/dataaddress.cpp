#include "dataaddress.h"

#include <arpa/inet.h>

#include <cctype>

namespace ftp {
namespace {

// One decimal number that fits a byte, blanks before it allowed as "%d" would; advances `at`.
bool readByte(std::string_view text, std::size_t& at, int& value) {
    while (at < text.size() && text[at] == ' ')
        ++at;
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        if (value <= 255) value = value * 10 + (text[at] - '0');
        ++at;
    }
    return at > start && value <= 255;
}

}  // namespace

bool parsePassiveReply(std::string_view text, std::string& address, int& port) {
    std::size_t at = 0;
    while (at < text.size() && !std::isdigit(static_cast<unsigned char>(text[at])))
        ++at;
    int n[6];
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != ',') return false;
            ++at;
        }
        if (!readByte(text, at, n[i])) return false;
    }
    address = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) + "." +
              std::to_string(n[3]);
    port = n[4] * 256 + n[5];
    return true;
}

bool isInsideAddress(std::uint32_t a) {
    return (a >> 24) == 0 ||       // 0.0.0.0/8
           (a >> 24) == 10 ||      // 10.0.0.0/8
           (a >> 24) == 127 ||     // loopback
           (a >> 20) == 0xAC1 ||   // 172.16.0.0/12
           (a >> 16) == 0xC0A8 ||  // 192.168.0.0/16
           (a >> 16) == 0xA9FE;    // 169.254.0.0/16, link-local
}

std::uint32_t choosePassiveTarget(std::uint32_t announced, std::uint32_t controlPeer) {
    if (isInsideAddress(announced) && !isInsideAddress(controlPeer)) return controlPeer;
    return announced;
}

std::string portCommand(const sockaddr_in& listening) {
    const std::uint32_t a = ntohl(listening.sin_addr.s_addr);
    const unsigned p = ntohs(listening.sin_port);
    std::string text = "PORT ";
    for (int shift = 24; shift >= 0; shift -= 8)
        text += std::to_string((a >> shift) & 0xFF) + ",";
    return text + std::to_string(p >> 8) + "," + std::to_string(p & 0xFF);
}

}  // namespace ftp
