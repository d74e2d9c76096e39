// Upload and download jobs against the scripted server: the dialogue, counters, the
// local files, cancelling, failures and names that must not become local paths.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "jobtestfixture.h"
#include "transfermode.h"

using platform::Answer;
using testsupport::DataStep;
using testsupport::Delivery;
using testsupport::ScriptedFtpServer;
using transfer::TransferItem;
using Commands = std::vector<std::string>;
using namespace jobsteps;

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
              (Commands{"<p>hello</p>\r\n", std::string("GIF89a\0\1", 8), "text\r\n"}));
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
    job_.startDownload(*session, settings({remoteFile("full")}, transfer::TransferMode::Binary));
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

// Names in the server's encoding: local names read from the server's bytes, uploads
// written in the encoding, and names that do not convert. The job goes on after each.
struct NameRow {
    const char* what;
    ftp::NameEncoding encoding;
    bool upload;
    std::string name;   // the item's name: server bytes, or the local name
    std::string sent;   // the name in RETR or STOR; empty: nothing is sent for it
    std::string local;  // the local file
    Commands status;    // the name messages (1355, 1356)
};

class JobNames : public JobTest {
protected:
    void run(const NameRow& row) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        ScriptedFtpServer server;
        if (row.upload) {
            file(row.local, "x\n");
            file("after.txt", "x\n");
            server.expect("NOOP", "200 ok\r\n");
        }
        server.expect("PWD", pwd("/pub"));
        for (const std::string& name : {row.sent, std::string("after.txt")}) {
            if (name.empty()) continue;
            if (row.upload)
                stor(server, "A", name);
            else
                retr(server, "A", name, "x\n");
        }
        auto session = openSession(server);
        session->nameEncoding = row.encoding;
        host_.calls.clear();
        if (row.upload)
            job_.startUpload(*session, settings({localFile(row.name), localFile("after.txt")}));
        else
            job_.startDownload(*session, settings({remoteFile(row.name), remoteFile("after.txt")}));
        ASSERT_TRUE(waitForEnd());
        EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.mismatches());
        EXPECT_EQ(read(row.local), "x\n");
        EXPECT_EQ(read("after.txt"), "x\n");
        EXPECT_EQ(host_.only("status 0 135"), row.status);
    }
};

TEST_F(JobNames, TravelInTheServersEncoding) {
    const std::string gbk = "\xd6\xd0\xce\xc4.txt";           // 中文.txt in GBK
    const std::string utf8 = "\xe4\xb8\xad\xe6\x96\x87.txt";  // 中文.txt
    using ftp::NameEncoding;
    const NameRow rows[] = {
        {"GBK name downloads to a UTF-8 name", NameEncoding::Gb18030, false, gbk, gbk, utf8, {}},
        {"UTF-8 name downloads as it is", NameEncoding::Utf8, false, utf8, utf8, utf8, {}},
        {"bytes that do not read still download, under a marked name",
         NameEncoding::Gb18030,
         false,
         "\xff.txt",
         "\xff.txt",
         "\xef\xbf\xbd.txt",
         {"status 0 1355 \xef\xbf\xbd.txt"}},
        {"upload to a GB18030 server sends GBK bytes",
         NameEncoding::Gb18030,
         true,
         utf8,
         gbk,
         utf8,
         {}},
        {"upload to a UTF-8 server sends the name as it is",
         NameEncoding::Utf8,
         true,
         utf8,
         utf8,
         utf8,
         {}},
        {"a local name GB18030 cannot write is skipped",
         NameEncoding::Gb18030,
         true,
         "\xff.txt",
         "",
         "\xff.txt",
         {"status 0 1356 " + root_.string() + "/\xff.txt"}},
    };
    for (const NameRow& row : rows)
        ASSERT_NO_FATAL_FAILURE(run(row));
}

