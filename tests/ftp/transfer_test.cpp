// File transfers against the scripted server: dialogue, bytes, progress, failures.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <thread>

#include "scriptedsession.h"
#include "testfiles.h"

using testsupport::DataDelivery;
using testsupport::Delivery;
using testsupport::randomBytes;
using testsupport::readFile;
using testsupport::ScriptedFtpServer;
using testsupport::writeFile;
using Commands = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/trandel-transfer-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

testsupport::DataStep sending(std::string data, std::string preliminary,
                              DataDelivery delivery = DataDelivery::Whole) {
    testsupport::DataStep step;
    step.data = std::move(data);
    step.preliminary = std::move(preliminary);
    step.delivery = delivery;
    return step;
}

}  // namespace

TEST(TransferSize, BytesOrKilobytesFromThePreliminaryReply) {
    EXPECT_EQ(
        ftp::parseTransferSize(" Opening BINARY mode data connection for a.txt (1234 bytes)."),
        1234);
    EXPECT_EQ(ftp::parseTransferSize(" Opening data connection for a.txt(1234bytes)"), 1234);
    EXPECT_EQ(ftp::parseTransferSize(" Opening ASCII mode data connection for a.txt (12k)"),
              12 * 1024);
    EXPECT_EQ(ftp::parseTransferSize(" Opening data connection."), 0);
    EXPECT_EQ(ftp::parseTransferSize(""), 0);
    // A name that holds the word does not hide the size at the end.
    EXPECT_EQ(ftp::parseTransferSize(" Opening for 5bytes.bin (77 bytes)"), 77);
    // Sizes beyond 4 GiB stay whole; numbers that do not fit give 0.
    EXPECT_EQ(ftp::parseTransferSize(" for big.iso (5368709120 bytes)"), 5368709120LL);
    EXPECT_EQ(ftp::parseTransferSize(" (99999999999999999999999 bytes)"), 0);

    // Only a size to the byte can be held against the count received.
    EXPECT_EQ(ftp::parseExactTransferSize(" for a.txt (1234 bytes)."), 1234);
    EXPECT_EQ(ftp::parseExactTransferSize(" for empty (0 bytes)."), 0);
    EXPECT_EQ(ftp::parseExactTransferSize(" for a.txt (12k)"), -1);
    EXPECT_EQ(ftp::parseExactTransferSize(" Opening data connection."), -1);
}

TEST(RateText, FormatsKilobytesPerSecondWithTheCallersText) {
    std::string text;
    ASSERT_TRUE(ftp::formatRate(ftp::FtpSession::kDefaultRateFormat, 1536.25, text));
    EXPECT_EQ(text, "1536.2 K 字节/sec");
    ASSERT_TRUE(ftp::formatRate("%.2f KB/s (100%%)", 2.5, text));
    EXPECT_EQ(text, "2.50 KB/s (100%)");
    ASSERT_TRUE(ftp::formatRate("%4.1f", 3.0, text));
    EXPECT_EQ(text, " 3.0");

    // A text from a language module must never reach printf with other conversions.
    for (const char* bad : {"%s K/sec", "%d K", "%f %f", "%n%f", "%1000f", "%.123f", "%*f",
                            "no number", "%", "%f %"}) {
        EXPECT_FALSE(ftp::formatRate(bad, 1.0, text)) << bad;
        EXPECT_EQ(text, "");
    }
    EXPECT_FALSE(ftp::formatRate(std::string("\0%f", 3), 1.0, text));
    ftp::FtpSession session("127.0.0.1", "u", "p");
    EXPECT_FALSE(session.setRateFormat("%s"));
    EXPECT_EQ(session.rateFormat(), ftp::FtpSession::kDefaultRateFormat);
    EXPECT_TRUE(session.setRateFormat("%4.1f KB/sec"));
    EXPECT_EQ(session.rateFormat(), "%4.1f KB/sec");
}

class Transfer : public ::testing::TestWithParam<bool> {
protected:
    bool passive() const { return GetParam(); }
    TempDir dir_;
};

