// Opening and closing the control connection, sending commands.
#include <gtest/gtest.h>

#include <cstring>

#include "ftpsession.h"
#include "realftpservers.h"
#include "recordingsinks.h"
#include "scriptedftpserver.h"

using testsupport::ScriptedFtpServer;

TEST(Open, WelcomeOtherThan220FailsAndLeavesTheSessionUnconnected) {
    ScriptedFtpServer server;
    server.setWelcome("421 Too many users\r\n");
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    EXPECT_EQ(session.open(), 0);
    EXPECT_FALSE(session.connected);
    EXPECT_EQ(session.sendCommand("NOOP", true), 0);
    std::string text;
    EXPECT_EQ(session.readReply(text, true), 0);
    session.close();
    EXPECT_TRUE(server.commands().empty());
}

TEST(Open, ConnectsAndRecordsTheLocalAddress) {
    ScriptedFtpServer server;
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    EXPECT_TRUE(session.connected);
    sockaddr_in local{};
    std::memcpy(&local, &session.localAddress, sizeof local);
    EXPECT_EQ(local.sin_family, AF_INET);
    EXPECT_EQ(ntohl(local.sin_addr.s_addr), INADDR_LOOPBACK);
    EXPECT_NE(local.sin_port, 0);
    EXPECT_EQ(session.open(), 0) << "a second open on a connected session must fail";
}

