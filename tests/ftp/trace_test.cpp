// The process-wide trace file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ftpsession.h"
#include "realftpservers.h"
#include "recordingsinks.h"
#include "scriptedftpserver.h"
#include "testfiles.h"
#include "trace.h"

using testsupport::Delivery;
using testsupport::ScriptedFtpServer;

namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("trandel-trace-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "trandel.dbg").string();
    }
    void TearDown() override {
        ftp::trace::disable();
        std::filesystem::remove_all(dir_);
    }
    std::string contents() const { return testsupport::readFile(path_); }
    std::filesystem::path dir_;
    std::string path_;
};

}  // namespace

TEST_F(TraceTest, LoginDialogueIsTracedWithThePasswordMasked) {
    ScriptedFtpServer server;
    server.setWelcome("220 Hi\r\n");
    server.expect("USER abcd", "331 Password required.\r\n")
        .expect("PASS secret-password", "230 Logged in.\r\n")
        .expect("SYST", "215 UNIX Type: L8\r\n");
    server.start();
    testsupport::RecordingStatusSink sink;
    ftp::FtpSession session("127.0.0.1", "abcd", "secret-password");
    session.setStatusSink(&sink);
    session.port = server.port();

    ASSERT_TRUE(ftp::trace::enable(path_));
    EXPECT_TRUE(ftp::trace::traceEnabled());
    ASSERT_EQ(session.open(), 1);
    EXPECT_EQ(session.login("ftp.example.org", "abcd", "secret-password"), 230);
    ftp::trace::disable();
    EXPECT_FALSE(ftp::trace::traceEnabled());

    EXPECT_EQ(contents(),
              " Hi\n"
              "remote host: ftp.example.org\n"
              "USER abcd\r\n (ret = 11)\n"
              " Password required.\n"
              "PASS *****\r\n (ret = 22)\n"
              " Logged in.\n"
              "SYST\r\n (ret = 6)\n"
              " UNIX Type: L8\n");
    const auto shown = sink.pane(0);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "PASS *****"), shown.end());
    for (const auto& text : shown)
        EXPECT_EQ(text.find("secret-password"), std::string::npos);
}

// Over TLS the trace notes the handshake, and the password stays masked.
TEST_F(TraceTest, EncryptedLoginIsTracedWithTlsUpAndThePasswordMasked) {
    const std::string cert = (dir_ / "c.pem").string(), key = (dir_ / "k.pem").string();
    ASSERT_TRUE(testsupport::makeSelfSignedCertificate("127.0.0.1", cert, key));
    ScriptedFtpServer server;
    server.setTlsCertificate(cert, key);
    server.expectAuthTls().expectLogin("abcd");
    server.start();
    ftp::FtpSession session("127.0.0.1", "abcd", "secret-password");
    session.port = server.port();
    ASSERT_TRUE(ftp::trace::enable(path_));
    ASSERT_EQ(session.open(), 1);
    ASSERT_EQ(session.startTls(), 1) << session.tlsError();
    EXPECT_EQ(session.login("127.0.0.1", "abcd", "secret-password"), 230);
    ftp::trace::disable();
    const std::string traced = contents();
    EXPECT_NE(traced.find("AUTH TLS\r\n (ret = 10)\n"), std::string::npos) << traced;
    EXPECT_NE(traced.find("TLS up: TLSv1."), std::string::npos) << traced;
    EXPECT_NE(traced.find("PASS *****\r\n (ret = 22)\n"), std::string::npos) << traced;
    EXPECT_EQ(traced.find("secret-password"), std::string::npos) << traced;
}

TEST_F(TraceTest, FailedReadsAreTracedWithTheirCount) {
    ScriptedFtpServer server;
    server.expect("NOOP", "", Delivery::CloseAfter);
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    ASSERT_TRUE(ftp::trace::enable(path_));
    ASSERT_EQ(session.sendCommand("NOOP", false), 1);
    std::string text;
    EXPECT_EQ(session.readReply(text, false), 0);
    const std::string traced = contents();
    EXPECT_NE(traced.find("ret code = 0 (retry:1)\n"), std::string::npos);
    EXPECT_NE(traced.find("ret code = 0 (retry:31)\n"), std::string::npos);
    EXPECT_EQ(traced.find("(retry:32)"), std::string::npos);
}

TEST_F(TraceTest, FileIsOwnerOnlyAndEmptiedOnEachStart) {
    {
        std::ofstream old(path_);
        old << "old contents";
    }
    ::chmod(path_.c_str(), 0644);
    ASSERT_TRUE(ftp::trace::enable(path_));
    ftp::trace::write("new\n");
    ftp::trace::disable();
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600);
    EXPECT_EQ(contents(), "new\n");

    ftp::trace::write("while off\n");
    EXPECT_EQ(contents(), "new\n");
}

TEST_F(TraceTest, UnopenableFileLeavesTracingOff) {
    EXPECT_FALSE(ftp::trace::enable((dir_ / "missing" / "trandel.dbg").string()));
    EXPECT_FALSE(ftp::trace::traceEnabled());
}