TEST_P(Transfer, UploadSendsTheFileByteExactInBlocks) {
    ScriptedSession s;
    const std::string bytes = randomBytes(3 * 4096 + 5, 1);
    writeFile(dir_.file("up.bin"), bytes);
    s.expectDataSetup(passive());
    s.server.expect("TYPE I", "200 Type set to I.\r\n");
    s.server.expectReceiveData("STOR up.bin");
    ASSERT_NO_FATAL_FAILURE(s.connect(passive()));

    EXPECT_EQ(s.session->upload(dir_.file("up.bin"), "up.bin", true), 1);
    ASSERT_EQ(s.server.received().size(), 1u);
    EXPECT_TRUE(s.server.received()[0] == bytes);
    EXPECT_TRUE(s.server.mismatches().empty());
    EXPECT_EQ(s.session->dataSocket(), -1);

    const auto reports = s.progress.reports();
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    using Report = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(reports, (std::vector<Report>{
                           {size, 0}, {size, 4096}, {size, 8192}, {size, 12288}, {size, size}}));
}

TEST_P(Transfer, DownloadReceivesByteExactWithTheAnnouncedTotal) {
    ScriptedSession s;
    const std::string bytes = randomBytes(10 * 4096 + 1, 2);
    s.expectDataSetup(passive());
    s.server.expect("TYPE I", "200 Type set to I.\r\n");
    s.server.expectSendData(
        "RETR down.bin",
        sending(bytes, "150 Opening BINARY mode data connection for down.bin (40961 bytes).\r\n",
                DataDelivery::SmallPieces));
    s.server.setDataPiece(1000, std::chrono::milliseconds(0));
    ASSERT_NO_FATAL_FAILURE(s.connect(passive()));

    EXPECT_EQ(s.session->download(dir_.file("down.bin"), "down.bin", true), 1);
    EXPECT_TRUE(readFile(dir_.file("down.bin")) == bytes);
    EXPECT_EQ(s.session->dataSocket(), -1);
    // Progress in whole blocks, although the data came in 1,000-byte pieces.
    const auto reports = s.progress.reports();
    ASSERT_EQ(reports.size(), 12u);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].first, 40961);
        EXPECT_EQ(reports[i].second, i == 11 ? 40961 : static_cast<std::int64_t>(i) * 4096);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, Transfer, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(Upload, EmptyFileGoesOutWithProgressZeroOfZero) {
    TempDir dir;
    writeFile(dir.file("empty"), "");
    ScriptedSession s;
    s.server.expectPasv().expect("TYPE A", "200 ok\r\n").expectReceiveData("STOR empty");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_EQ(s.session->upload(dir.file("empty"), "empty", false), 1);
    EXPECT_EQ(s.server.received(), Commands{""});
    using Report = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(s.progress.reports(), (std::vector<Report>{{0, 0}}));
}

TEST(Upload, RefusalsAndLocalFailures) {
    TempDir dir;
    writeFile(dir.file("page.html"), "<html></html>");
    {
        ScriptedSession s;
        s.server.expectPasv()
            .expect("TYPE A", "200 ok\r\n")
            .expect("STOR page.html", "553 Not allowed.\r\n");
        s.server.expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->upload(dir.file("page.html"), "page.html", false), 0);
        EXPECT_EQ(s.session->lastError, 553);
        EXPECT_EQ(s.session->dataSocket(), -1);
        EXPECT_EQ(s.session->checkAlive(), 0);  // the dialogue is still in step
    }
    {
        // The server's disk fills: its final reply is the reason.
        ScriptedSession s;
        testsupport::DataStep step;
        step.final = "452 Insufficient storage space.\r\n";
        s.server.expectPasv()
            .expect("TYPE I", "200 ok\r\n")
            .expectReceiveData("STOR page.html", step);
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->upload(dir.file("page.html"), "page.html", true), 0);
        EXPECT_EQ(s.session->lastError, 452);
    }
    {
        // Missing local file, and a directory: refused before anything is sent.
        ScriptedSession s;
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->upload(dir.file("missing"), "missing", true), 0);
        EXPECT_EQ(s.session->lastError, ENOENT);
        fs::create_directory(dir.file("sub"));
        EXPECT_EQ(s.session->upload(dir.file("sub"), "sub", true), 0);
        EXPECT_EQ(s.session->lastError, EISDIR);
        EXPECT_TRUE(s.server.commands().empty());
    }
}