// A download cut at 60 % by a lost connection keeps its partial file; the next job goes on
// from there with REST, or from the start when the server refuses REST, and the file is
// byte-exact either way.
TEST_F(JobTest, DownloadCutByALostConnectionIsResumedByTheNextJob) {
    const std::string whole = testsupport::randomBytes(100000, 11);
    const std::size_t cut = 60000;
    for (const bool restAccepted : {true, false}) {
        SCOPED_TRACE(restAccepted ? "REST accepted" : "REST refused");
        std::filesystem::remove(root_ / "a.bin");
        {
            ScriptedFtpServer server;
            DataStep broken = sending(whole.substr(0, cut));
            broken.final = "";
            broken.finalDelivery = Delivery::CloseAfter;
            server.expect("PWD", pwd("/pub")).expectPasv().expect("TYPE I", "200 ok\r\n");
            server.expectSendData("RETR a.bin", broken);
            auto session = openSession(server);
            transfer::JobSettings s =
                settings({{"a.bin", false, ftp::EntryType::File, {}, 100000}});
            s.verify = true;
            job_.startDownload(*session, std::move(s));
            ASSERT_TRUE(waitForEnd());
            EXPECT_FALSE(std::filesystem::exists(root_ / "a.bin")) << "nothing under the real name";
            EXPECT_EQ(read(".a.bin.part"), whole.substr(0, cut));
        }
        ScriptedFtpServer server;
        server.expect("PWD", pwd("/pub")).expectPasv().expect("TYPE I", "200 ok\r\n");
        if (restAccepted) {
            server.expect("REST 60000", "350 Restarting at 60000.\r\n");
            server.expectSendData("RETR a.bin", sending(whole.substr(cut)));
        } else {
            server.expect("REST 60000", "502 Not implemented.\r\n");
            server.expectPasv().expect("TYPE I", "200 ok\r\n");
            server.expectSendData("RETR a.bin", sending(whole));
        }
        // A resumed file's size is asked; a whole one's was held against the listing.
        if (restAccepted) server.expect("SIZE a.bin", "213 100000\r\n");
        hashProbesRefused(server, "a.bin");
        auto session = openSession(server);
        transfer::JobSettings s = settings({{"a.bin", false, ftp::EntryType::File, {}, 100000}});
        s.verify = true;
        job_.startDownload(*session, std::move(s));
        ASSERT_TRUE(waitForEnd());
        EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
        EXPECT_TRUE(read("a.bin") == whole);
        EXPECT_FALSE(std::filesystem::exists(root_ / ".a.bin.part"));
        ASSERT_EQ(job_.report().entries().size(), 1u);
        EXPECT_EQ(job_.report().entries()[0].how, "size");
    }
}

// Stop now ends the file in progress with ABOR: no message, no DELE, and the report names
// the partial file left on the server.
TEST_F(JobTest, StopNowEndsTheFileInProgressAndReportsItsPartialFile) {
    file("big.bin", testsupport::randomBytes(16 << 20, 12));
    ScriptedFtpServer server;
    server.setDataPiece(4096, std::chrono::milliseconds(2));
    DataStep aborted;
    aborted.final = "426 Transfer aborted.\r\n";
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    stor(server, "I", "big.bin", aborted);
    server.expect("ABOR", "226 ABOR command successful.\r\n").expect("NOOP", "200 ok\r\n");
    auto session = openSession(server);
    job_.startUpload(*session, settings({localFile("big.bin")}));
    ASSERT_TRUE(waitUntil([&] { return job_.progress().read().second > 0; }));
    job_.requestStopNow();
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_TRUE(host_.prompts_.askedIds().empty());
    const auto& entries = job_.report().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].reason, transfer::TransferJob::kStoppedNow);
    EXPECT_EQ(entries[1].kind, transfer::PublishReport::Kind::LeftPartial);
    EXPECT_EQ(entries[1].path, "/site/big.bin");
    EXPECT_EQ(session->checkAlive(), 0) << "the session is usable: no stop outlives the job";
}

// How the rest of a cut upload goes in a later window.
enum class Rest { Whole, Restart, Append, AppendRefused };

struct ResumeRow {
    const char* what;
    bool otherServer;  // the later window is logged in as another user
    bool touched;      // the local file was saved again meanwhile
    const char* size;  // the SIZE reply; null: no SIZE asked
    Rest rest;
    std::size_t entriesAfter;  // in the file of partial uploads
};

