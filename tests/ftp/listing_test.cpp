// Listings over data connections: the dialogue, line assembly and failures.
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "realftpservers.h"
#include "scriptedsession.h"

using testsupport::DataDelivery;
using testsupport::Delivery;
using testsupport::ScriptedFtpServer;
using Commands = std::vector<std::string>;

namespace {

const char* const kListing =
    "total 12\r\n"
    "drwxr-xr-x   2 web  web      4096 Jan  5 10:30 .\r\n"
    "drwxr-xr-x   9 web  web      4096 Jan  5 10:30 ..\r\n"
    "-rw-r--r--   1 web  web      1234 Jan  5 10:30 index.html\r\n"
    "-rw-r--r--   1 web  web        10 Feb 29  2000 old  page.html\r\n";

testsupport::DataStep listing(std::string data, DataDelivery delivery = DataDelivery::Whole) {
    testsupport::DataStep step;
    step.data = std::move(data);
    step.delivery = delivery;
    return step;
}

std::vector<std::string> lines(const std::vector<ftp::FileEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        out.push_back(e.line);
    return out;
}

}  // namespace

class Listing : public ::testing::TestWithParam<bool> {
protected:
    bool passive() const { return GetParam(); }
};

TEST_P(Listing, LinesAssembleFromSmallPiecesInOrder) {
    ScriptedSession s;
    s.expectDataSetup(passive());
    s.server.expectSendData("LIST -la", listing(kListing, DataDelivery::SmallPieces));
    ASSERT_NO_FATAL_FAILURE(s.connect(passive()));

    auto entries = s.session->list();
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(lines(*entries),
              (Commands{"total 12", "drwxr-xr-x   2 web  web      4096 Jan  5 10:30 .",
                        "drwxr-xr-x   9 web  web      4096 Jan  5 10:30 ..",
                        "-rw-r--r--   1 web  web      1234 Jan  5 10:30 index.html",
                        "-rw-r--r--   1 web  web        10 Feb 29  2000 old  page.html"}));
    for (const auto& e : *entries)
        EXPECT_EQ(e.style, ftp::ServerType::Unix);
    EXPECT_EQ(s.session->dataSocket(), -1);
    EXPECT_TRUE(s.server.mismatches().empty());
    EXPECT_EQ(s.server.commands().back(), "LIST -la");
}

INSTANTIATE_TEST_SUITE_P(Modes, Listing, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(ListingLines, LastLineWithoutLineFeedAndOddLineEndsKeepEveryLine) {
    ScriptedSession s;
    const std::string longName(700, 'n');
    s.server.expectPasv().expectSendData("LIST -la",
                                         listing("a\nb\r\n\r\nc\rd\n" + longName + "\nlast line"));
    ASSERT_NO_FATAL_FAILURE(s.connect());
    auto entries = s.session->list();
    ASSERT_TRUE(entries.has_value());
    // Bare LF ends a line as well; a CR inside a line is part of it; nothing is cut.
    EXPECT_EQ(lines(*entries), (Commands{"a", "b", "", "c\rd", longName, "last line"}));
}

TEST(ListingLines, LongLinesAndHugeSizesParseWhole) {
    ScriptedSession s;
    const std::string longName = "a" + std::string(660, 'b') + " c.html";
    const std::string longLine = "-rw-r--r--   1 web  web   5368709120 Mar  3  2021 " + longName;
    ASSERT_GT(longLine.size(), 700u);
    s.server.expectPasv().expectSendData("LIST -la", listing(longLine + "\r\n"));
    ASSERT_NO_FATAL_FAILURE(s.connect());
    auto entries = s.session->list();
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].line, longLine);
    EXPECT_EQ((*entries)[0].name, longName);
    EXPECT_EQ((*entries)[0].size, 5368709120LL);
}

TEST(ListingLines, EmptyListingIsAnEmptyList) {
    ScriptedSession s;
    s.server.expectPasv().expectSendData("LIST -la", listing(""));
    ASSERT_NO_FATAL_FAILURE(s.connect());
    auto entries = s.session->list();
    ASSERT_TRUE(entries.has_value());
    EXPECT_TRUE(entries->empty());
}

TEST(ListingDialogue, RefusedLongFormRetriesPlainListOnTheSameConnection) {
    ScriptedSession s;
    s.server.expectPasv()
        .expect("LIST -la", "500 Unknown option.\r\n")
        .expectSendData("LIST", listing("-rw-r--r-- 1 a b 5 Jan 1 2001 x\r\n"));
    ASSERT_NO_FATAL_FAILURE(s.connect());
    auto entries = s.session->list();
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(entries->size(), 1u);
    EXPECT_EQ(s.session->lastError, 500);
    EXPECT_EQ(s.server.commands(), (Commands{"PASV", "LIST -la", "LIST"}));
}

TEST(ListingDialogue, BothFormsRefusedGiveNoList) {
    ScriptedSession s;
    s.server.expectPort()
        .expect("LIST -la", "500 Unknown option.\r\n")
        .expect("LIST", "550 Permission denied.\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect(false));
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->lastError, 500);
    EXPECT_EQ(s.session->dataSocket(), -1);
}