TEST(Download, RefusedRetrKeepsAnExistingLocalFileAndLeavesNoNewOne) {
    TempDir dir;
    for (const char* reply : {"550 No such file.\r\n", "553 Not allowed.\r\n", "450 Busy.\r\n"}) {
        for (const bool existed : {true, false}) {
            fs::remove(dir.file("local.txt"));
            if (existed) writeFile(dir.file("local.txt"), "older contents");
            ScriptedSession s;
            s.server.expectPasv().expect("TYPE A", "200 ok\r\n").expect("RETR remote.txt", reply);
            s.server.expect("NOOP", "200 ok\r\n");
            ASSERT_NO_FATAL_FAILURE(s.connect());
            EXPECT_EQ(s.session->download(dir.file("local.txt"), "remote.txt", false), 0);
            EXPECT_EQ(s.session->lastError, reply[0] == '5' ? 553 : 450) << reply;
            EXPECT_EQ(fs::exists(dir.file("local.txt")), existed) << reply;
            if (existed) {
                EXPECT_EQ(readFile(dir.file("local.txt")), "older contents");
            }
            EXPECT_EQ(s.session->dataSocket(), -1);
            EXPECT_EQ(s.session->checkAlive(), 0);
        }
    }
}

TEST(Download, FullLocalDiskStillDrainsTheServerThenReportsTheWriteError) {
    // A file size limit stands in for a full disk: writes fail past 100 KiB.
    TempDir dir;
    ScriptedSession s;
    const std::string bytes = randomBytes(200 * 1024, 3);
    s.server.expectPasv().expect("TYPE I", "200 ok\r\n");
    s.server.expectSendData("RETR big.bin", sending(bytes, "150 Opening (204800 bytes)\r\n"));
    s.server.expect("NOOP", "200 ok\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 100 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const int result = s.session->download(dir.file("big.bin"), "big.bin", true);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(s.session->lastError, EFBIG);
    EXPECT_FALSE(fs::exists(dir.file("big.bin")));
    using Report = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(s.progress.reports().back(), Report(204800, 204800));
    EXPECT_EQ(s.session->checkAlive(), 0);
    EXPECT_TRUE(s.server.mismatches().empty());
}

TEST(Download, LocalFileThatCannotBeCreatedSendsNothing) {
    ScriptedSession s;
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_EQ(s.session->download("/nonexistent-dir/x", "x", true), 0);
    EXPECT_EQ(s.session->lastError, ENOENT);
    EXPECT_TRUE(s.server.commands().empty());
}

TEST(Download, ServerThatClosesInTheMiddle) {
    TempDir dir;
    const std::string bytes = randomBytes(64 * 1024, 4);
    {
        // The data connection closes early; the server says why.
        ScriptedSession s;
        auto step = sending(bytes, "150 Opening\r\n", DataDelivery::CloseMidway);
        step.final = "426 Connection closed; transfer aborted.\r\n";
        s.server.expectPasv().expect("TYPE I", "200 ok\r\n").expectSendData("RETR f", step);
        s.server.expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->download(dir.file("f"), "f", true), 0);
        EXPECT_EQ(s.session->lastError, 426);
        EXPECT_FALSE(fs::exists(dir.file("f")));  // no partial file
        EXPECT_EQ(s.session->checkAlive(), 0);
    }
    {
        // The whole server goes away after the data.
        ScriptedSession s;
        auto step = sending(bytes, "150 Opening\r\n", DataDelivery::CloseMidway);
        step.final = "";
        step.finalDelivery = Delivery::CloseAfter;
        s.server.expectPasv().expect("TYPE I", "200 ok\r\n").expectSendData("RETR f", step);
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->download(dir.file("f"), "f", true), 0);
        EXPECT_EQ(s.session->lastError, -1);
    }
}

