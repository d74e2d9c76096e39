// Address choices for data connections, checked without connecting anywhere.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dataaddress.h"

namespace {

std::uint32_t ip(const char* dotted) {
    in_addr a{};
    EXPECT_EQ(::inet_pton(AF_INET, dotted, &a), 1);
    return ntohl(a.s_addr);
}

}  // namespace

TEST(PassiveReply, ReadsAddressAndPortAfterTheFirstDigit) {
    std::string address = "unchanged";
    int port = -1;
    ASSERT_TRUE(
        ftp::parsePassiveReply(" Entering Passive Mode (192,168,1,2,19,137)", address, port));
    EXPECT_EQ(address, "192.168.1.2");
    EXPECT_EQ(port, 19 * 256 + 137);

    // Without parentheses, and with blanks after the commas as some servers send them.
    ASSERT_TRUE(ftp::parsePassiveReply(" =127,0,0,1, 4, 1", address, port));
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_EQ(port, 1025);
}

TEST(PassiveReply, TextsWithoutSixByteNumbersAreRefusedAndChangeNothing) {
    for (const char* text : {" Entering Passive Mode", "", " (10,0,0,1,4)", " (10,0,0,256,4,1)",
                             " (10,0,0,1,4,99999999999)", " (10;0;0;1;4;1)"}) {
        std::string address = "unchanged";
        int port = -1;
        EXPECT_FALSE(ftp::parsePassiveReply(text, address, port)) << text;
        EXPECT_EQ(address, "unchanged");
        EXPECT_EQ(port, -1);
    }
}

TEST(PassiveTarget, InsideAddressOfAServerBehindNatGivesWayToThePeer) {
    const std::uint32_t publicPeer = ip("203.0.113.7");
    for (const char* inside : {"10.1.2.3", "172.16.0.1", "172.31.255.254", "192.168.1.2",
                               "127.0.0.1", "169.254.3.4", "0.0.0.0"})
        EXPECT_EQ(ftp::choosePassiveTarget(ip(inside), publicPeer), publicPeer) << inside;

    // A public announcement is taken as it stands, even when it is not the peer.
    EXPECT_EQ(ftp::choosePassiveTarget(ip("198.51.100.9"), publicPeer), ip("198.51.100.9"));
    // Neighbours of the private ranges are public.
    for (const char* outside : {"172.15.255.255", "172.32.0.0", "192.169.0.1", "169.253.0.1"})
        EXPECT_EQ(ftp::choosePassiveTarget(ip(outside), publicPeer), ip(outside)) << outside;
}

TEST(PassiveTarget, InsidePeerKeepsTheAnnouncedAddress) {
    // Client and server on the same inside network (or the same host): the reply holds.
    EXPECT_EQ(ftp::choosePassiveTarget(ip("192.168.1.2"), ip("192.168.1.9")), ip("192.168.1.2"));
    EXPECT_EQ(ftp::choosePassiveTarget(ip("10.0.0.2"), ip("127.0.0.1")), ip("10.0.0.2"));
    EXPECT_EQ(ftp::choosePassiveTarget(ip("127.0.0.1"), ip("127.0.0.1")), ip("127.0.0.1"));
}

TEST(PortCommand, AddressBytesThenPortHighAndLow) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ASSERT_EQ(::inet_pton(AF_INET, "10.0.0.5", &local.sin_addr), 1);
    local.sin_port = htons(3000);
    EXPECT_EQ(ftp::portCommand(local), "PORT 10,0,0,5,11,184");

    ASSERT_EQ(::inet_pton(AF_INET, "127.0.0.1", &local.sin_addr), 1);
    local.sin_port = htons(65535);
    EXPECT_EQ(ftp::portCommand(local), "PORT 127,0,0,1,255,255");
}

namespace {

sockaddr_storage address(const char* text, int port) {
    sockaddr_storage storage{};
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET, text, &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(port));
        std::memcpy(&storage, &v4, sizeof v4);
    } else if (::inet_pton(AF_INET6, text, &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(port));
        std::memcpy(&storage, &v6, sizeof v6);
    }
    return storage;
}

