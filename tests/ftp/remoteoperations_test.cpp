// Single-command remote operations: their success codes and what lastError keeps.
#include <gtest/gtest.h>

#include <functional>

#include "scriptedsession.h"

using Commands = std::vector<std::string>;
using Operation = std::function<int(ftp::FtpSession&)>;

namespace {

struct Case {
    const char* what;
    Operation run;
    const char* command;  // as the server must receive it
    const char* reply;
    int result;
    int lastError;  // with lastError set to 42 before the command
};

int runCase(const Case& c, std::vector<std::string>* commands = nullptr) {
    ScriptedSession s;
    s.server.expect(c.command, c.reply);
    s.connect();
    if (testing::Test::HasFatalFailure()) return -100;
    s.session->lastError = 42;
    int result = c.run(*s.session);
    EXPECT_EQ(s.session->lastError, c.lastError) << c.what << " / " << c.reply;
    if (commands) *commands = s.server.commands();
    EXPECT_TRUE(s.server.mismatches().empty()) << c.what;
    return result;
}

}  // namespace

TEST(RemoteOperations, SuccessCodesAndRefusalsOfEveryCommand) {
    auto cwd = [](ftp::FtpSession& f) { return f.changeDirectory("/pub/www", false); };
    auto mkd = [](ftp::FtpSession& f) { return f.makeDirectory("new dir"); };
    auto rmd = [](ftp::FtpSession& f) { return f.removeDirectory("old"); };
    auto dele = [](ftp::FtpSession& f) { return f.deleteFile("a b.html"); };
    auto chmod = [](ftp::FtpSession& f) { return f.changeMode("755", "cgi.pl"); };
    const Case cases[] = {
        {"CWD", cwd, "CWD /pub/www", "250 CWD ok\r\n", 1, 42},
        {"CWD", cwd, "CWD /pub/www", "200 ok\r\n", 1, 42},
        {"CWD", cwd, "CWD /pub/www", "257 odd\r\n", 0, 257},
        {"CWD", cwd, "CWD /pub/www", "550 No such directory\r\n", 0, 550},
        {"MKD", mkd, "MKD new dir", "257 \"/new dir\" created\r\n", 1, 42},
        {"MKD", mkd, "MKD new dir", "250 ok\r\n", 1, 42},
        {"MKD", mkd, "MKD new dir", "200 ok\r\n", 1, 42},
        {"MKD", mkd, "MKD new dir", "550 Exists\r\n", 0, 550},
        {"RMD", rmd, "RMD old", "250 ok\r\n", 1, 42},
        {"RMD", rmd, "RMD old", "200 ok\r\n", 1, 42},
        {"RMD", rmd, "RMD old", "550 Not empty\r\n", 0, 42},
        {"DELE", dele, "DELE a b.html", "250 ok\r\n", 1, 42},
        {"DELE", dele, "DELE a b.html", "200 ok\r\n", 1, 42},
        {"DELE", dele, "DELE a b.html", "550 No such file\r\n", 0, 550},
        {"CHMOD", chmod, "SITE CHMOD 755 cgi.pl", "200 SITE CHMOD ok\r\n", 1, 42},
        {"CHMOD", chmod, "SITE CHMOD 755 cgi.pl", "250 ok\r\n", 1, 42},
        {"CHMOD", chmod, "SITE CHMOD 755 cgi.pl", "500 Unknown SITE command\r\n", 0, 500},
    };
    for (const Case& c : cases)
        EXPECT_EQ(runCase(c), c.result) << c.what << " / " << c.reply;
}

TEST(RemoteOperations, RenameNeeds350BeforeRnto) {
    auto run = [](const char* rnfr, const char* rnto, int& lastError, Commands& commands) {
        ScriptedSession s;
        s.server.expect("RNFR old name", rnfr);
        if (rnto) s.server.expect("RNTO new name", rnto);
        s.connect();
        s.session->lastError = 42;
        int result = s.session->rename("old name", "new name");
        lastError = s.session->lastError;
        commands = s.server.commands();
        return result;
    };
    int lastError = 0;
    Commands commands;
    EXPECT_EQ(run("350 Ready\r\n", "250 Renamed\r\n", lastError, commands), 1);
    EXPECT_EQ(commands, (Commands{"RNFR old name", "RNTO new name"}));

    EXPECT_EQ(run("550 No such file\r\n", nullptr, lastError, commands), 0);
    EXPECT_EQ(lastError, 42);
    EXPECT_EQ(commands, Commands{"RNFR old name"});

    EXPECT_EQ(run("350 Ready\r\n", "553 Not allowed\r\n", lastError, commands), 0);
    EXPECT_EQ(lastError, 553);
}

