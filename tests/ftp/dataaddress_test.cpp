// Address choices for data connections, checked without connecting anywhere.
#include <arpa/inet.h>
#include <gtest/gtest.h>

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