// "127.0.0.1 21", "::1 2121": the address as EPRT would name it, and its port.
std::string describe(const sockaddr_storage& storage) {
    const std::string command = ftp::extendedPortCommand(storage);
    if (command.empty()) return "?";
    const std::size_t host = command.find('|', 6) + 1;
    const std::size_t port = command.find('|', host) + 1;
    return command.substr(host, port - host - 1) + " " +
           command.substr(port, command.size() - port - 1);
}

}  // namespace

TEST(ExtendedPassiveReply, PortBetweenFourDelimiters) {
    const struct {
        const char* text;
        int port;  // -1: refused
    } rows[] = {
        {" Entering Extended Passive Mode (|||6446|)", 6446},
        {" Entering Extended Passive Mode (!!!1!)", 1},
        {" EPSV ok (~~~65535~)", 65535},
        {" mode (a) then (|||2121|)", 2121},  // a parenthesis before the group
        {" (|||6446|", 6446},
        {" (|||0|)", -1},
        {" (|||65536|)", -1},
        {" (|||644a|)", -1},
        {" (||||)", -1},
        {" (|2|::1|6446|)", -1},  // the address fields stay empty
        {" (|||6446!)", -1},      // one delimiter throughout
        {" (111 6446 1)", -1},    // digits cannot delimit a number
        {" ( 6446 )", -1},        // blanks are no delimiters either
        {" Entering Extended Passive Mode |||6446|", -1},
        {"", -1},
    };
    for (const auto& row : rows) {
        int port = -1;
        EXPECT_EQ(ftp::parseExtendedPassiveReply(row.text, port), row.port != -1) << row.text;
        EXPECT_EQ(port, row.port) << row.text;
    }
}

TEST(ExtendedPortCommand, FamilyAddressAndPort) {
    EXPECT_EQ(ftp::extendedPortCommand(address("127.0.0.1", 6446)), "EPRT |1|127.0.0.1|6446|");
    EXPECT_EQ(ftp::extendedPortCommand(address("::1", 6446)), "EPRT |2|::1|6446|");
    EXPECT_EQ(ftp::extendedPortCommand(address("2001:db8::5", 65535)),
              "EPRT |2|2001:db8::5|65535|");
    // A dual-stack socket names an IPv4 peer as a mapped address; the server wants IPv4.
    EXPECT_EQ(ftp::extendedPortCommand(address("::ffff:127.0.0.1", 3000)),
              "EPRT |1|127.0.0.1|3000|");
    EXPECT_EQ(ftp::extendedPortCommand(sockaddr_storage{}), "");
}

TEST(ExtendedPassiveTarget, ThePeerWithTheAnnouncedPort) {
    EXPECT_EQ(describe(ftp::extendedPassiveTarget(address("127.0.0.1", 21), 6446)),
              "127.0.0.1 6446");
    EXPECT_EQ(describe(ftp::extendedPassiveTarget(address("::1", 2121), 65535)), "::1 65535");
}

