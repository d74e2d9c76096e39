// Direct login, login behind a firewall, and server identification.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "ftpsession.h"
#include "recordingsinks.h"
#include "scriptedftpserver.h"

using Commands = std::vector<std::string>;

namespace {

struct Row {
    const char* what;
    std::function<int(ftp::FtpSession&)> login;
    std::vector<std::pair<std::string, std::string>> script;  // each command and its reply
    int result;
    int serverType;        // learned by the login
    Commands status = {};  // status pane 0 during the login, when given
};

// The server must receive exactly the script's commands, in order.
void expectRow(const Row& row) {
    testsupport::ScriptedFtpServer server;
    Commands commands;
    for (const auto& [command, reply] : row.script) {
        server.expect(command, reply + "\r\n");
        commands.push_back(command);
    }
    server.start();
    ftp::FtpSession session("127.0.0.1", "alice", "pw");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1) << row.what;
    testsupport::RecordingStatusSink status;
    session.setStatusSink(&status);
    EXPECT_EQ(row.login(session), row.result) << row.what;
    EXPECT_EQ(session.serverType, row.serverType) << row.what;
    EXPECT_EQ(server.commands(), commands) << row.what;
    if (!row.status.empty()) {
        EXPECT_EQ(status.pane(0), row.status) << row.what;
    }
}

}  // namespace

TEST(Login, DirectAndThroughTheFirewall) {
    using namespace ftp;
    auto direct = [](FtpSession& f) { return f.login("h", "alice", "pw"); };
    auto viaSite = [](FtpSession& f) { return f.loginViaSite("h", "alice", "pw"); };
    auto firewallThenSite = [](FtpSession& f) {
        if (f.login("fw", "fwuser", "fwpw") != 230) return -1;
        return f.loginViaSite("ftp.example.org", "alice", "pw");
    };
    const Row rows[] = {
        // The password never reaches the status bar.
        {"user, password, system",
         direct,
         {{"USER alice", "331 Password required"},
          {"PASS pw", "230 Logged in"},
          {"SYST", "215 UNIX Type: L8"}},
         230,
         Unix,
         {"USER alice", " Password required", "PASS *****", " Logged in", "SYST",
          " UNIX Type: L8"}},
        {"user accepted at once: no password",
         direct,
         {{"USER alice", "230 Welcome, no password needed"}, {"SYST", "215 UNIX Type: L8"}},
         230,
         Unix},
        {"refused user ends the login",
         direct,
         {{"USER alice", "530 Not allowed"}},
         530,
         Unidentified},
        {"refused password still asks for the system",
         direct,
         {{"USER alice", "331 Password required"},
          {"PASS pw", "530 Login incorrect"},
          {"SYST", "215 Windows_NT version 4.0"}},
         530,
         WindowsNt4},
        {"Microsoft in the user reply outranks the system text",
         direct,
         {{"USER alice", "331 Microsoft FTP Service wants a password"},
          {"PASS pw", "230 ok"},
          {"SYST", "215 UNIX emulated"}},
         230,
         WindowsNt},
        {"firewall login, then SITE and the server's login",
         firewallThenSite,
         {{"USER fwuser", "331 Firewall password"},
          {"PASS fwpw", "230 Firewall ok"},
          {"SYST", "215 UNIX Type: L8"},
          {"SITE ftp.example.org", "220 NetPresenz v4.1 ready"},
          {"USER alice", "331 Password"},
          {"PASS pw", "230 In"},
          {"SYST", "215 MACOS Peter's Server"}},
         230,
         Macintosh},
        {"refused SITE sends nothing more",
         viaSite,
         {{"SITE h", "500 Unknown command"}},
         500,
         Unidentified},
        {"USER through the firewall must be answered with 331",
         viaSite,
         {{"SITE h", "220 Connected"}, {"USER alice", "230 ok"}},
         230,
         Unidentified},
        {"refused password through the firewall still asks for the system",
         viaSite,
         {{"SITE h", "220 Microsoft relay"},
          {"USER alice", "331 Password"},
          {"PASS pw", "530 No"},
          {"SYST", "500 What?"}},
         530,
         WindowsNt},
    };
    for (const Row& row : rows)
        expectRow(row);
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
