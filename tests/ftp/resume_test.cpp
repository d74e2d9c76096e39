// Continuing a broken download or upload with REST or APPE, and stopping a transfer at once
// with ABOR.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "scriptedsession.h"
#include "testfiles.h"

using testsupport::DataDelivery;
using testsupport::randomBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Commands = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

std::string scratch(const std::string& name) {
    return fs::temp_directory_path() / ("trandel-resume-" + std::to_string(::getpid()) + name);
}

}  // namespace

TEST(Resume, DownloadContinuesWhereTheLocalFileEnds) {
    const std::string whole = randomBytes(100 * 1024, 3);
    const std::int64_t kept = 60 * 1024;  // what a cut at 60 % left
    struct Row {
        const char* what;
        std::int64_t resumeFrom;
        std::string restReply;  // empty: no REST expected
        DataDelivery delivery;
        int result;
        int lastError;
        std::string after;  // the local file afterwards
    };
    const Row rows[] = {
        {"REST accepted: the rest arrives and the file is whole", kept, "350 Restarting.\r\n",
         DataDelivery::Whole, 1, 0, whole},
        {"REST refused: nothing more is asked, the partial file stays", kept, "502 No.\r\n",
         DataDelivery::Whole, 0, ftp::FtpSession::kRestartRefused, whole.substr(0, kept)},
        {"a file the caller owns is kept when the transfer breaks", 0, "",
         DataDelivery::CloseMidway, 0, ftp::FtpSession::kIncompleteTransfer, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string local = scratch("-down");
        writeFile(local, whole.substr(0, static_cast<std::size_t>(row.resumeFrom)));
        ScriptedSession s;
        s.server.expectPasv().expect("TYPE I", "200 ok\r\n");
        if (!row.restReply.empty()) s.server.expect("REST 61440", row.restReply);
        if (row.result == 1 || row.restReply.empty()) {
            testsupport::DataStep step;
            step.data = whole.substr(static_cast<std::size_t>(row.resumeFrom));
            step.delivery = row.delivery;
            // Announced as the whole file, as some servers do after REST.
            step.preliminary = "150 Opening BINARY mode (102400 bytes).\r\n";
            s.server.expectSendData("RETR f", step);
        }
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->download(local, "f", true, 102400, row.resumeFrom), row.result);
        if (row.result == 0) {
            EXPECT_EQ(s.session->lastError, row.lastError);
        }
        ASSERT_TRUE(fs::exists(local));
        if (row.delivery == DataDelivery::Whole) {
            EXPECT_TRUE(readFile(local) == row.after);
        }
        EXPECT_TRUE(s.server.mismatches().empty());
        if (row.result == 1) {
            // Progress counts from where it resumed.
            const auto reports = s.progress.reports();
            ASSERT_FALSE(reports.empty());
            EXPECT_EQ(reports.front(), (std::pair<std::int64_t, std::int64_t>{102400, kept}));
        }
        fs::remove(local);
    }
}

// An upload goes on from the server's size: after REST with STOR, or with APPE alone for a
// server that refuses REST. APPE is never sent for a whole file.
struct UploadRow {
    const char* what;
    std::int64_t from;
    bool append;
    const char* command;       // what carries the data
    const char* restReply;     // null: no REST
    const char* commandReply;  // null: accepted, the data goes
    int result;
    int lastError;
};

const UploadRow kUploadRows[] = {
    {"REST accepted: STOR sends the rest", 61440, false, "STOR f", "350 Restarting.\r\n", nullptr,
     1, 0},
    {"REST refused: nothing is sent", 61440, false, "STOR f", "502 No.\r\n", nullptr, 0,
     ftp::FtpSession::kRestartRefused},
    {"APPE sends the rest without REST", 61440, true, "APPE f", nullptr, nullptr, 1, 0},
    {"APPE refused", 61440, true, "APPE f", nullptr, "502 No.\r\n", 0,
     ftp::FtpSession::kAppendRefused},
    {"nothing to append to: STOR of the whole file", 0, true, "STOR f", nullptr, nullptr, 1, 0},
};

TEST(Resume, UploadContinuesFromTheServersSize) {
    const std::string whole = randomBytes(100 * 1024, 6);
    const std::string local = scratch("-up");
    writeFile(local, whole);
    for (const UploadRow& row : kUploadRows) {
        SCOPED_TRACE(row.what);
        ScriptedSession s;
        s.server.expectPasv().expect("TYPE I", "200 ok\r\n");
        if (row.restReply) s.server.expect("REST 61440", row.restReply);
        if (row.commandReply)
            s.server.expect(row.command, row.commandReply);
        else if (row.result == 1)
            s.server.expectReceiveData(row.command);
        if (row.result == 0) s.server.expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_EQ(s.session->upload(local, "f", true, row.from, row.append), row.result);
        EXPECT_TRUE(s.server.mismatches().empty()) << ::testing::PrintToString(s.server.commands());
        if (row.result == 0) {
            EXPECT_EQ(s.session->lastError, row.lastError);
            EXPECT_EQ(s.session->checkAlive(), 0) << "the dialogue is in step";
            continue;
        }
        ASSERT_EQ(s.server.received().size(), 1u);
        EXPECT_TRUE(s.server.received()[0] == whole.substr(static_cast<std::size_t>(row.from)));
        // Progress counts from where it resumed.
        const auto reports = s.progress.reports();
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.front(), (std::pair<std::int64_t, std::int64_t>{102400, row.from}));
    }
    fs::remove(local);
}

// stopTransfer() from another thread: ABOR goes out, the data connection closes, both
// replies are read and the session can go on.
TEST(StopTransfer, UploadAndDownloadEndAtOnceWithAbor) {
    const std::string local = scratch("-stop");
    for (const bool upload : {true, false}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        writeFile(local, upload ? randomBytes(16 << 20, 4) : "");
        ScriptedSession s;
        testsupport::DataStep step;
        step.final = "426 Transfer aborted.\r\n";
        s.server.expectPasv().expect("TYPE I", "200 ok\r\n");
        if (upload) {
            s.server.setDataPiece(4096, std::chrono::milliseconds(2));
            s.server.expectReceiveData("STOR f", step);
        } else {
            step.data = randomBytes(1 << 20, 5);
            step.delivery = DataDelivery::StallMidway;
            s.server.expectSendData("RETR f", step);
        }
        s.server.expect("ABOR", "226 ABOR command successful.\r\n").expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect());
        std::thread stopper([&s] {
            while (s.progress.reports().size() < 2)  // data is moving
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            s.session->stopTransfer();
        });
        const int result =
            upload ? s.session->upload(local, "f", true) : s.session->download(local, "f", true);
        stopper.join();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(s.session->lastError, ftp::FtpSession::kTransferStopped);
        EXPECT_EQ(s.session->dataSocket(), -1);
        s.session->clearStop();
        EXPECT_EQ(s.session->checkAlive(), 0);  // the dialogue is in step
        EXPECT_TRUE(s.server.mismatches().empty()) << ::testing::PrintToString(s.server.commands());
    }
    fs::remove(local);
}