TEST(DataAddressCommand, ByFamilyModeAndWhatTheServerOffers) {
    using ftp::DataAddressCommand;
    const struct {
        int family;
        bool passive, offersEpsv, epsvRefused;
        DataAddressCommand command;
    } rows[] = {
        {AF_INET, true, false, false, DataAddressCommand::Pasv},
        {AF_INET, true, true, false, DataAddressCommand::Epsv},
        {AF_INET, true, true, true, DataAddressCommand::Pasv},  // refused once: PASV from then on
        {AF_INET, false, true, false, DataAddressCommand::Port},
        {AF_INET6, true, false, false, DataAddressCommand::Epsv},
        {AF_INET6, true, true, true, DataAddressCommand::Epsv},  // PASV cannot name IPv6
        {AF_INET6, false, false, false, DataAddressCommand::Eprt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ftp::chooseDataCommand(row.family, row.passive, row.offersEpsv, row.epsvRefused),
                  row.command)
            << row.family << row.passive << row.offersEpsv << row.epsvRefused;
}

TEST(HostField, NamesAddressesAndPorts) {
    const struct {
        const char* field;
        const char* host;  // nullptr: refused
        int port;
    } rows[] = {
        {"ftp.example.com", "ftp.example.com", 0},
        {" ftp.example.com ", "ftp.example.com", 0},
        {"ftp.example.com:2121", "ftp.example.com", 2121},
        {"127.0.0.1", "127.0.0.1", 0},
        {"127.0.0.1:21", "127.0.0.1", 21},
        {"::1", "::1", 0},
        {"2001:db8::5", "2001:db8::5", 0},
        {"fe80::1%eth0", "fe80::1%eth0", 0},
        {"[::1]", "::1", 0},
        {"[::1]:2121", "::1", 2121},
        {"[2001:db8::5]:65535", "2001:db8::5", 65535},
        {"", nullptr, 0},
        {"[]", nullptr, 0},
        {"[::1", nullptr, 0},
        {"[::1]2121", nullptr, 0},
        {"[::1]:", nullptr, 0},
        {"[::1]:0", nullptr, 0},
        {"[::1]:65536", nullptr, 0},
        {"host:", nullptr, 0},
        {":21", nullptr, 0},
        {"host:21x", nullptr, 0},
        {"host:-1", nullptr, 0},
    };
    for (const auto& row : rows) {
        std::string host = "unchanged";
        int port = -1;
        EXPECT_EQ(ftp::parseHostField(row.field, host, port), row.host != nullptr) << row.field;
        EXPECT_EQ(host, row.host ? row.host : "unchanged") << row.field;
        EXPECT_EQ(port, row.host ? row.port : -1) << row.field;
    }
}

TEST(ConnectionOrder, TheResolverOrderWithEachAddressOnce) {
    sockaddr_storage unix{};
    unix.ss_family = AF_UNIX;
    const std::vector<sockaddr_storage> resolved = {
        address("::1", 21),       address("127.0.0.1", 21), address("::1", 21),       unix,
        address("127.0.0.2", 21), address("127.0.0.1", 21), address("127.0.0.1", 22),
    };
    std::vector<std::string> order;
    for (const sockaddr_storage& a : ftp::connectionOrder(resolved))
        order.push_back(describe(a));
    EXPECT_EQ(order,
              (std::vector<std::string>{"::1 21", "127.0.0.1 21", "127.0.0.2 21", "127.0.0.1 22"}));
    EXPECT_EQ(ftp::addressLength(address("::1", 21)), sizeof(sockaddr_in6));
    EXPECT_EQ(ftp::addressLength(address("127.0.0.1", 21)), sizeof(sockaddr_in));
    EXPECT_EQ(ftp::addressLength(unix), 0u);
}

TEST(ConnectionOrder, ResolverListInItsOrder) {
    // A list as getaddrinfo hands it over, built by hand: nothing is looked up.
    sockaddr_storage first = address("::1", 2121);
    sockaddr_storage second = address("127.0.0.1", 2121);
    addrinfo v4{};
    v4.ai_addr = reinterpret_cast<sockaddr*>(&second);
    v4.ai_addrlen = sizeof(sockaddr_in);
    addrinfo v6{};
    v6.ai_addr = reinterpret_cast<sockaddr*>(&first);
    v6.ai_addrlen = sizeof(sockaddr_in6);
    v6.ai_next = &v4;
    std::vector<std::string> order;
    for (const sockaddr_storage& a : ftp::addressesOf(&v6))
        order.push_back(describe(a));
    EXPECT_EQ(order, (std::vector<std::string>{"::1 2121", "127.0.0.1 2121"}));
    EXPECT_TRUE(ftp::addressesOf(nullptr).empty());
}