TEST(Download, ServerThatStallsIsGivenUpAndTheDialogueStaysInStep) {
    TempDir dir;
    ScriptedSession s;
    auto step = sending(randomBytes(100000, 6), "150 Opening\r\n", DataDelivery::StallMidway);
    step.final = "426 Transfer aborted.\r\n";
    s.server.expectPasv().expect("TYPE I", "200 ok\r\n").expectSendData("RETR f", step);
    s.server.expect("NOOP", "200 ok\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    s.session->dataIdleSeconds = 1;
    EXPECT_EQ(s.session->download(dir.file("f"), "f", true), 0);
    EXPECT_EQ(s.session->lastError, ETIMEDOUT);
    EXPECT_FALSE(fs::exists(dir.file("f")));
    EXPECT_EQ(s.session->checkAlive(), 0);
}

TEST(Upload, ServerThatClosesInTheMiddleFailsWithItsReason) {
    // The server stops reading after 64 KiB and closes: the client must get an error,
    // not a signal, and report the server's reply.
    TempDir dir;
    writeFile(dir.file("big.bin"), randomBytes(8 << 20, 7));
    for (bool passive : {true, false}) {
        ScriptedSession s;
        testsupport::DataStep step;
        step.delivery = DataDelivery::CloseMidway;
        step.final = "426 Connection closed; transfer aborted.\r\n";
        s.expectDataSetup(passive);
        s.server.expect("TYPE I", "200 ok\r\n").expectReceiveData("STOR big.bin", step);
        s.server.expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect(passive));
        EXPECT_EQ(s.session->upload(dir.file("big.bin"), "big.bin", true), 0);
        EXPECT_EQ(s.session->lastError, 426);
        EXPECT_EQ(s.session->dataSocket(), -1);
        EXPECT_EQ(s.session->checkAlive(), 0);
    }
}

TEST(Upload, ServerThatStopsReadingIsGivenUpOrAborted) {
    // The server never takes the data connection: once the buffers are full, the send
    // blocks. Binary files go out through the kernel, text is copied; either way the idle
    // limit ends the wait, and so does an abort, with the limit then out of reach.
    struct Row {
        bool binary;
        bool abort;
    };
    const Row rows[] = {{true, false}, {false, false}, {true, true}, {false, true}};
    TempDir dir;
    writeFile(dir.file("big.bin"), randomBytes(16 << 20, 9));
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.binary ? "binary" : "text") + (row.abort ? " abort" : ""));
        ScriptedSession s;
        testsupport::DataStep step;
        step.connect = false;
        step.final = "426 Transfer aborted.\r\n";
        s.server.expectPasv().expect(row.binary ? "TYPE I" : "TYPE A", "200 ok\r\n");
        s.server.expectReceiveData("STOR big.bin", step).expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect());
        s.session->dataIdleSeconds = row.abort ? 3600 : 1;
        std::thread stopper([&s, &row] {
            if (!row.abort) return;
            while (s.progress.reports().size() < 2)  // data is moving
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            s.session->abort();
        });
        EXPECT_EQ(s.session->upload(dir.file("big.bin"), "big.bin", row.binary), 0);
        stopper.join();
        EXPECT_EQ(s.session->dataSocket(), -1);
        if (!row.abort) {
            EXPECT_EQ(s.session->lastError, 426);
            EXPECT_EQ(s.session->checkAlive(), 0);
        }
    }
}

