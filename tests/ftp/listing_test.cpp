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

namespace {

const char* const kFeatMlst =
    "211-Features:\r\n MLST type*;size*;modify*;UNIX.mode*;\r\n UTF8\r\n211 End\r\n";
const char* const kFeatMlstUnselected =
    "211-Features:\r\n MLST Type;Size;Modify;Perm;\r\n211 End\r\n";
const char* const kMlsdListing =
    "type=cdir;modify=20240105103000; .\r\n"
    "Type=File;Size=1234;Modify=20240105103000; index.html\r\n"
    "modify=20240105103000;TYPE=dir; pages\r\n"
    "size=7;type=file;modify=20240105103000; ../escape.html\r\n"
    "size=7;type=file;modify=20240105103000; sub/escape.html\r\n";
const char* const kListLine = "-rw-r--r--   1 web  web      1234 Jan  5 10:30 index.html\r\n";

// What one listing through a session that learned its features sends and gets.
struct MachineRow {
    const char* what;
    std::string feat;
    bool machineListing;
    // The script after FEAT, each command with its reply; a reply of "" sends listing data.
    std::vector<std::pair<std::string, std::string>> script;
    std::string data;
    Commands names;    // of the entries that are entries
    int listings = 1;  // list() called this often
};

void expectMachineRow(const MachineRow& row) {
    ScriptedSession s;
    s.server.expect("FEAT", row.feat);
    for (int i = 0; i < row.listings; ++i)
        for (const auto& [command, reply] : row.script) {
            if (command == "PASV")
                s.server.expectPasv();
            else if (reply.empty())
                s.server.expectSendData(command, listing(row.data));
            else
                s.server.expect(command, reply);
        }
    ASSERT_NO_FATAL_FAILURE(s.connect());
    s.session->machineListing = row.machineListing;
    ASSERT_EQ(s.session->learnFeatures(), 1) << row.what;
    for (int i = 0; i < row.listings; ++i) {
        auto entries = s.session->list();
        ASSERT_TRUE(entries.has_value()) << row.what;
        Commands names;
        for (const auto& e : *entries)
            if (e.kind != ftp::FileEntry::NotAnEntry) names.push_back(e.name);
        EXPECT_EQ(names, row.names) << row.what;
    }
    EXPECT_TRUE(s.server.mismatches().empty()) << row.what;
    EXPECT_TRUE(s.server.scriptDone()) << row.what;
}

}  // namespace

TEST(MachineListing, WhatTheServerOffersDecidesTheCommand) {
    const Commands mlsdNames = {"index.html", "pages"};
    const Commands listNames = {"index.html"};
    const std::vector<MachineRow> rows = {
        {"MLST offered with its facts selected: MLSD, no OPTS",
         kFeatMlst,
         true,
         {{"OPTS UTF8 ON", "200 ok\r\n"}, {"PASV", ""}, {"MLSD", ""}},
         kMlsdListing,
         mlsdNames},
        {"facts not selected: one OPTS MLST for the session, in the server's spelling",
         kFeatMlstUnselected,
         true,
         {{"OPTS MLST Type;Size;Modify;", "200 MLST OPTS Type;Size;Modify;\r\n"},
          {"PASV", ""},
          {"MLSD", ""}},
         kMlsdListing,
         mlsdNames},
        {"OPTS MLST refused: MLSD all the same",
         kFeatMlstUnselected,
         true,
         {{"OPTS MLST Type;Size;Modify;", "501 No.\r\n"}, {"PASV", ""}, {"MLSD", ""}},
         kMlsdListing,
         mlsdNames},
        {"OPTS UTF8 refused: the session goes on",
         kFeatMlst,
         true,
         {{"OPTS UTF8 ON", "501 Not understood.\r\n"}, {"PASV", ""}, {"MLSD", ""}},
         kMlsdListing,
         mlsdNames},
        {"FEAT refused: LIST as ever",
         "500 Unknown command.\r\n",
         true,
         {{"PASV", ""}, {"LIST -la", ""}},
         kListLine,
         listNames},
        {"FEAT without MLST: LIST",
         "211-Features:\r\n SIZE\r\n211 End\r\n",
         true,
         {{"PASV", ""}, {"LIST -la", ""}},
         kListLine,
         listNames},
        {"the profile forces LIST",
         kFeatMlstUnselected,
         false,
         {{"PASV", ""}, {"LIST -la", ""}},
         kListLine,
         listNames},
    };
    for (const MachineRow& row : rows)
        ASSERT_NO_FATAL_FAILURE(expectMachineRow(row));
}