// The host field: names and addresses of both families, brackets, and a port of its own,
// which wins over the configured one.
TEST(Open, HostFieldsOfBothFamilies) {
    struct Row {
        int family;
        std::string field;  // "PORT" stands for the server's port
        bool portInField;
        std::string hostName;
    };
    const Row rows[] = {
        {AF_INET, "127.0.0.1", false, "127.0.0.1"},
        {AF_INET, "localhost", false, "localhost"},
        {AF_INET, " 127.0.0.1:PORT", true, "127.0.0.1"},
        {AF_INET6, "::1", false, "::1"},
        {AF_INET6, "[::1]", false, "::1"},
        {AF_INET6, "[::1]:PORT", true, "::1"},
        {AF_INET6, "0:0:0:0:0:0:0:1", false, "0:0:0:0:0:0:0:1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field);
        ScriptedFtpServer server(row.family);
        server.start();
        std::string field = row.field;
        if (const auto at = field.find("PORT"); at != std::string::npos)
            field.replace(at, 4, std::to_string(server.port()));
        ftp::FtpSession session(field, "u", "p");
        session.port = row.portInField ? 21 : server.port();
        ASSERT_EQ(session.open(), 1);
        EXPECT_EQ(session.localAddress.ss_family, row.family);
        EXPECT_EQ(session.hostName(), row.hostName);
        EXPECT_EQ(session.connectedPort(), server.port());
    }
    for (const char* bad : {"[::1", "[::1]x", "127.0.0.1:", "", "[::1]:0"}) {
        ftp::FtpSession session(bad, "u", "p");
        EXPECT_EQ(session.open(), 0) << bad;
        EXPECT_FALSE(session.connected);
    }
}

// An address that refuses the connection gives way to the next one, in the order given.
TEST(Open, TriesEachAddressInTurn) {
    ScriptedFtpServer server;
    server.start();
    auto loopback = [](int family, int port) {
        sockaddr_storage address{};
        if (family == AF_INET6) {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
            v6->sin6_family = AF_INET6;
            v6->sin6_addr = in6addr_loopback;
            v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        } else {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
            v4->sin_family = AF_INET;
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            v4->sin_port = htons(static_cast<std::uint16_t>(port));
        }
        return address;
    };
    ftp::FtpSession session("localhost", "u", "p");
    ASSERT_EQ(session.openAddresses({loopback(AF_INET6, server.port()),
                                     loopback(AF_INET, testsupport::freeLoopbackPort()),
                                     loopback(AF_INET, server.port())}),
              1);
    EXPECT_EQ(session.localAddress.ss_family, AF_INET);
    EXPECT_EQ(session.connectedPort(), server.port());
    EXPECT_EQ(server.connectionsAccepted(), 1u);

    ftp::FtpSession stopped("localhost", "u", "p");
    stopped.abort();
    EXPECT_EQ(stopped.openAddresses({loopback(AF_INET, server.port())}), 0);
    EXPECT_EQ(stopped.controlSocket(), -1);
}

TEST(Open, NobodyListeningFails) {
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = testsupport::freeLoopbackPort();
    EXPECT_EQ(session.open(), 0);
    EXPECT_FALSE(session.connected);
}

TEST(Open, PortRule) {
    // The configured port wins unless it is 21; then the services database decides.
    EXPECT_EQ(ftp::chooseControlPort(21, 21), 21);
    EXPECT_EQ(ftp::chooseControlPort(21, 0), 21);
    EXPECT_EQ(ftp::chooseControlPort(21, 2100), 2100);
    EXPECT_EQ(ftp::chooseControlPort(2121, 21), 2121);
    EXPECT_EQ(ftp::chooseControlPort(2121, 2100), 2121);
    EXPECT_EQ(ftp::servicesFtpPort(), 21) << "/etc/services should list ftp (package netbase)";
}

TEST(SendCommand, LineBreaksAndNulAreRefusedBeforeSending) {
    ScriptedFtpServer server;
    server.expect("NOOP", "200 ok\r\n");
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    session.lastError = 7;
    EXPECT_EQ(session.sendCommand("DELE a\r\nRMD /", true), 0);
    EXPECT_EQ(session.sendCommand("CWD x\ny", true), 0);
    EXPECT_EQ(session.sendCommand("CWD x\ry", true), 0);
    EXPECT_EQ(session.sendCommand(std::string("DELE a\0b", 8), true), 0);
    EXPECT_EQ(session.lastError, 7) << "the connection is fine; nothing to report as lost";
    EXPECT_TRUE(session.connected);
    // The connection still carries the next good command.
    ASSERT_EQ(session.sendCommand("NOOP", true), 1);
    std::string text;
    EXPECT_EQ(session.readReply(text, false), 200);
    session.close();
    EXPECT_EQ(server.commands(), (std::vector<std::string>{"NOOP", "QUIT"}));
}

TEST(SendCommand, LongCommandsGoOutWhole) {
    const std::string name(700, 'n');
    ScriptedFtpServer server;
    server.expect("DELE " + name, "250 deleted\r\n");
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    ASSERT_EQ(session.sendCommand("DELE " + name, true), 1);
    std::string text;
    EXPECT_EQ(session.readReply(text, false), 250);
    EXPECT_TRUE(server.mismatches().empty());
}

TEST(SendCommand, StatusPaneShowsCommandOrItsStandIn) {
    testsupport::RecordingStatusSink sink;
    ScriptedFtpServer server;
    server.expect("A", "200 a\r\n").expect("B", "200 b\r\n").expect("C", "200 c\r\n");
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    session.setStatusSink(&sink);
    std::string text;
    session.sendCommand("A", true);
    session.readReply(text, false);
    session.sendCommand("B", false);
    session.readReply(text, false);
    session.sendCommand("C", false, "shown instead");
    session.readReply(text, true);
    EXPECT_EQ(sink.pane(0), (std::vector<std::string>{"A", "shown instead", " c"}));
}

TEST(Close, SendsQuitAndResetsTheSession) {
    ScriptedFtpServer server;
    server.expect("QUIT", "221 Bye\r\n");
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    session.passivePort = 5000;
    session.serverType = ftp::ServerType::Os2;
    session.close();
    EXPECT_FALSE(session.connected);
    EXPECT_EQ(session.passivePort, 0);
    EXPECT_EQ(session.serverType, ftp::ServerType::Unix);
    EXPECT_EQ(session.controlSocket(), -1);
    EXPECT_EQ(session.dataSocket(), -1);
    EXPECT_TRUE(server.waitForDisconnect());
    EXPECT_EQ(server.commands(), std::vector<std::string>{"QUIT"});
}
