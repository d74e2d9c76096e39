// Upload and download jobs against the scripted server: the dialogue, counters, the
// local files, cancelling, failures and names that must not become local paths.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "jobtestfixture.h"
#include "scriptedftpserver.h"
#include "transfermode.h"

using platform::Answer;
using testsupport::DataStep;
using testsupport::Delivery;
using testsupport::ScriptedFtpServer;
using transfer::TransferItem;
using Commands = std::vector<std::string>;

namespace {

DataStep slowFinal() {
    DataStep step;
    step.finalDelay = std::chrono::milliseconds(400);
    return step;
}

DataStep sending(const std::string& data) {
    DataStep step;
    step.data = data;
    return step;
}

// A session on the scripted server, passive, as a connected window holds it.
std::unique_ptr<ftp::FtpSession> openSession(ScriptedFtpServer& server) {
    server.start();
    auto session = std::make_unique<ftp::FtpSession>("127.0.0.1", "u", "p");
    session->port = server.port();
    session->passive = true;
    EXPECT_EQ(session->open(), 1);
    session->serverType = ftp::ServerType::Unix;  // what a login to a UNIX server leaves
    return session;
}

TransferItem localFile(const std::string& name) {
    return {name, false, 1, {}};
}
TransferItem localDirectory(const std::string& name) {
    return {name, true, 2, {}};
}
TransferItem remoteFile(const std::string& name) {
    return {name, false, 1, {}};
}
TransferItem remoteDirectory(const std::string& name) {
    return {name, true, 2, {}};
}

ScriptedFtpServer& stor(ScriptedFtpServer& s, const std::string& type, const std::string& name,
                        DataStep step = {}) {
    return s.expectPasv()
        .expect("TYPE " + type, "200 ok\r\n")
        .expectReceiveData("STOR " + name, step);
}
ScriptedFtpServer& retr(ScriptedFtpServer& s, const std::string& type, const std::string& name,
                        const std::string& data) {
    return s.expectPasv()
        .expect("TYPE " + type, "200 ok\r\n")
        .expectSendData("RETR " + name, sending(data));
}
std::string pwd(const std::string& path) {
    return "257 \"" + path + "\"\r\n";
}

}  // namespace