TEST(RemoteOperations, CurrentDirectoryIsTheQuotedPath) {
    auto pwd = [](const char* reply, std::string& path, int& lastError) {
        ScriptedSession s;
        s.server.expect("PWD", reply);
        s.connect();
        s.session->lastError = 42;
        path = "stale";
        int result = s.session->currentDirectory(path);
        lastError = s.session->lastError;
        return result;
    };
    std::string path;
    int lastError = 0;
    EXPECT_EQ(pwd("257 \"/home/web site\" is the current directory\r\n", path, lastError), 1);
    EXPECT_EQ(path, "/home/web site");
    EXPECT_EQ(lastError, 42);

    // A quote inside the name comes doubled.
    EXPECT_EQ(pwd("257 \"/say \"\"hi\"\"\" is current\r\n", path, lastError), 1);
    EXPECT_EQ(path, "/say \"hi\"");

    // Names are bytes: a GBK name stays as it came.
    EXPECT_EQ(pwd("257 \"/\xd6\xd0\xce\xc4\"\r\n", path, lastError), 1);
    EXPECT_EQ(path, "/\xd6\xd0\xce\xc4");

    EXPECT_EQ(pwd("257 /no/quotes\r\n", path, lastError), 0);
    EXPECT_EQ(lastError, 257);
    EXPECT_EQ(path, "");
    EXPECT_EQ(pwd("257 \"/unterminated\r\n", path, lastError), 0);
    EXPECT_EQ(lastError, 257);
    EXPECT_EQ(pwd("550 Permission denied\r\n", path, lastError), 0);
    EXPECT_EQ(lastError, 550);
}

TEST(RemoteOperations, LostConnectionShowsAsMinusOne) {
    ScriptedSession s;
    s.server.expect("PWD", "", testsupport::Delivery::CloseAfter);
    s.connect();
    std::string path;
    EXPECT_EQ(s.session->currentDirectory(path), 0);
    EXPECT_EQ(s.session->lastError, -1);
}

TEST(RemoteOperations, QuietChangeOfDirectoryShowsTheCommandButNotTheReply) {
    ScriptedSession s;
    s.server.expect("CWD /a", "250 Directory changed to /a\r\n")
        .expect("CWD /b", "250 Directory changed to /b\r\n");
    s.connect();
    EXPECT_EQ(s.session->changeDirectory("/a", false), 1);
    EXPECT_EQ(s.session->changeDirectory("/b", true), 1);
    const auto pane0 = s.status.pane(0);
    EXPECT_NE(std::find(pane0.begin(), pane0.end(), " Directory changed to /a"), pane0.end());
    EXPECT_EQ(std::find(pane0.begin(), pane0.end(), " Directory changed to /b"), pane0.end());
    EXPECT_NE(std::find(pane0.begin(), pane0.end(), "CWD /b"), pane0.end());
}

TEST(RemoteOperations, CheckAliveProbesSilentlyWithNoop) {
    ScriptedSession s;
    s.server.expect("NOOP", "200 NOOP ok\r\n").expect("NOOP", "421 Timeout\r\n");
    s.connect();
    const std::size_t shownBefore = s.status.pane(0).size();
    EXPECT_EQ(s.session->checkAlive(), 0);
    EXPECT_EQ(s.session->checkAlive(), 1);
    EXPECT_EQ(s.session->lastError, 421);
    EXPECT_EQ(s.status.pane(0).size(), shownBefore);

    ftp::FtpSession unconnected("127.0.0.1", "u", "p");
    EXPECT_EQ(unconnected.checkAlive(), 1);
    EXPECT_EQ(unconnected.makeDirectory("x"), 0);
}

TEST(RemoteOperations, NamesWithLineBreaksAreNeverSent) {
    ScriptedSession s;
    s.server.expect("NOOP", "200 ok\r\n");
    s.connect();
    EXPECT_EQ(s.session->deleteFile("a\r\nDELE index.html"), 0);
    EXPECT_EQ(s.session->rename("a\nb", "c"), 0);
    EXPECT_EQ(s.session->changeMode("644", "x\ry"), 0);
    EXPECT_EQ(s.session->checkAlive(), 0);
    EXPECT_EQ(s.server.commands(), Commands{"NOOP"});
}
