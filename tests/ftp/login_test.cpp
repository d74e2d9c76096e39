// Direct login, login behind a firewall, and server identification.
#include <gtest/gtest.h>

#include <memory>

#include "ftpsession.h"
#include "recordingsinks.h"
#include "scriptedftpserver.h"

using testsupport::ScriptedFtpServer;
using Commands = std::vector<std::string>;

namespace {

// Runs the script, opens a session on it and hands the session to the test.
struct Scripted {
    ScriptedFtpServer server;
    std::unique_ptr<ftp::FtpSession> session;

    void connect() {
        server.start();
        session = std::make_unique<ftp::FtpSession>("127.0.0.1", "alice", "pw");
        session->port = server.port();
        ASSERT_EQ(session->open(), 1);
    }
};

}  // namespace

TEST(Login, UserThenPasswordThenSyst) {
    Scripted s;
    s.server.expect("USER alice", "331 Password required\r\n")
        .expect("PASS pw", "230 Logged in\r\n")
        .expect("SYST", "215 UNIX Type: L8\r\n");
    s.connect();
    EXPECT_EQ(s.session->login("127.0.0.1", "alice", "pw"), 230);
    EXPECT_EQ(s.session->serverType, ftp::ServerType::Unix);
    EXPECT_EQ(s.server.commands(), (Commands{"USER alice", "PASS pw", "SYST"}));
}

TEST(Login, UserAcceptedAtOnceSendsNoPassword) {
    Scripted s;
    s.server.expect("USER alice", "230 Welcome, no password needed\r\n")
        .expect("SYST", "215 UNIX Type: L8\r\n");
    s.connect();
    EXPECT_EQ(s.session->login("h", "alice", "pw"), 230);
    EXPECT_EQ(s.server.commands(), (Commands{"USER alice", "SYST"}));
}

TEST(Login, RefusedUserEndsTheLogin) {
    Scripted s;
    s.server.expect("USER alice", "530 Not allowed\r\n");
    s.connect();
    EXPECT_EQ(s.session->login("h", "alice", "pw"), 530);
    EXPECT_EQ(s.session->serverType, ftp::ServerType::Unidentified);
    EXPECT_EQ(s.server.commands(), Commands{"USER alice"});
}

TEST(Login, RefusedPasswordStillAsksForTheSystem) {
    Scripted s;
    s.server.expect("USER alice", "331 Password required\r\n")
        .expect("PASS pw", "530 Login incorrect\r\n")
        .expect("SYST", "215 Windows_NT version 4.0\r\n");
    s.connect();
    EXPECT_EQ(s.session->login("h", "alice", "pw"), 530);
    EXPECT_EQ(s.session->serverType, ftp::ServerType::WindowsNt4);
    EXPECT_EQ(s.server.commands(), (Commands{"USER alice", "PASS pw", "SYST"}));
}

TEST(Login, MicrosoftInTheUserReplyOutranksTheSystemText) {
    Scripted s;
    s.server.expect("USER alice", "331 Microsoft FTP Service wants a password\r\n")
        .expect("PASS pw", "230 ok\r\n")
        .expect("SYST", "215 UNIX emulated\r\n");
    s.connect();
    EXPECT_EQ(s.session->login("h", "alice", "pw"), 230);
    EXPECT_EQ(s.session->serverType, ftp::ServerType::WindowsNt);
}

TEST(Login, PasswordNeverReachesTheStatusBar) {
    testsupport::RecordingStatusSink sink;
    Scripted s;
    s.server.expectLogin("alice");
    s.connect();
    s.session->setStatusSink(&sink);
    EXPECT_EQ(s.session->login("h", "alice", "pw"), 230);
    EXPECT_EQ(sink.pane(0), (Commands{"USER alice", " Password required.", "PASS *****",
                                      " Logged in.", "SYST", " UNIX Type: L8"}));
}