const ResumeRow kResumeRows[] = {
    {"a fresh window continues with REST and STOR", false, false, "213 65536\r\n", Rest::Restart,
     0},
    {"REST refused: APPE carries on from the server's size", false, false, "213 65536\r\n",
     Rest::Append, 0},
    {"APPE refused too: the whole file", false, false, "213 65536\r\n", Rest::AppendRefused, 0},
    {"another server's partial upload is not this one", true, false, nullptr, Rest::Whole, 1},
    {"a changed local file goes whole", false, true, nullptr, Rest::Whole, 0},
    {"a server copy that is not shorter is replaced", false, false, "213 300000\r\n", Rest::Whole,
     0},
    {"a server copy that is gone is sent anew", false, false, "550 No such file\r\n", Rest::Whole,
     0},
};

// The later window's dialogue: FEAT offers REST STREAM, then the row's way to the end.
void scriptResume(ScriptedFtpServer& server, const ResumeRow& row) {
    server.expect("FEAT", "211-Features:\r\n REST STREAM\r\n SIZE\r\n211 End\r\n");
    server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
    if (row.size) server.expect("SIZE big.bin", row.size);
    if (row.rest == Rest::Whole) {
        stor(server, "I", "big.bin");
        return;
    }
    server.expectPasv().expect("TYPE I", "200 ok\r\n");
    if (row.rest == Rest::Restart) {
        server.expect("REST 65536", "350 Restarting at 65536.\r\n")
            .expectReceiveData("STOR big.bin");
        return;
    }
    server.expect("REST 65536", "502 REST not implemented.\r\n").expectPasv();
    server.expect("TYPE I", "200 ok\r\n");
    if (row.rest == Rest::Append) {
        server.expectReceiveData("APPE big.bin");
        return;
    }
    server.expect("APPE big.bin", "502 APPE not implemented.\r\n");
    stor(server, "I", "big.bin");
}

// An upload cut by a lost connection is remembered in the state folder; a later job, of
// a window opened after this one closed, continues it when it is the same server and
// the same unchanged file.
TEST_F(JobTest, UploadLeftPartialIsResumedByALaterWindowWhenItStillFits) {
    const std::string whole = testsupport::randomBytes(300000, 13);
    file("big.bin", whole);
    {
        ScriptedFtpServer server;
        DataStep cut;
        cut.delivery = testsupport::DataDelivery::CloseMidway;  // after 64 KiB
        cut.final = "";
        cut.finalDelivery = Delivery::CloseAfter;
        server.expect("NOOP", "200 ok\r\n").expect("PWD", pwd("/site"));
        stor(server, "I", "big.bin", cut);
        auto session = openSession(server);
        transfer::TransferJob closed(host_, host_, host_);
        closed.startUpload(*session, settings({localFile("big.bin")}));
        while (closed.running())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(closed.report().entries().back().kind,
                  transfer::PublishReport::Kind::LeftPartial);
    }
    const std::string left = testsupport::readFile(store());
    struct stat saved {};
    ASSERT_EQ(::stat((root_ / "big.bin").c_str(), &saved), 0);
    for (const ResumeRow& row : kResumeRows) {
        SCOPED_TRACE(row.what);
        testsupport::writeFile(store(), left);
        const timespec times[2] = {{0, UTIME_OMIT},
                                   row.touched ? timespec{1000, 0} : saved.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, (root_ / "big.bin").c_str(), times, 0), 0);
        ScriptedFtpServer server;
        scriptResume(server, row);
        auto session = openSession(server);
        ASSERT_EQ(session->learnFeatures(), 1);
        transfer::JobSettings later = settings({localFile("big.bin")});
        if (row.otherServer) later.serverUser = "another";
        job_.startUpload(*session, later);
        ASSERT_TRUE(waitForEnd());
        EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
        ASSERT_FALSE(server.received().empty());
        const bool resumed = row.rest == Rest::Restart || row.rest == Rest::Append;
        EXPECT_TRUE(server.received().back() == (resumed ? whole.substr(65536) : whole));
        EXPECT_EQ(job_.report().entries().back().kind, transfer::PublishReport::Kind::Sent);
        // The progress dialog counted from where it resumed to the end.
        EXPECT_EQ(job_.progress().read(), (std::pair<std::int64_t, std::int64_t>{300000, 300000}));
        transfer::PartialUploadStore after;
        after.open(store());
        EXPECT_EQ(after.entries().size(), row.entriesAfter);
    }
}