TEST(Download, RefusedBinaryTypeStopsBeforeRetr) {
    TempDir dir;
    ScriptedSession s;
    s.server.expectPasv().expect("TYPE I", "504 Type not implemented.\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_EQ(s.session->download(dir.file("f"), "f", true), 0);
    EXPECT_EQ(s.session->lastError, 504);
    EXPECT_EQ(s.server.commands(), (Commands{"PASV", "TYPE I"}));
    EXPECT_EQ(s.session->dataSocket(), -1);
}

TEST(Download, BinaryCountMustMatchTheSizeAnnouncedToTheByteOrListed) {
    constexpr std::int64_t k5GiB = 5368709120LL;
    const std::string ten = "0123456789";
    struct Row {
        const char* preliminary;
        std::int64_t listed;
        bool binary;
        int result;
        std::int64_t progressTotal;
    };
    const Row rows[] = {
        {"150 Opening for huge.iso (5368709120 bytes)\r\n", -1, true, 0, k5GiB},
        {"150 Opening for huge.iso (5368709120 bytes)\r\n", -1, false, 1, k5GiB},
        {"150 Opening (5 bytes)\r\n", -1, true, 0, 5},  // more than announced
        {"150 Opening (10 bytes)\r\n", -1, true, 1, 10},
        {"150 Opening (10 bytes)\r\n", k5GiB, true, 1, 10},  // the announcement wins
        {"150 Opening\r\n", k5GiB, true, 0, k5GiB},
        {"150 Opening\r\n", k5GiB, false, 1, k5GiB},
        {"150 Opening\r\n", 10, true, 1, 10},
        {"150 Opening\r\n", -1, true, 1, 0},
        {"150 Opening (1k)\r\n", -1, true, 1, 1024},  // rounded: nothing to check
        {"150 Opening (1k)\r\n", 1024, true, 0, 1024},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.preliminary) + " listed " + std::to_string(row.listed) +
                     (row.binary ? " binary" : " text"));
        ScriptedSession s;
        s.server.expectPasv().expect(row.binary ? "TYPE I" : "TYPE A", "200 ok\r\n");
        s.server.expectSendData("RETR f", sending(ten, row.preliminary));
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->download(dir.file("f"), "f", row.binary, row.listed), row.result);
        if (row.result == 0) {
            EXPECT_EQ(s.session->lastError, ftp::FtpSession::kIncompleteTransfer);
        }
        EXPECT_EQ(fs::exists(dir.file("f")), row.result == 1);  // never a partial file
        using Report = std::pair<std::int64_t, std::int64_t>;
        EXPECT_EQ(s.progress.reports(),
                  (std::vector<Report>{{row.progressTotal, 0}, {row.progressTotal, 10}}));
        fs::remove(dir.file("f"));
    }
}

TEST(Download, RateGoesToPaneOneInTheCallersFormat) {
    TempDir dir;
    ScriptedSession s;
    s.server.setDataPiece(512, std::chrono::milliseconds(2));
    s.server.expectPasv().expect("TYPE I", "200 ok\r\n");
    s.server.expectSendData("RETR f",
                            sending(randomBytes(8192, 5), "150 ok\r\n", DataDelivery::Slow));
    ASSERT_NO_FATAL_FAILURE(s.connect());
    ASSERT_TRUE(s.session->setRateFormat("%.1f KB/sec"));
    EXPECT_EQ(s.session->download(dir.file("f"), "f", true), 1);
    const auto pane1 = s.status.pane(1);
    ASSERT_EQ(pane1.size(), 1u);
    EXPECT_TRUE(pane1[0].ends_with(" KB/sec")) << pane1[0];
}