TEST(ListingDialogue, RefusedOrUnreadablePasvGivesNoListAndKeepsLastError) {
    for (const char* reply : {"500 PASV not understood.\r\n", "227 Entering Passive Mode.\r\n"}) {
        ScriptedSession s;
        s.server.expect("PASV", reply);
        ASSERT_NO_FATAL_FAILURE(s.connect());
        s.session->lastError = 42;
        EXPECT_FALSE(s.session->list().has_value()) << reply;
        EXPECT_EQ(s.session->lastError, 42);
        EXPECT_EQ(s.session->passivePort, 0);
    }
}

TEST(ListingDialogue, PassiveConnectThatFailsLeavesTheSystemErrorCode) {
    const int closedPort = testsupport::freeLoopbackPort();
    ScriptedSession s;
    s.server.expect("PASV", "227 Entering Passive Mode (127,0,0,1," +
                                std::to_string(closedPort / 256) + "," +
                                std::to_string(closedPort % 256) + ")\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->passiveAddress, "127.0.0.1");
    EXPECT_EQ(s.session->passivePort, closedPort);
    EXPECT_EQ(s.session->lastError, ECONNREFUSED);
    EXPECT_EQ(s.session->dataSocket(), -1);
}

TEST(ListingFaults, DataClosedInTheMiddleIsNotAWholeListing) {
    ScriptedSession s;
    auto step = listing(kListing, DataDelivery::CloseMidway);
    step.final = "426 Connection closed; transfer aborted.\r\n";
    s.server.expectPasv().expectSendData("LIST -la", step).expect("NOOP", "200 ok\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->lastError, 426);
    EXPECT_EQ(s.session->checkAlive(), 0);
}

TEST(ListingFaults, ControlConnectionLostAfterTheDataShowsAsMinusOne) {
    ScriptedSession s;
    auto step = listing(kListing);
    step.final = "";
    step.finalDelivery = Delivery::CloseAfter;
    s.server.expectPasv().expectSendData("LIST -la", step);
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->lastError, -1);
}

TEST(ListingFaults, ServerThatStallsInTheMiddleIsGivenUp) {
    ScriptedSession s;
    auto step = listing(kListing, DataDelivery::StallMidway);
    step.final = "426 Connection closed; transfer aborted.\r\n";
    s.server.expectPasv().expectSendData("LIST -la", step).expect("NOOP", "200 ok\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    s.session->dataIdleSeconds = 1;
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->lastError, ETIMEDOUT);
    EXPECT_EQ(s.session->dataSocket(), -1);
    EXPECT_EQ(s.session->checkAlive(), 0);
}

TEST(ActiveMode, ServerThatNeverConnectsFailsCleanlyAndTheDialogueStaysInStep) {
    ScriptedSession s;
    testsupport::DataStep step;
    step.connect = false;
    step.finalDelay = std::chrono::milliseconds(1500);  // past the client's wait
    step.final = "425 Can't open data connection.\r\n";
    s.server.expectPort().expectSendData("LIST -la", step).expect("NOOP", "200 ok\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect(false));
    s.session->acceptWaitSeconds = 1;
    s.session->lastError = 42;
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->dataSocket(), -1);
    EXPECT_EQ(s.session->lastError, 42);
    EXPECT_EQ(s.session->checkAlive(), 0);
}

TEST(ActiveMode, ServerThatAnswersInsteadOfConnectingEndsTheWait) {
    ScriptedSession s;
    testsupport::DataStep step;
    step.connect = false;
    step.final = "425 Can't open data connection.\r\n";
    s.server.expectPort().expectSendData("LIST -la", step).expect("NOOP", "200 ok\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect(false));
    // The default wait would make this test take half a minute if the reply were ignored.
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->checkAlive(), 0);
}

TEST(ActiveMode, RepliesThatArriveTogetherWithOrWithoutTheConnection) {
    {
        // 150 and 425 in one packet: the refusal is already there, nothing to wait for.
        ScriptedSession s;
        testsupport::DataStep step;
        step.connect = false;
        step.preliminary = "150 Here it comes.\r\n425 Can't open data connection.\r\n";
        step.final = "";
        s.server.expectPort().expectSendData("LIST -la", step).expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect(false));
        EXPECT_FALSE(s.session->list().has_value());
        EXPECT_EQ(s.session->checkAlive(), 0);
    }
    {
        // A server that connects and sends everything before its 150 and 226.
        ScriptedSession s;
        s.server.expectPort().expect("LIST -la", "", Delivery::Whole,
                                     [](testsupport::ControlConnection& c) {
                                         ASSERT_TRUE(c.openData());
                                         c.sendData("-rw-r--r-- 1 a b 5 Jan 1 2001 x\r\n");
                                         c.closeData();
                                         c.send("150 ok\r\n226 done\r\n");
                                     });
        s.server.expect("NOOP", "200 ok\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect(false));
        auto entries = s.session->list();
        ASSERT_TRUE(entries.has_value());
        EXPECT_EQ(entries->size(), 1u);
        EXPECT_EQ(s.session->checkAlive(), 0);
    }
}

TEST(ActiveMode, AbortFromAnotherThreadEndsTheWaitForTheServer) {
    ScriptedSession s;
    testsupport::DataStep step;
    step.connect = false;
    step.final = "";
    s.server.expectPort().expectSendData("LIST -la", step);
    ASSERT_NO_FATAL_FAILURE(s.connect(false));

    std::optional<std::vector<ftp::FileEntry>> result{std::vector<ftp::FileEntry>{}};
    std::thread worker([&] { result = s.session->list(); });
    while (s.server.commands().size() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    s.session->abort();
    worker.join();
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(s.session->dataSocket(), -1);
}
