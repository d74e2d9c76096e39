// The reply engine: how reply lines become one code and one text.
#include <gtest/gtest.h>

#include <thread>

#include "ftpsession.h"
#include "recordingsinks.h"
#include "scriptedftpserver.h"

using testsupport::Delivery;
using testsupport::ScriptedFtpServer;

namespace {

int readOne(const std::string& lines, std::string& text, Delivery delivery = Delivery::Whole,
            std::size_t capacity = ftp::FtpSession::kReplyCapacity) {
    ScriptedFtpServer server;
    server.expect("NOOP", lines, delivery);
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    if (session.open() != 1) return -100;
    if (session.sendCommand("NOOP", false) != 1) return -101;
    return session.readReply(text, false, capacity);
}

}  // namespace

TEST(ReplyEngine, SingleLineKeepsBlankAfterCode) {
    std::string text;
    EXPECT_EQ(readOne("230 OK\r\n", text), 230);
    EXPECT_EQ(text, " OK");
}

TEST(ReplyEngine, MultiLineRepliesJoinWithoutSeparators) {
    std::string text;
    EXPECT_EQ(readOne("220-Welcome\r\n220-Second line\r\n indented text\r\n220 Ready\r\n", text),
              220);
    EXPECT_EQ(text, "-Welcome-Second line indented text Ready");
}

TEST(ReplyEngine, NestedDashLinesAndOtherCodesDoNotEndAReply) {
    std::string text;
    // "230-" again and a line with another code inside the reply are text, not the end.
    EXPECT_EQ(readOne("230-a\r\n230-b\r\n150 c\r\n230 d\r\n", text), 230);
    EXPECT_EQ(text, "-a-b c d");

    // The reply ends at the first matching code line; the rest belongs to the next reply.
    ScriptedFtpServer server;
    server.expect("NOOP", "211-x\r\n211 y\r\n200 z\r\n");
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    ASSERT_EQ(session.sendCommand("NOOP", false), 1);
    EXPECT_EQ(session.readReply(text, false), 211);
    EXPECT_EQ(text, "-x y");
    EXPECT_EQ(session.readReply(text, false), 200);
    EXPECT_EQ(text, " z");
}

TEST(ReplyEngine, CodeComesFromTheFirstThreeCharactersOnly) {
    std::string text;
    EXPECT_EQ(readOne("2a0 odd\r\n", text), 20);  // the letter is text, not a digit
    EXPECT_EQ(text, "a odd");
    EXPECT_EQ(readOne("1234 five digits\r\n", text), 123);
    EXPECT_EQ(text, "4 five digits");
    EXPECT_EQ(readOne("no code\r\n", text), 0);
}

TEST(ReplyEngine, BareLineFeedsAndStrayCarriageReturns) {
    std::string text;
    EXPECT_EQ(readOne("200 a\rb\n", text), 200);
    EXPECT_EQ(text, " ab");
}

TEST(ReplyEngine, CapacityCutsOnlyTheTextNotTheReply) {
    std::string text;
    EXPECT_EQ(readOne("250-abcdefgh\r\n250 ijkl\r\n", text, Delivery::Whole, 6), 250);
    EXPECT_EQ(text, "-abcd");
}

TEST(ReplyEngine, LongRepliesAreNotCutByDefault) {
    const std::string words(10000, 'w');
    std::string text;
    EXPECT_EQ(readOne("257 \"" + words + "\"\r\n", text), 257);
    EXPECT_EQ(text.size(), words.size() + 3);
}

TEST(ReplyEngine, RepliesSplitIntoSingleOrSlowBytesAssemble) {
    for (Delivery d : {Delivery::ByteByByte, Delivery::SlowBytes}) {
        ScriptedFtpServer server;
        server.setWelcome("220-Welcome\r\n220 Ready\r\n", d);
        server.expect("NOOP", "230-a\r\n230 b\r\n", d);
        server.start();
        ftp::FtpSession session("127.0.0.1", "u", "p");
        session.port = server.port();
        EXPECT_EQ(session.open(), 1);
        ASSERT_EQ(session.sendCommand("NOOP", false), 1);
        std::string text;
        EXPECT_EQ(session.readReply(text, false), 230);
        EXPECT_EQ(text, "-a b");
    }
}

TEST(ReplyEngine, ServerThatClosesGivesZeroAndLostConnection) {
    std::string text;
    ScriptedFtpServer server;
    server.expect("NOOP", "200-partial\r\n200", Delivery::CloseAfter);
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    ASSERT_EQ(session.sendCommand("NOOP", false), 1);
    EXPECT_EQ(session.readReply(text, false), 0);
    EXPECT_EQ(session.lastError, -1);
}

TEST(ReplyEngine, CloseInTheMiddleOfAReply) {
    std::string text;
    EXPECT_EQ(readOne("226 Transfer complete and more text\r\n", text, Delivery::CloseMidway), 0);
}

TEST(ReplyEngine, AbortEndsAWaitingReadAtOnce) {
    ScriptedFtpServer server;
    server.expect("NOOP", "");  // never answers
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    ASSERT_EQ(session.sendCommand("NOOP", false), 1);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        session.abort();
    });
    std::string text;
    EXPECT_EQ(session.readReply(text, false), 0);
    EXPECT_EQ(session.lastError, -1);
    stopper.join();
    EXPECT_EQ(session.sendCommand("NOOP", false), 0);
}

TEST(ReplyEngine, ShownRepliesReachPaneZero) {
    testsupport::RecordingStatusSink sink;
    ScriptedFtpServer server;
    server.setWelcome("220 Hello there\r\n");
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.setStatusSink(&sink);
    session.port = server.port();
    ASSERT_EQ(session.open(), 1);
    EXPECT_EQ(sink.pane(0), std::vector<std::string>{" Hello there"});
}
