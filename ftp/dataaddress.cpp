#include "dataaddress.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstring>

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

namespace ftp {
namespace {

bool isDecimal(char c) {
    return c >= '0' && c <= '9';
}

// A port of 1 to 65535 written in decimal digits only.
bool readPort(std::string_view digits, int& port) {
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (!isDecimal(c)) return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

// "|||6446|" at the start of text, for any one delimiter.
bool readExtendedGroup(std::string_view text, int& port) {
    if (text.size() < 5) return false;
    const char d = text[0];
    if (d < 33 || d > 126 || isDecimal(d) || text[1] != d || text[2] != d) return false;
    const std::size_t end = text.find(d, 3);
    return end != std::string_view::npos && readPort(text.substr(3, end - 3), port);
}

// Copies rather than casts: the storage is read as the family's own structure.
template <typename Address>
Address as(const sockaddr_storage& storage) {
    Address address;
    std::memcpy(&address, &storage, sizeof address);
    return address;
}

template <typename Address>
void store(sockaddr_storage& storage, const Address& address) {
    std::memcpy(&storage, &address, sizeof address);
}

bool sameAddress(const sockaddr_storage& a, const sockaddr_storage& b) {
    if (a.ss_family != b.ss_family) return false;
    if (a.ss_family == AF_INET) {
        const auto x = as<sockaddr_in>(a);
        const auto y = as<sockaddr_in>(b);
        return x.sin_addr.s_addr == y.sin_addr.s_addr && x.sin_port == y.sin_port;
    }
    const auto x = as<sockaddr_in6>(a);
    const auto y = as<sockaddr_in6>(b);
    return IN6_ARE_ADDR_EQUAL(&x.sin6_addr, &y.sin6_addr) && x.sin6_port == y.sin6_port &&
           x.sin6_scope_id == y.sin6_scope_id;
}

}  // namespace

bool parseExtendedPassiveReply(std::string_view text, int& port) {
    for (std::size_t open = text.find('('); open != std::string_view::npos;
         open = text.find('(', open + 1))
        if (readExtendedGroup(text.substr(open + 1), port)) return true;
    return false;
}

std::string extendedPortCommand(const sockaddr_storage& listening) {
    char text[INET6_ADDRSTRLEN] = {};
    unsigned port = 0;
    const char* protocol = "1";
    if (listening.ss_family == AF_INET) {
        const auto v4 = as<sockaddr_in>(listening);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (listening.ss_family == AF_INET6) {
        const auto v6 = as<sockaddr_in6>(listening);
        port = ntohs(v6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            ::inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
        } else {
            ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
            protocol = "2";
        }
    } else {
        return {};
    }
    return std::string("EPRT |") + protocol + "|" + text + "|" + std::to_string(port) + "|";
}

sockaddr_storage extendedPassiveTarget(const sockaddr_storage& controlPeer, int port) {
    sockaddr_storage target = controlPeer;
    const auto networkPort = htons(static_cast<std::uint16_t>(port));
    if (target.ss_family == AF_INET) {
        auto v4 = as<sockaddr_in>(target);
        v4.sin_port = networkPort;
        store(target, v4);
    } else if (target.ss_family == AF_INET6) {
        auto v6 = as<sockaddr_in6>(target);
        v6.sin6_port = networkPort;
        store(target, v6);
    }
    return target;
}

DataAddressCommand chooseDataCommand(int controlFamily, bool passive, bool offersEpsv,
                                     bool epsvRefused) {
    if (controlFamily == AF_INET6)
        return passive ? DataAddressCommand::Epsv : DataAddressCommand::Eprt;
    if (!passive) return DataAddressCommand::Port;
    return offersEpsv && !epsvRefused ? DataAddressCommand::Epsv : DataAddressCommand::Pasv;
}

bool parseHostField(std::string_view field, std::string& host, int& port) {
    while (!field.empty() && field.front() == ' ')
        field.remove_prefix(1);
    while (!field.empty() && field.back() == ' ')
        field.remove_suffix(1);
    std::string_view name = field;
    std::string_view portText;
    if (!field.empty() && field.front() == '[') {
        const std::size_t close = field.find(']');
        if (close == std::string_view::npos) return false;
        name = field.substr(1, close - 1);
        const std::string_view rest = field.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return false;
        portText = rest.empty() ? rest : rest.substr(1);
        if (!rest.empty() && portText.empty()) return false;
    } else if (const std::size_t colon = field.find(':');
               colon != std::string_view::npos && field.find(':', colon + 1) == field.npos) {
        // One colon: name and port. More are an IPv6 address without brackets.
        name = field.substr(0, colon);
        portText = field.substr(colon + 1);
        if (portText.empty()) return false;
    }
    int readPortValue = 0;
    if (name.empty() || (!portText.empty() && !readPort(portText, readPortValue))) return false;
    host = std::string(name);
    port = readPortValue;
    return true;
}

std::vector<sockaddr_storage> connectionOrder(const std::vector<sockaddr_storage>& resolved) {
    std::vector<sockaddr_storage> order;
    for (const sockaddr_storage& address : resolved) {
        if (address.ss_family != AF_INET && address.ss_family != AF_INET6) continue;
        bool seen = false;
        for (const sockaddr_storage& earlier : order)
            seen = seen || sameAddress(earlier, address);
        if (!seen) order.push_back(address);
    }
    return order;
}

std::vector<sockaddr_storage> addressesOf(const addrinfo* list) {
    std::vector<sockaddr_storage> addresses;
    for (const addrinfo* at = list; at; at = at->ai_next) {
        if (!at->ai_addr || at->ai_addrlen > sizeof(sockaddr_storage)) continue;
        sockaddr_storage address{};
        std::memcpy(&address, at->ai_addr, at->ai_addrlen);
        addresses.push_back(address);
    }
    return addresses;
}

socklen_t addressLength(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) return sizeof(sockaddr_in);
    if (address.ss_family == AF_INET6) return sizeof(sockaddr_in6);
    return 0;
}

}  // namespace ftp