TEST(LoginViaSite, FullSequenceAfterTheFirewallLogin) {
    Scripted s;
    s.server.expect("USER fwuser", "331 Firewall password\r\n")
        .expect("PASS fwpw", "230 Firewall ok\r\n")
        .expect("SYST", "215 UNIX Type: L8\r\n")
        .expect("SITE ftp.example.org", "220 NetPresenz v4.1 ready\r\n")
        .expect("USER alice", "331 Password\r\n")
        .expect("PASS pw", "230 In\r\n")
        .expect("SYST", "215 MACOS Peter's Server\r\n");
    s.connect();
    EXPECT_EQ(s.session->login("fw", "fwuser", "fwpw"), 230);
    EXPECT_EQ(s.session->loginViaSite("ftp.example.org", "alice", "pw"), 230);
    EXPECT_EQ(s.session->serverType, ftp::ServerType::Macintosh);
    EXPECT_TRUE(s.server.mismatches().empty());
}

TEST(LoginViaSite, RefusedSiteSendsNothingMore) {
    Scripted s;
    s.server.expect("SITE ftp.example.org", "500 Unknown command\r\n");
    s.connect();
    EXPECT_EQ(s.session->loginViaSite("ftp.example.org", "alice", "pw"), 500);
    EXPECT_EQ(s.server.commands(), Commands{"SITE ftp.example.org"});
}

TEST(LoginViaSite, UserMustBeAnsweredWith331) {
    Scripted s;
    s.server.expect("SITE h", "220 Connected\r\n").expect("USER alice", "230 ok\r\n");
    s.connect();
    EXPECT_EQ(s.session->loginViaSite("h", "alice", "pw"), 230);
    EXPECT_EQ(s.server.commands(), (Commands{"SITE h", "USER alice"}));
}

TEST(LoginViaSite, RefusedPasswordStillAsksForTheSystem) {
    Scripted s;
    s.server.expect("SITE h", "220 Microsoft relay\r\n")
        .expect("USER alice", "331 Password\r\n")
        .expect("PASS pw", "530 No\r\n")
        .expect("SYST", "500 What?\r\n");
    s.connect();
    EXPECT_EQ(s.session->loginViaSite("h", "alice", "pw"), 530);
    EXPECT_EQ(s.session->serverType, ftp::ServerType::WindowsNt);
}

TEST(ServerIdentification, TableOfStyles) {
    using ftp::identifyServer;
    constexpr int none = ftp::ServerType::Unidentified;
    struct Row {
        int code;
        const char* text;
        int learned;
        bool direct;
        int expected;
    } rows[] = {
        {215, " UNIX Type: L8", none, true, ftp::Unix},
        {215, " Windows_NT version 4.0", none, true, ftp::WindowsNt4},
        {215, " Windows_NT 3.51", none, true, ftp::WindowsNt},
        {215, " Windows_NT 3.51 and 4.0", none, true, ftp::WindowsNt},
        {215, " Windows_NT", none, true, ftp::WindowsNt},
        {215, " OS/2 server", none, true, ftp::Os2},
        {215, " MACOS Peter's Server", none, true, ftp::Macintosh},
        {215, " MACOS Peter's Server", none, false, ftp::Unix},
        {215, " nt in lower case is not NT", none, true, ftp::WindowsNt},
        {215, " windows_nt", none, true, ftp::Unix},
        {500, " Windows_NT 4.0", none, true, ftp::Unix},
        {500, " anything", ftp::WindowsNt, true, ftp::WindowsNt},
        {215, " UNIX Type: L8", ftp::WindowsNt, true, ftp::WindowsNt},
        {215, " UNIX Type: L8", ftp::Macintosh, false, ftp::Macintosh},
        {0, "", none, true, ftp::Unix},
    };
    for (const auto& r : rows)
        EXPECT_EQ(identifyServer(r.code, r.text, r.learned, r.direct), r.expected)
            << "code " << r.code << " text '" << r.text << "' learned " << r.learned;
}
