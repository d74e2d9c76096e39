// Checking a transferred file: the readings of the server's answers, the local hashes, and
// the dialogue against the scripted server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "scriptedsession.h"
#include "testfiles.h"
#include "verification.h"

using ftp::HashAlgorithm;
using ftp::HashCommand;
using Commands = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

const HashCommand kXsha256{"XSHA256", HashAlgorithm::Sha256, false};
const HashCommand kXmd5{"XMD5", HashAlgorithm::Md5, false};
const HashCommand kXcrc{"XCRC", HashAlgorithm::Crc32, false};
const HashCommand kHashSha256{"HASH", HashAlgorithm::Sha256, true};

// "abc" under each algorithm.
const std::string kAbcSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kAbcMd5 = "900150983cd24fb0d6963f7d28e17f72";
const std::string kAbcSha1 = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string kAbcCrc = "352441c2";

}  // namespace

TEST(HashReply, TheHashIsFoundInEachServersShape) {
    struct Row {
        const char* what;
        HashCommand command;
        std::string text;
        std::string hash;
    };
    const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    const Row rows[] = {
        {"bare hash", kXsha256, " " + kAbcSha256, kAbcSha256},
        {"upper case is read as lower", kXsha256, " " + upper, kAbcSha256},
        {"name after the hash", kXsha256, " " + kAbcSha256 + " a b.txt", kAbcSha256},
        {"name before the hash", kXmd5, " a.txt " + kAbcMd5, kAbcMd5},
        {"wrong length for the algorithm", kXmd5, " " + kAbcSha256, ""},
        {"no hash at all", kXsha256, " File not found.", ""},
        {"CRC without its leading zero", kXcrc, " 52441c2", "052441c2"},
        {"HASH: algorithm, range, hash, name with blanks", kHashSha256,
         " SHA-256 0-3 " + kAbcSha256 + " my file.txt", kAbcSha256},
        {"HASH naming another algorithm", kHashSha256, " MD5 0-3 " + kAbcMd5 + " f", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ftp::parseHashReply(row.command, row.text), row.hash) << row.what;
}

TEST(SizeReply, SizeAndMlstFacts) {
    EXPECT_EQ(ftp::parseSizeReply(" 1234"), 1234);
    EXPECT_EQ(ftp::parseSizeReply(" 5368709120"), 5368709120LL);
    EXPECT_EQ(ftp::parseSizeReply(" Could not get file size."), -1);
    EXPECT_EQ(ftp::parseSizeReply(" 12abc"), -1);
    EXPECT_EQ(ftp::parseMlstSize("250-Listing a\n type=file;Size=77;modify=2020; a b\n250 End\n"),
              77);
    EXPECT_EQ(ftp::parseMlstSize("250-Listing a\n type=file;sizd=1; a\n250 End\n"), -1);
    // A name holding "size=" is not a fact.
    EXPECT_EQ(ftp::parseMlstSize("250-x\n type=file; size=9\n250 End\n"), -1);
}

TEST(HashChoice, StrongestOfferedFirstElseTheProbes) {
    ftp::Features features;
    EXPECT_FALSE(ftp::chooseHashCommand(features));
    features.offered.push_back({"XMD5", ""});
    features.offered.push_back({"XCRC", ""});
    EXPECT_EQ(ftp::chooseHashCommand(features)->verb, "XMD5");
    features.hashAlgorithms = {"CRC32", "SHA-1", "SHA-256"};
    const auto chosen = ftp::chooseHashCommand(features);
    EXPECT_EQ(chosen->verb, "HASH");
    EXPECT_EQ(chosen->algorithm, HashAlgorithm::Sha256);
    ASSERT_EQ(ftp::probedHashCommands().size(), 4u);
    EXPECT_EQ(ftp::probedHashCommands()[0].verb, "XSHA256");
}

TEST(LocalHash, KnownValuesOfEachAlgorithm) {
    const fs::path file = fs::temp_directory_path() / ("trandel-hash-" + std::to_string(getpid()));
    testsupport::writeFile(file, "abc");
    const std::pair<HashAlgorithm, std::string> rows[] = {{HashAlgorithm::Sha256, kAbcSha256},
                                                          {HashAlgorithm::Sha1, kAbcSha1},
                                                          {HashAlgorithm::Md5, kAbcMd5},
                                                          {HashAlgorithm::Crc32, kAbcCrc}};
    std::string hex;
    for (const auto& [algorithm, expected] : rows) {
        EXPECT_EQ(ftp::hashLocalFile(file, algorithm, hex), 0);
        EXPECT_EQ(hex, expected) << ftp::hashName(algorithm);
    }
    // A hash nobody will read any more stops before reading.
    const std::atomic<bool> stop{true};
    EXPECT_EQ(ftp::hashLocalFile(file, HashAlgorithm::Sha256, hex, &stop), ECANCELED);
    fs::remove(file);
    EXPECT_EQ(ftp::hashLocalFile(file, HashAlgorithm::Md5, hex), ENOENT);
}

namespace {

struct Step {
    std::string command;
    std::string reply;
};
struct Row {
    const char* what;
    std::string feat;  // FEAT reply
    std::vector<Step> steps;
    int result;
    int lastError;
    bool sizeChecked;
    std::string hash;
    int repeats = 1;  // verifications in one session: what is learnt is remembered
    // Text mode: the local file is "a\nb\n" (6 bytes on the wire), not "abc".
    ftp::LineEnds lineEnds = {};
};
// "a\nb\n" as stored, and as a text-mode transfer carries it ("a\r\nb\r\n").
const std::string kTextMd5 = "dd8c6a395b5dd36c56d23275028f526c";
const std::string kWireMd5 = "59b0d7772f0561efb95518f3cb8abc60";
const ftp::LineEnds kUpload{ftp::LineEnds::TextUpload};
// A download; the wire carried "a\r\nb\n" from a server that sends what it stores.
const ftp::LineEnds kDownload{ftp::LineEnds::TextDownload, 5};

const std::string noFeat = "500 no\r\n";
const std::string mlst = "211-Features:\r\n MLST type*;size*;\r\n211 End\r\n";
const std::string hashFeat = "211-Features:\r\n HASH SHA-1*;SHA-256\r\n211 End\r\n";
const std::string xmd5Feat = "211-Features:\r\n XMD5\r\n SIZE\r\n211 End\r\n";
const Row kVerifyRows[] = {
    {"size agrees; hash commands probed once, all refused",
     noFeat,
     {{"SIZE f", "213 3\r\n"},
      {"XSHA256 f", "500 ?\r\n"},
      {"XSHA1 f", "500 ?\r\n"},
      {"XMD5 f", "502 ?\r\n"},
      {"XCRC f", "500 ?\r\n"},
      {"SIZE f", "213 3\r\n"}},
     1,
     0,
     true,
     "",
     2},
    {"wrong size after 226", noFeat, {{"SIZE f", "213 2\r\n"}}, 0, 904, false, ""},
    {"no such file on the server", noFeat, {{"SIZE f", "550 No file\r\n"}}, 0, 904, false, ""},
    {"SIZE refused once, never asked again; a probed hash is kept",
     noFeat,
     {{"SIZE f", "500 ?\r\n"},
      {"XSHA256 f", "213 " + kAbcSha256 + "\r\n"},
      {"XSHA256 f", "213 " + kAbcSha256 + "\r\n"}},
     1,
     0,
     false,
     "SHA-256",
     2},
    {"wrong hash",
     xmd5Feat,
     {{"SIZE f", "213 3\r\n"}, {"XMD5 f", "250 " + std::string(32, 'e') + "\r\n"}},
     0,
     904,
     true,
     ""},
    {"hash from FEAT agrees",
     xmd5Feat,
     {{"SIZE f", "213 3\r\n"}, {"XMD5 f", "250 " + kAbcMd5 + "\r\n"}},
     1,
     0,
     true,
     "MD5"},
    {"HASH chosen with OPTS HASH",
     hashFeat,
     {{"SIZE f", "213 3\r\n"},
      {"OPTS HASH SHA-256", "200 SHA-256\r\n"},
      {"HASH f", "213 SHA-256 0-3 " + kAbcSha256 + " f\r\n"}},
     1,
     0,
     true,
     "SHA-256"},
    {"MLST gives the size when offered",
     mlst,
     {{"MLST f", "250-Listing f\r\n type=file;size=3; f\r\n250 End\r\n"},
      {"XSHA256 f", "500 ?\r\n"},
      {"XSHA1 f", "500 ?\r\n"},
      {"XMD5 f", "500 ?\r\n"},
      {"XCRC f", "500 ?\r\n"}},
     1,
     0,
     true,
     ""},
    {"connection lost while asking", noFeat, {{"SIZE f", ""}}, 0, -1, false, ""},
    // Text mode: the server keeps the local bytes or the wire's, and either is the file.
    {"text stored with LF",
     xmd5Feat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 4\r\n"}, {"XMD5 f", "250 " + kTextMd5 + "\r\n"}},
     1,
     0,
     true,
     "MD5",
     1,
     kUpload},
    {"text stored as sent, with CR LF",
     xmd5Feat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 6\r\n"}, {"XMD5 f", "250 " + kWireMd5 + "\r\n"}},
     1,
     0,
     true,
     "MD5",
     1,
     kUpload},
    {"text stored as sent, but the hash is the local bytes'",
     xmd5Feat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 6\r\n"}, {"XMD5 f", "250 " + kTextMd5 + "\r\n"}},
     0,
     904,
     true,
     "",
     1,
     kUpload},
    {"text of neither size (mixed line ends cannot come from an upload)",
     noFeat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 5\r\n"}},
     0,
     904,
     false,
     "",
     1,
     kUpload},
    {"text without a size: either hash",
     xmd5Feat,
     {{"TYPE I", "504 no\r\n"}, {"XMD5 f", "250 " + kWireMd5 + "\r\n"}},
     1,
     0,
     false,
     "MD5",
     1,
     kUpload},
    // Downloads: the local file has LF, the server's copy either form.
    {"text download from a server storing LF",
     xmd5Feat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 4\r\n"}, {"XMD5 f", "250 " + kTextMd5 + "\r\n"}},
     1,
     0,
     true,
     "MD5",
     1,
     kDownload},
    {"text download from a server storing CR LF",
     xmd5Feat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 6\r\n"}, {"XMD5 f", "250 " + kWireMd5 + "\r\n"}},
     1,
     0,
     true,
     "MD5",
     1,
     kDownload},
    {"mixed line ends on the server: received, nothing compared",
     xmd5Feat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 5\r\n"}},
     1,
     0,
     false,
     "",
     1,
     kDownload},
    {"a size between the forms, but fewer bytes came: cut short",
     noFeat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 5\r\n"}},
     0,
     904,
     false,
     "",
     1,
     {ftp::LineEnds::TextDownload, 4}},
    {"text download larger than either form",
     noFeat,
     {{"TYPE I", "200 ok\r\n"}, {"SIZE f", "213 7\r\n"}},
     0,
     904,
     false,
     "",
     1,
     kDownload},
};

}  // namespace

// One scripted dialogue after an upload of "abc" as "f": what was asked, and the result.
TEST(VerifyFile, DialogueAndOutcome) {
    const fs::path file =
        fs::temp_directory_path() / ("trandel-verify-" + std::to_string(getpid()));
    for (const Row& row : kVerifyRows) {
        SCOPED_TRACE(row.what);
        const bool text = row.lineEnds.mode != ftp::LineEnds::Binary;
        testsupport::writeFile(file, text ? "a\nb\n" : "abc");
        ScriptedSession s;
        s.server.expect("FEAT", row.feat);
        for (const Step& step : row.steps)
            s.server.expect(step.command, step.reply,
                            step.reply.empty() ? testsupport::Delivery::CloseAfter
                                               : testsupport::Delivery::Whole);
        ASSERT_NO_FATAL_FAILURE(s.connect());
        ASSERT_EQ(s.session->learnFeatures(), 1);
        ftp::Verification how;
        int result = 0;
        for (int i = 0; i < row.repeats; ++i)
            result = s.session->verifyFile(file, "f", true, how, row.lineEnds);
        EXPECT_EQ(result, row.result);
        if (row.result == 0) {
            EXPECT_EQ(s.session->lastError, row.lastError);
        }
        EXPECT_EQ(how.sizeChecked, row.sizeChecked);
        EXPECT_EQ(how.hash, row.hash);
        EXPECT_TRUE(s.server.mismatches().empty());
        EXPECT_TRUE(s.server.scriptDone());
    }
    fs::remove(file);
}
