// Logging in to real FTP servers from Debian on loopback.
#include <gtest/gtest.h>

#include "ftpsession.h"
#include "realftpservers.h"

using testsupport::RealFtpServer;

class RealServerLogin : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        server_ = testsupport::makeRealServer(GetParam(), RealFtpServer::Login::User);
        ASSERT_TRUE(server_->start()) << server_->error();
    }
    std::unique_ptr<ftp::FtpSession> connect(const std::string& password) {
        auto session = std::make_unique<ftp::FtpSession>("127.0.0.1", server_->user(), password);
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

TEST_P(RealServerLogin, HostNameIsResolved) {
    auto session = std::make_unique<ftp::FtpSession>("localhost", server_->user(), "x");
    session->port = server_->port();
    EXPECT_EQ(session->open(), 1);
    session->close();
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerLogin, ::testing::Values("pyftpdlib", "vsftpd"),
                         [](const auto& info) { return std::string(info.param); });
