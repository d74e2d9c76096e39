// Logging in to real FTP servers from Debian on loopback, IPv4 and IPv6.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "ftpsession.h"
#include "realftpservers.h"

using testsupport::RealFtpServer;

class RealServerLogin : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {
protected:
    void SetUp() override {
        server_ = testsupport::makeRealServer(std::get<0>(GetParam()), RealFtpServer::Login::User);
        server_->setAddress(std::get<1>(GetParam()));
        ASSERT_TRUE(server_->start()) << server_->error();
    }
    std::unique_ptr<ftp::FtpSession> connect(const std::string& password) {
        auto session =
            std::make_unique<ftp::FtpSession>(server_->address(), server_->user(), password);
        session->port = server_->port();
        EXPECT_EQ(session->open(), 1) << server_->log();
        return session;
    }
    std::unique_ptr<RealFtpServer> server_;
};

TEST_P(RealServerLogin, RightPasswordLogsInAndIdentifiesUnix) {
    auto session = connect(server_->password());
    EXPECT_EQ(session->login("localhost", server_->user(), server_->password()), 230);
    EXPECT_EQ(session->serverType, ftp::ServerType::Unix);
    session->close();
    EXPECT_FALSE(session->connected);
}

TEST_P(RealServerLogin, WrongPasswordIsRefusedWith530) {
    auto session = connect("wrong");
    EXPECT_EQ(session->login("localhost", server_->user(), "wrong"), 530);
    EXPECT_EQ(session->serverType, ftp::ServerType::Unix);
    session->close();
}

// The host field as users write it: a name, brackets, a port of its own ("PORT").
TEST_P(RealServerLogin, HostFieldFormsReachTheServer) {
    const bool ipv6 = server_->address() == "::1";
    const std::vector<std::string> fields =
        ipv6 ? std::vector<std::string>{"[::1]", "[::1]:PORT", "0:0:0:0:0:0:0:1"}
             : std::vector<std::string>{"localhost", "127.0.0.1:PORT"};
    for (std::string field : fields) {
        SCOPED_TRACE(field);
        const bool portInField = field.find("PORT") != std::string::npos;
        if (portInField) field.replace(field.find("PORT"), 4, std::to_string(server_->port()));
        auto session = std::make_unique<ftp::FtpSession>(field, server_->user(), "x");
        session->port = portInField ? 21 : server_->port();
        EXPECT_EQ(session->open(), 1);
        EXPECT_EQ(session->localAddress.ss_family, ipv6 ? AF_INET6 : AF_INET);
        session->close();
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerLogin,
                         ::testing::Combine(::testing::Values("pyftpdlib", "vsftpd"),
                                            ::testing::Values("127.0.0.1", "::1")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == std::string("::1") ? "Ipv6" : "");
                         });