TEST_F(JobTest, UploadOfTwoFilesAndAFolderCountsAndCreatesTheFolder) {
    file("a.html", "<p>hello</p>\n");
    file("b.gif", std::string("GIF89a\0\1", 8));
    file("dir/c.txt", "text\n");
    ScriptedFtpServer server;
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    stor(server, "A", "a.html");
    stor(server, "I", "b.gif");
    server.expect("CWD dir", "550 No such directory\r\n")
        .expect("MKD dir", "257 \"/site/dir\" created\r\n")
        .expect("CWD dir", "250 ok\r\n")
        .expect("PWD", pwd("/site/dir"));
    stor(server, "A", "c.txt");
    server.expect("CWD ..", "250 ok\r\n").expect("PWD", pwd("/site"));
    auto session = openSession(server);

    job_.startUpload(*session,
                     settings({localFile("a.html"), localFile("b.gif"), localDirectory("dir")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_EQ(server.received(),
              (Commands{"<p>hello</p>\n", std::string("GIF89a\0\1", 8), "text\n"}));
    EXPECT_EQ(host_.only("files"), (Commands{"files 3 1", "files 3 2", "files 1 1", "files 3 3"}));
    EXPECT_EQ(host_.only("mode"), (Commands{"mode text", "mode binary", "mode text"}));
    EXPECT_EQ(host_.only("target").front(), "target /site/a.html");
    EXPECT_EQ(host_.only("status"), (Commands{"status 0 1207 a.html", "status 0 1207 b.gif"}));
    EXPECT_EQ(host_.calls.back(), "refresh remote");
    EXPECT_EQ(host_.only("server"), Commands{"server ftp.example.org"});
}

TEST_F(JobTest, ExistingEmptyFolderIsEnteredWithoutCounting) {
    std::filesystem::create_directories(root_ / "empty");
    ScriptedFtpServer server;
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    server.expect("CWD empty", "250 ok\r\n").expect("PWD", pwd("/site/empty"));
    server.expect("CWD ..", "250 ok\r\n").expect("PWD", pwd("/site"));
    auto session = openSession(server);
    job_.startUpload(*session, settings({localDirectory("empty")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_EQ(host_.only("files"), Commands{"files 1 1"});
}

TEST_F(JobTest, CancelDuringATopLevelFileDeletesItFromTheServer) {
    file("a.html", "a");
    file("b.html", "b");
    ScriptedFtpServer server;
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    stor(server, "A", "a.html", slowFinal());
    server.expect("DELE a.html", "250 deleted\r\n");
    auto session = openSession(server);
    job_.startUpload(*session, settings({localFile("a.html"), localFile("b.html")}));
    ASSERT_TRUE(waitUntil([&] { return server.commands().size() >= 5; }));
    job_.requestCancel();
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_EQ(server.commands().back(), "DELE a.html");
}

TEST_F(JobTest, CancelInsideATreeKeepsTheFileOnTheServer) {
    file("dir/x.txt", "x");
    file("dir/y.txt", "y");
    ScriptedFtpServer server;
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    server.expect("CWD dir", "250 ok\r\n").expect("PWD", pwd("/site/dir"));
    server.expectPasv().expect("TYPE A", "200 ok\r\n");
    server.expectReceiveData("STOR *", slowFinal());
    server.expect("CWD ..", "250 ok\r\n").expect("PWD", pwd("/site"));
    auto session = openSession(server);
    job_.startUpload(*session, settings({localDirectory("dir")}));
    ASSERT_TRUE(waitUntil([&] { return server.commands().size() >= 7; }));
    job_.requestCancel();
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    for (const auto& command : server.commands())
        EXPECT_NE(command.rfind("DELE", 0), 0u) << command;
}

TEST_F(JobTest, FailedTreeUploadPutsBothSidesBack) {
    file("dir/sub/f.txt", "f");
    ScriptedFtpServer server;
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    server.expect("CWD dir", "250 ok\r\n").expect("PWD", pwd("/site/dir"));
    server.expect("CWD sub", "250 ok\r\n").expect("PWD", pwd("/site/dir/sub"));
    server.expect("PWD", pwd("/site/dir/sub"));
    server.expectPasv().expect("TYPE A", "200 ok\r\n").expect("STOR f.txt", "553 Not allowed\r\n");
    server.expect("CWD ..", "250 ok\r\n").expect("CWD ..", "250 ok\r\n");
    auto session = openSession(server);
    job_.startUpload(*session, settings({localDirectory("dir")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_EQ(host_.prompts_.askedIds(), std::vector<int>{1209});
    const auto commands = server.commands();
    EXPECT_EQ(std::vector<std::string>(commands.end() - 2, commands.end()),
              (Commands{"CWD ..", "CWD .."}));
}

TEST_F(JobTest, LocalWriteRefusalAsksAndYesGoesOn) {
    std::filesystem::create_directories(root_ / "first.txt");  // cannot be opened as a file
    ScriptedFtpServer server;
    server.expect("PWD", pwd("/pub"));
    retr(server, "A", "second.txt", "second\n");
    auto session = openSession(server);
    host_.prompts_.answer(Answer::Yes);
    job_.startDownload(*session, settings({remoteFile("first.txt"), remoteFile("second.txt")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(host_.prompts_.askedIds(), std::vector<int>{1211});
    EXPECT_EQ(std::get<std::string>(host_.prompts_.asked()[0].args[0]),
              (root_ / "first.txt").string());
    EXPECT_EQ(read("second.txt"), "second\n");
    EXPECT_EQ(host_.calls.back(), "refresh local");
}

TEST_F(JobTest, LocalWriteRefusalAnsweredNoEndsTheJob) {
    std::filesystem::create_directories(root_ / "first.txt");
    ScriptedFtpServer server;
    server.expect("PWD", pwd("/pub"));
    auto session = openSession(server);
    host_.prompts_.answer(Answer::No);
    job_.startDownload(*session, settings({remoteFile("first.txt"), remoteFile("second.txt")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(server.commands(), Commands{"PWD"});
    EXPECT_FALSE(std::filesystem::exists(root_ / "second.txt"));
}

TEST_F(JobTest, FileFailureAtTheTopOfAFolderEndsTheJobAfterIt) {
    std::filesystem::create_directories(root_ / "dir" / "bad");
    ScriptedFtpServer server;
    server.expect("PWD", pwd("/pub"));
    server.expect("PWD", pwd("/pub"))
        .expect("CWD dir", "250 ok\r\n")
        .expect("PWD", pwd("/pub/dir"));
    server.expectPasv().expectSendData("LIST -la",
                                       sending("-rw-r--r-- 1 a b 3 Jan 1 2020 bad\r\n"));
    server.expect("CWD /pub", "250 ok\r\n");
    auto session = openSession(server);
    host_.prompts_.answer(Answer::Yes);
    job_.startDownload(*session, settings({remoteDirectory("dir"), remoteFile("later.txt")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_EQ(host_.prompts_.askedIds(), std::vector<int>{1211});
    EXPECT_FALSE(std::filesystem::exists(root_ / "later.txt")) << "the job ended after the folder";
}

TEST_F(JobTest, HostileServerNamesAreSkippedAndNothingLeavesTheFolder) {
    std::filesystem::create_directories(root_ / "inside");
    ScriptedFtpServer server;
    server.expect("PWD", pwd("/pub"));
    server.expect("PWD", pwd("/pub"))
        .expect("CWD site", "250 ok\r\n")
        .expect("PWD", pwd("/pub/site"));
    server.expectPasv().expectSendData("LIST -la",
                                       sending("-rw-r--r-- 1 a b 4 Jan 1 2020 ../evil\r\n"
                                               "-rw-r--r-- 1 a b 4 Jan 1 2020 a/b\r\n"
                                               "drwxr-xr-x 2 a b 4096 Jan 1 2020 ..\r\n"
                                               "-rw-r--r-- 1 a b 3 Jan 1 2020 ok.txt\r\n"));
    retr(server, "A", "ok.txt", "ok\n");
    server.expect("CWD /pub", "250 ok\r\n");
    auto session = openSession(server);
    auto s = settings({remoteFile("../../x"), remoteDirectory("site")});
    s.localPath = (root_ / "inside").string() + "/";
    job_.startDownload(*session, s);
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_EQ(read("inside/site/ok.txt"), "ok\n");
    EXPECT_FALSE(std::filesystem::exists(root_ / "inside" / "evil"));
    EXPECT_FALSE(std::filesystem::exists(root_ / "evil"));
    EXPECT_FALSE(std::filesystem::exists(root_ / "x"));
    EXPECT_EQ(host_.only("status 0 1290"),
              (Commands{"status 0 1290 ../../x", "status 0 1290 ../evil", "status 0 1290 a/b"}));
}

TEST_F(JobTest, FolderThatCannotBeEnteredIsSkippedAndReported) {
    ScriptedFtpServer server;
    server.expect("PWD", pwd("/pub"));
    server.expect("PWD", pwd("/pub")).expect("CWD locked", "550 Permission denied\r\n");
    retr(server, "A", "after.txt", "after\n");
    auto session = openSession(server);
    job_.startDownload(*session, settings({remoteDirectory("locked"), remoteFile("after.txt")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_FALSE(std::filesystem::exists(root_ / "locked"));
    EXPECT_EQ(read("after.txt"), "after\n");
    EXPECT_EQ(host_.only("status 0 1292"), Commands{"status 0 1292 locked"});
}

TEST_F(JobTest, FullLocalDiskNamesTheDrive) {
    ScriptedFtpServer server;
    server.expect("PWD", pwd("/pub"));
    retr(server, "I", "full", std::string(100000, 'z'));
    auto session = openSession(server);
    // A file size limit fails the write as a full disk would (EFBIG); a device such as
    // /dev/full is no longer written at all.
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    job_.startDownload(*session, settings({remoteFile("full")}, transfer::Binary));
    const bool ended = waitForEnd();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, handler);
    ASSERT_TRUE(ended);
    ASSERT_EQ(host_.prompts_.askedIds(), std::vector<int>{1210});
    const std::string drive = std::get<std::string>(host_.prompts_.asked()[0].args[0]);
    EXPECT_EQ(root_.string().rfind(drive, 0), 0u) << drive << " does not hold " << root_;
}

TEST_F(JobTest, LostConnectionIsHandledAfterTheJobLetGo) {
    file("a.html", "a");
    ScriptedFtpServer server;
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    server.expect("PASV", "", Delivery::CloseAfter);
    auto session = openSession(server);
    job_.startUpload(*session, settings({localFile("a.html")}));
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(host_.prompts_.asked().empty());
    EXPECT_EQ(std::vector<std::string>(host_.calls.end() - 2, host_.calls.end()),
              (Commands{"finish", "connection lost"}));
}

// ---- Faults: what a job sends, says and leaves ----

namespace {

// One fault: the local folder before, the server's script (which is the expected
// dialogue: any other command is a mismatch), the selection; then what the job must have
// said and left. "@" in a text stands for the test's local folder.
struct FaultCase {
    std::string name;
    bool upload = true;
    std::vector<std::string> local;  // "path=contents", "path/" a folder, "path|" a FIFO
    std::function<void(ScriptedFtpServer&)> script;
    std::vector<TransferItem> items;
    Commands notices;  // status texts other than 1207, as "id argument"
    Commands asked;    // message boxes, as "id first-argument"
    Commands received = {};
    std::vector<std::pair<std::string, std::optional<std::string>>> after = {};
    Commands lines = {};      // source and target lines, when they matter
    Commands lastCalls = {};  // the job's last window calls, when they matter
    int mode = transfer::Automatic;
    std::size_t stopAfter = 0;  // > 0: stop() once the server has seen this many commands
};

std::string argText(const platform::MessageArg& arg) {
    return std::visit(
        [](const auto& v) {
            std::ostringstream s;
            s << v;
            return s.str();
        },
        arg);
}

ScriptedFtpServer& refusedRetr(ScriptedFtpServer& s, const std::string& name) {
    return s.expectPasv().expect("TYPE A", "200 ok\r\n").expect("RETR " + name, "550 No\r\n");
}

std::string listing(const std::vector<std::string>& files, int size = 3) {
    std::string text;
    for (const auto& f : files)
        text += "-rw-r--r-- 1 a b " + std::to_string(size) + " Mar  1 09:12 " + f + "\r\n";
    return text;
}

// PWD, CWD into `folder` and its listing, as a tree download starts.
ScriptedFtpServer& treeStart(ScriptedFtpServer& s, const std::string& folder,
                             const std::string& list) {
    return s.expect("PWD", pwd("/pub"))
        .expect("CWD " + folder, "250 ok\r\n")
        .expect("PWD", pwd("/pub/" + folder))
        .expectPasv()
        .expectSendData("LIST -la", sending(list));
}

const std::vector<FaultCase>& faultCases() {
    static const std::vector<FaultCase> cases = {
        {"FolderTheServerWillNotMakeOrEnterIsSkipped",
         true,
         {"blog/index.html=blog", "index.html=top"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site"))
                 .expect("CWD blog", "550 No\r\n")
                 .expect("MKD blog", "550 Exists\r\n")
                 .expect("CWD blog", "550 Not a directory\r\n");
             stor(s, "A", "index.html");
         },
         {localDirectory("blog"), localFile("index.html")},
         {"1292 /site/blog"},
         {},
         {"top"}},
        {"NestedFolderTheServerWillNotEnterIsSkipped",
         true,
         {"www/blog/index.html=blog", "index.html=top"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site"))
                 .expect("CWD www", "250 ok\r\n")
                 .expect("PWD", pwd("/site/www"))
                 .expect("CWD blog", "550 No\r\n")
                 .expect("MKD blog", "550 Exists\r\n")
                 .expect("CWD blog", "550 Not a directory\r\n")
                 .expect("CWD ..", "250 ok\r\n")
                 .expect("PWD", pwd("/site"));
             stor(s, "A", "index.html");
         },
         {localDirectory("www"), localFile("index.html")},
         {"1292 /site/www/blog"},
         {},
         {"top"}},
        {"CwdUpThatLandsElsewhereIsCorrected",
         true,
         {"www/a.txt=a", "index.html=top"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site")).expect("CWD www", "250 ok\r\n");
             s.expect("PWD", pwd("/site/www"));
             stor(s, "A", "a.txt");
             s.expect("CWD ..", "250 ok\r\n")
                 .expect("PWD", pwd("/real"))
                 .expect("CWD /site", "250 ok\r\n")
                 .expect("PWD", pwd("/site"));
             stor(s, "A", "index.html");
         },
         {localDirectory("www"), localFile("index.html")},
         {},
         {},
         {"a", "top"}},
        {"ServerThatCannotGoBackEndsTheJob",
         true,
         {"www/a.txt=a", "index.html=top"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site")).expect("CWD www", "250 ok\r\n");
             s.expect("PWD", pwd("/site/www"));
             stor(s, "A", "a.txt");
             s.expect("CWD ..", "550 No\r\n")
                 .expect("PWD", pwd("/site/www"))
                 .expect("CWD /site", "550 No\r\n");
         },
         {localDirectory("www"), localFile("index.html")},
         {},
         {"1294 /site"},
         {"a"}},
        {"FifoSelectedForUploadIsSkipped",
         true,
         {"pipe|", "a.txt=a"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site"));
             stor(s, "A", "a.txt");
         },
         {localFile("pipe"), localFile("a.txt")},
         {"1295 @/pipe"},
         {},
         {"a"}},
        {"FifoInsideATreeIsSkipped",
         true,
         {"www/pipe|"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site"))
                 .expect("CWD www", "250 ok\r\n")
                 .expect("PWD", pwd("/site/www"))
                 .expect("CWD ..", "250 ok\r\n")
                 .expect("PWD", pwd("/site"));
         },
         {localDirectory("www")},
         {"1295 @/www/pipe"},
         {}},
        {"LocalNamesWithLineBreaksAreNeverSent",
         true,
         {"bad\rname=x", "www/new\nline=y"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site"))
                 .expect("CWD www", "250 ok\r\n")
                 .expect("PWD", pwd("/site/www"))
                 .expect("CWD ..", "250 ok\r\n")
                 .expect("PWD", pwd("/site"));
         },
         {localFile("bad\rname"), localDirectory("www")},
         {"1296 @/bad\rname", "1296 @/www/new\nline"},
         {}},
        {"FileAtTheServerRootShowsOneSlash",
         true,
         {"a.html=a"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/"));
             stor(s, "A", "a.html");
         },
         {localFile("a.html")},
         {},
         {},
         {"a"},
         {},
         {"source @/a.html", "target /a.html"}},
        {"FifoAsDownloadTargetIsSkipped",
         false,
         {"pipe|"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/"));
             retr(s, "A", "b.txt", "b");
         },
         {remoteFile("pipe"), remoteFile("b.txt")},
         {"1295 @/pipe"},
         {},
         {},
         {{"b.txt", "b"}},
         {"source /b.txt", "target @/b.txt"}},
        {"ServerNamesWithLineBreaksAreSkippedBeforeAnythingLocal",
         false,
         {},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/pub"));
             treeStart(s, "site", listing({"ok.txt", "x\ry"}));
             retr(s, "A", "ok.txt", "ok\n");
             s.expect("CWD /pub", "250 ok\r\n");
         },
         {remoteFile("a\rb"), remoteDirectory("site")},
         {"1290 a\rb", "1290 x\ry"},
         {},
         {},
         {{"site/ok.txt", "ok\n"}, {"site/x\ry", std::nullopt}, {"a\rb", std::nullopt}}},
        {"FileTheServerRefusesInATreeIsNamedAndTheJobGoesOn",
         false,
         {},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/pub"));
             treeStart(s, "site", listing({"a.txt", "b.txt", "c.txt"}));
             retr(s, "A", "a.txt", "a");
             refusedRetr(s, "b.txt");
             retr(s, "A", "c.txt", "c");
             s.expect("CWD /pub", "250 ok\r\n");
             retr(s, "A", "later.txt", "later");
         },
         {remoteDirectory("site"), remoteFile("later.txt")},
         {"1209 /pub/site/b.txt"},
         {"1297 1"},
         {},
         {{"site/a.txt", "a"},
          {"site/b.txt", std::nullopt},
          {"site/c.txt", "c"},
          {"later.txt", "later"}}},
        {"TopLevelFileTheServerRefusesEndsTheJob",
         false,
         {},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/pub"));
             refusedRetr(s, "a.txt");
         },
         {remoteFile("a.txt"), remoteFile("b.txt")},
         {},
         {"1209 a.txt"}},
        {"LostConnectionDuringADownloadSays1213AfterTheWindowHandledIt",
         false,
         {},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/pub")).expectPasv().expect("TYPE A", "200 ok\r\n");
             s.expect("RETR a.txt", "", Delivery::CloseAfter);
         },
         {remoteFile("a.txt"), remoteFile("b.txt")},
         {},
         {"1213 -1"},
         {},
         {},
         {},
         {"finish", "connection lost"}},
        {"ShortBinaryDownloadFailsAndLeavesNothing",
         false,
         {},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/pub"));
             retr(s, "I", "f.bin", "12345");
         },
         {{"f.bin", false, 1, {}, 10}, remoteFile("g.bin")},
         {},
         {"1293 f.bin"},
         {},
         {{"f.bin", std::nullopt}},
         {},
         {},
         transfer::Binary},
        {"ShortBinaryDownloadInATreeUsesTheListedSize",
         false,
         {},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/pub"));
             treeStart(s, "site", listing({"f.bin"}, 10));
             retr(s, "I", "f.bin", "12345");
             s.expect("CWD /pub", "250 ok\r\n");
         },
         {remoteDirectory("site")},
         {},
         {"1293 f.bin"},
         {},
         {{"site/f.bin", std::nullopt}},
         {},
         {},
         transfer::Binary},
        {"StopDuringAStalledUploadReturns",
         true,
         {"a.txt=a"},
         [](ScriptedFtpServer& s) {
             s.expect("PWD", pwd("/site")).expectPasv().expect("TYPE A", "200 ok\r\n");
             s.expect("STOR a.txt", "");
         },
         {localFile("a.txt")},
         {},
         {},
         {},
         {},
         {},
         {},
         transfer::Automatic,
         5},
        {"StopDuringAStalledDownloadReturns",
         false,
         {},
         [](ScriptedFtpServer& s) {
             DataStep stalled = sending(std::string(100000, 's'));
             stalled.delivery = testsupport::DataDelivery::StallMidway;
             s.expect("PWD", pwd("/pub")).expectPasv().expect("TYPE I", "200 ok\r\n");
             s.expectSendData("RETR a.bin", stalled);
         },
         {remoteFile("a.bin")},
         {},
         {},
         {},
         {},
         {},
         {},
         transfer::Binary,
         4},
    };
    return cases;
}

class JobFaults : public JobTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    void makeLocal(const std::string& spec) {
        if (spec.back() == '/') {
            std::filesystem::create_directories(root_ / spec);
        } else if (spec.back() == '|') {
            const auto path = root_ / spec.substr(0, spec.size() - 1);
            std::filesystem::create_directories(path.parent_path());
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        } else {
            const auto eq = spec.find('=');
            file(spec.substr(0, eq), spec.substr(eq + 1));
        }
    }
    Commands seen(const std::vector<std::string>& texts) const {
        Commands out;
        const std::string root = root_.string();
        for (std::string t : texts) {
            for (auto at = t.find(root); at != std::string::npos; at = t.find(root))
                t.replace(at, root.size(), "@");
            out.push_back(t);
        }
        return out;
    }
};

}  // namespace

TEST_P(JobFaults, SaysAndLeavesWhatItMust) {
    const FaultCase& c = GetParam();
    for (const auto& spec : c.local)
        makeLocal(spec);
    ScriptedFtpServer server;
    if (c.upload) server.expect("NOOP", "200 ok\r\n");
    c.script(server);
    auto session = openSession(server);
    if (c.upload)
        job_.startUpload(*session, settings(c.items, c.mode));
    else
        job_.startDownload(*session, settings(c.items, c.mode));
    if (c.stopAfter > 0) {
        ASSERT_TRUE(waitUntil([&] { return server.commands().size() >= c.stopAfter; }));
        job_.stop();  // what the window's close does; it must come back
        EXPECT_FALSE(job_.running());
    }
    ASSERT_TRUE(waitForEnd());
    const auto commands = ::testing::PrintToString(server.commands());
    EXPECT_TRUE(server.mismatches().empty()) << commands;
    EXPECT_TRUE(server.scriptDone()) << commands;

    Commands notices;
    for (const auto& call : host_.only("status 0 "))
        if (call.rfind("status 0 1207 ", 0) != 0) notices.push_back(call.substr(9));
    EXPECT_EQ(seen(notices), c.notices);
    Commands asked;
    for (const auto& m : host_.prompts_.asked())
        asked.push_back(std::to_string(m.id) + (m.args.empty() ? "" : " " + argText(m.args[0])));
    EXPECT_EQ(seen(asked), c.asked);
    if (c.upload) {
        EXPECT_EQ(server.received(), c.received);
    }
    for (const auto& [path, contents] : c.after) {
        EXPECT_EQ(std::filesystem::exists(root_ / path), contents.has_value()) << path;
        if (contents) {
            EXPECT_EQ(read(path), *contents) << path;
        }
    }
    if (!c.lines.empty()) {
        Commands lines;
        for (const auto& call : host_.calls)
            if (call.rfind("source ", 0) == 0 || call.rfind("target ", 0) == 0)
                lines.push_back(call);
        EXPECT_EQ(seen(lines), c.lines);
    }
    if (!c.lastCalls.empty()) {
        EXPECT_EQ(Commands(host_.calls.end() - static_cast<std::ptrdiff_t>(c.lastCalls.size()),
                           host_.calls.end()),
                  c.lastCalls);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, JobFaults, ::testing::ValuesIn(faultCases()),
                         [](const auto& info) { return info.param.name; });