TEST(SetType, SendsTypeAOrTypeI) {
    ScriptedSession s;
    s.server.expect("TYPE A", "200 ok\r\n").expect("TYPE I", "500 whatever\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_EQ(s.session->setType(ftp::TransferMode::Text), 1);
    EXPECT_EQ(s.session->setType(ftp::TransferMode::Binary), 1);  // the code is not looked at
    EXPECT_EQ(s.server.commands(), (Commands{"TYPE A", "TYPE I"}));
}

TEST(LocalFile, FifoOrDeviceIsRefusedBeforeAnythingIsSent) {
    // A FIFO would block open() or read() for ever; a device is no file to copy.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ScriptedSession s;
    ASSERT_NO_FATAL_FAILURE(s.connect());
    for (const std::string& path : {dir.file("fifo"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        s.session->lastError = 0;
        EXPECT_EQ(s.session->upload(path, "x", true), 0);
        EXPECT_EQ(s.session->lastError, ftp::FtpSession::kNotRegularFile);
        s.session->lastError = 0;
        EXPECT_EQ(s.session->download(path, "x", true), 0);
        EXPECT_EQ(s.session->lastError, ftp::FtpSession::kNotRegularFile);
    }
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("fifo").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));  // left as it was
    EXPECT_TRUE(s.server.commands().empty());
}

// Text mode: lines end in CR LF on the wire and in LF in local files.
TEST(Download, TextModeTurnsCrLfIntoLf) {
    const std::string pageOfX(256 * 1024 - 1, 'x');  // CR LF across the receive buffer's end
    struct Row {
        std::string wire;
        std::string local;
        DataDelivery delivery;
    };
    const Row rows[] = {
        {"a\r\nb\r\n", "a\nb\n", DataDelivery::Whole},
        {"a\r\nb\r\n", "a\nb\n", DataDelivery::Slow},  // CR and LF in separate pieces
        {"a\rb\r\n", "a\rb\n", DataDelivery::Slow},
        {"a\r\r\n", "a\r\n", DataDelivery::Slow},
        {"a\r\nb\r", "a\nb\r", DataDelivery::Slow},
        {"\r", "\r", DataDelivery::Whole},
        {"a\nb", "a\nb", DataDelivery::Whole},
        {"", "", DataDelivery::Whole},
        {pageOfX + "\r\ny\r\n", pageOfX + "\ny\n", DataDelivery::Whole},
        {pageOfX + "\rz", pageOfX + "\rz", DataDelivery::Whole},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.wire.substr(0, 20)));
        ScriptedSession s;
        s.server.setDataPiece(1, std::chrono::milliseconds(1));
        s.server.expectPasv().expect("TYPE A", "200 ok\r\n");
        s.server.expectSendData("RETR f", sending(row.wire, "150 Opening\r\n", row.delivery));
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->download(dir.file("f"), "f", false), 1);
        EXPECT_TRUE(readFile(dir.file("f")) == row.local);
        // Progress counts the local file's bytes.
        EXPECT_EQ(s.progress.reports().back().second, static_cast<std::int64_t>(row.local.size()));
    }
}

TEST(Upload, TextModeSendsCrLfForEachLf) {
    std::string lines;
    for (int i = 0; i < 40000; ++i)
        lines += "line\n";
    std::string wireLines;
    for (int i = 0; i < 40000; ++i)
        wireLines += "line\r\n";
    const std::pair<std::string, std::string> rows[] = {
        {"a\nb\n", "a\r\nb\r\n"},     {"a\r\nb", "a\r\r\nb"},  // comes back as CR LF
        {"lone\rcr\r", "lone\rcr\r"}, {"\n\n", "\r\n\r\n"},
        {lines, wireLines},  // beyond one read of the file
    };
    TempDir dir;
    for (const auto& [local, wire] : rows) {
        SCOPED_TRACE(::testing::PrintToString(local.substr(0, 20)));
        writeFile(dir.file("t.txt"), local);
        ScriptedSession s;
        s.server.expectPasv().expect("TYPE A", "200 ok\r\n").expectReceiveData("STOR t.txt");
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->upload(dir.file("t.txt"), "t.txt", false), 1);
        ASSERT_EQ(s.server.received().size(), 1u);
        EXPECT_TRUE(s.server.received()[0] == wire);
        const auto size = static_cast<std::int64_t>(local.size());
        using Report = std::pair<std::int64_t, std::int64_t>;
        EXPECT_EQ(s.progress.reports().back(), Report(size, size));
    }
}

TEST(Download, AbortedDownloadLeavesNoPartialFile) {
    TempDir dir;
    ScriptedSession s;
    auto step = sending(randomBytes(100000, 8), "150 Opening\r\n", DataDelivery::StallMidway);
    s.server.expectPasv().expect("TYPE I", "200 ok\r\n").expectSendData("RETR f", step);
    ASSERT_NO_FATAL_FAILURE(s.connect());
    std::thread stopper([&s] {
        while (s.progress.reports().size() < 2)  // data has arrived
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        s.session->abort();
    });
    EXPECT_EQ(s.session->download(dir.file("f"), "f", true), 0);
    stopper.join();
    EXPECT_FALSE(fs::exists(dir.file("f")));
}