TEST(MachineListing, RefusedMlsdFallsBackToListForTheRestOfTheSession) {
    ScriptedSession s;
    s.server.expect("FEAT", kFeatMlst)
        .expect("OPTS UTF8 ON", "200 ok\r\n")
        .expectPasv()
        .expect("MLSD", "500 Unknown command.\r\n")
        .expectPasv()
        .expectSendData("LIST -la", listing(kListLine))
        .expectPasv()
        .expectSendData("LIST -la", listing(kListLine));
    ASSERT_NO_FATAL_FAILURE(s.connect());
    ASSERT_EQ(s.session->learnFeatures(), 1);
    for (int i = 0; i < 2; ++i) {
        auto entries = s.session->list();
        ASSERT_TRUE(entries.has_value());
        ASSERT_EQ(entries->size(), 1u);
        EXPECT_EQ((*entries)[0].name, "index.html");
    }
    EXPECT_TRUE(s.server.mismatches().empty());
}

TEST(MachineListing, MlsdThatFailsOtherwiseIsNotGivenUp) {
    ScriptedSession s;
    s.server.expect("FEAT", kFeatMlst)
        .expect("OPTS UTF8 ON", "200 ok\r\n")
        .expectPasv()
        .expect("MLSD", "425 Can't open data connection.\r\n")
        .expectPasv()
        .expectSendData("MLSD", listing(kMlsdListing));
    ASSERT_NO_FATAL_FAILURE(s.connect());
    ASSERT_EQ(s.session->learnFeatures(), 1);
    EXPECT_FALSE(s.session->list().has_value());
    EXPECT_EQ(s.session->lastError, 425);
    EXPECT_TRUE(s.session->list().has_value());
    EXPECT_TRUE(s.server.mismatches().empty());
}

TEST(NamesEncoding, ListingsAndTheProfileDecideIt) {
    using ftp::NameEncoding;
    const std::string gbk = "-rw-r--r--   1 web  web  4 Jan  5 10:30 \xd6\xd0\xce\xc4.txt\r\n";
    const std::string utf8 = "-rw-r--r--   1 web  web  4 Jan  5 10:30 \xe4\xb8\xad.txt\r\n";
    struct Row {
        const char* what;
        NameEncoding chosen;
        std::string feat;
        std::vector<std::string> listings;
        NameEncoding after;
    } rows[] = {
        {"automatic, GBK names",
         NameEncoding::Automatic,
         "500 no\r\n",
         {gbk},
         NameEncoding::Gb18030},
        {"automatic, UTF-8 names",
         NameEncoding::Automatic,
         "500 no\r\n",
         {utf8},
         NameEncoding::Utf8},
        {"automatic keeps GB18030 in a folder of ASCII names",
         NameEncoding::Automatic,
         "500 no\r\n",
         {gbk, kListLine},
         NameEncoding::Gb18030},
        {"automatic, server offers UTF8",
         NameEncoding::Automatic,
         "211-Features:\r\n UTF8\r\n211 End\r\n",
         {gbk},
         NameEncoding::Utf8},
        {"GB18030 chosen",
         NameEncoding::Gb18030,
         "211-Features:\r\n UTF8\r\n211 End\r\n",
         {utf8},
         NameEncoding::Gb18030},
    };
    for (const Row& row : rows) {
        ScriptedSession s;
        s.server.expect("FEAT", row.feat);
        if (row.feat.find("UTF8") != std::string::npos && row.chosen != NameEncoding::Gb18030)
            s.server.expect("OPTS UTF8 ON", "200 ok\r\n");
        for (const std::string& data : row.listings)
            s.server.expectPasv().expectSendData("LIST -la", listing(data));
        ASSERT_NO_FATAL_FAILURE(s.connect());
        s.session->nameEncoding = row.chosen;
        ASSERT_EQ(s.session->learnFeatures(), 1);
        for (std::size_t i = 0; i < row.listings.size(); ++i)
            ASSERT_TRUE(s.session->list().has_value()) << row.what;
        EXPECT_EQ(s.session->namesEncoding(), row.after) << row.what;
        EXPECT_TRUE(s.server.mismatches().empty()) << row.what;
    }
}

TEST(NamesEncoding, StatusBarReadsCommandsAndRepliesInTheServersEncoding) {
    ScriptedSession s;
    s.server.expect("DELE \xd6\xd0\xce\xc4.txt", "250 \xd6\xd0\xce\xc4.txt deleted.\r\n");
    ASSERT_NO_FATAL_FAILURE(s.connect());
    s.session->nameEncoding = ftp::NameEncoding::Gb18030;
    EXPECT_EQ(s.session->deleteFile("\xd6\xd0\xce\xc4.txt"), 1);
    EXPECT_EQ(s.status.pane(0),
              (Commands{" Scripted server ready.", "DELE 中文.txt", " 中文.txt deleted."}));
}
