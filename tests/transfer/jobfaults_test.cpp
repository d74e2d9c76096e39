// Faults as a table: what a job sends to the scripted server, what it says and what it
// leaves, for folders the server will not enter, special files, names with line breaks,
// refused and short files, a lost connection and a stop.
#include <sys/stat.h>

#include <optional>

#include "jobtestfixture.h"
#include "transfermode.h"

using testsupport::DataStep;
using testsupport::Delivery;
using testsupport::ScriptedFtpServer;
using transfer::TransferItem;
using Commands = std::vector<std::string>;
using namespace jobsteps;

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
    transfer::TransferMode mode = transfer::TransferMode::Automatic;
    std::size_t stopAfter = 0;  // > 0: stop() once the server has seen this many commands
    bool verify = false;        // files are checked against the server's size and hash
    Commands trashed = {};      // "name=contents" of the files moved to the trash
    Commands report = {};       // the job's record, "kind path how-or-reason", when it matters
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

std::string argText(const platform::MessageArg& arg) {
    return std::visit(
        [](const auto& v) {
            std::ostringstream s;
            s << v;
            return s.str();
        },
        arg);
}

// The SHA-256 of "abc", as a server answers XSHA256.
const std::string kAbcSha256 =
    "213 ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\r\n";

// The SHA-256 of "a\r\nb\r\n".
constexpr const char* kCrLfSha256 =
    "58055bdcc73787eb88c78d36f0b4939e9c5dc1c3ad17e25cc85a6833cf1a0cab";

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

const std::vector<FaultCase> kFaultCases = {
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
     {{"f.bin", false, ftp::EntryType::File, {}, 10}, remoteFile("g.bin")},
     {},
     {"1293 f.bin"},
     {},
     {{"f.bin", std::nullopt}},
     {},
     {},
     transfer::TransferMode::Binary},
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
     transfer::TransferMode::Binary},
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
     transfer::TransferMode::Automatic,
     5,
     false,
     {},
     {"failed /site/a.txt 1392", "partial /site/a.txt"}},
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
     transfer::TransferMode::Binary,
     4},
    {"UploadWithAWrongSizeIsSentTwiceThenFails",
     true,
     {"a.bin=abc"},
     [](ScriptedFtpServer& s) {
         s.expect("PWD", pwd("/site"));
         for (int i = 0; i < 2; ++i) {
             stor(s, "I", "a.bin");
             s.expect("SIZE a.bin", "213 2\r\n");
         }
     },
     {localFile("a.bin")},
     {},
     {"1380 a.bin"},
     {"abc", "abc"},
     {},
     {},
     {},
     transfer::TransferMode::Binary,
     0,
     true,
     {},
     {"failed /site/a.bin 1380"}},
    {"UploadWithAWrongHashIsSentAgainAndThenAgrees",
     true,
     {"a.bin=abc", "b.txt=text"},
     [](ScriptedFtpServer& s) {
         s.expect("PWD", pwd("/site"));
         stor(s, "I", "a.bin");
         s.expect("SIZE a.bin", "213 3\r\n")
             .expect("XSHA256 a.bin", "213 " + std::string(64, 'e') + "\r\n");
         stor(s, "I", "a.bin");
         s.expect("SIZE a.bin", "213 3\r\n").expect("XSHA256 a.bin", kAbcSha256);
         stor(s, "A", "b.txt");  // text mode: compared in binary, as stored
         s.expect("TYPE I", "200 ok\r\n").expect("SIZE b.txt", "213 4\r\n");
         s.expect("XSHA256 b.txt",
                  "213 982d9e3eb996f559e633f4d194def3761d909f5a3b647d1a851fead67c32c9d1\r\n");
     },
     {localFile("a.bin"), localFile("b.txt")},
     {},
     {},
     {"abc", "abc", "text"},
     {},
     {},
     {},
     transfer::TransferMode::Automatic,
     0,
     true,
     {},
     {"sent /site/a.bin SHA-256", "sent /site/b.txt SHA-256"}},
    {"DownloadThatReplacesALocalFileMovesItToTheTrash",
     false,
     {"a.bin=old"},
     [](ScriptedFtpServer& s) {
         s.expect("PWD", pwd("/pub"));
         retr(s, "I", "a.bin", "new");
         s.expect("SIZE a.bin", "213 3\r\n");
         hashProbesRefused(s, "a.bin");
     },
     {remoteFile("a.bin")},
     {},
     {},
     {},
     {{"a.bin", "new"}, {".a.bin.part", std::nullopt}},
     {},
     {},
     transfer::TransferMode::Binary,
     0,
     true,
     {"a.bin=old"},
     {"sent @/a.bin size"}},
    {"DownloadWithAWrongHashLeavesTheLocalFileAsItWas",
     false,
     {"a.bin=old"},
     [](ScriptedFtpServer& s) {
         s.expect("PWD", pwd("/pub"));
         for (int i = 0; i < 2; ++i) {
             retr(s, "I", "a.bin", "new");
             s.expect("SIZE a.bin", "213 3\r\n").expect("XSHA256 a.bin", kAbcSha256);
         }
     },
     {remoteFile("a.bin")},
     {},
     {"1380 a.bin"},
     {},
     {{"a.bin", "old"}, {".a.bin.part", std::nullopt}},
     {},
     {},
     transfer::TransferMode::Binary,
     0,
     true,
     {},
     {"failed @/a.bin 1380"}},
    {"TextDownloadsAreCheckedAsStoredAndMixedLineEndsGoUnchecked",
     false,
     {},
     [](ScriptedFtpServer& s) {
         s.expect("PWD", pwd("/pub"));
         retr(s, "A", "b.txt", "a\r\nb\r\n");  // stored with CR LF, sent as stored
         s.expect("TYPE I", "200 ok\r\n").expect("SIZE b.txt", "213 6\r\n");
         s.expect("XSHA256 b.txt", "213 " + std::string(kCrLfSha256) + "\r\n");
         retr(s, "A", "c.txt", "a\r\nb\n");
         s.expect("TYPE I", "200 ok\r\n").expect("SIZE c.txt", "213 5\r\n");
     },
     {remoteFile("b.txt"), remoteFile("c.txt")},
     {},
     {},
     {},
     {{"b.txt", "a\nb\n"}, {"c.txt", "a\nb\n"}},
     {},
     {},
     transfer::TransferMode::Automatic,
     0,
     true,
     {},
     {"sent @/b.txt SHA-256", "sent @/c.txt -"}},
    {"TextDownloadOfNeitherSizeIsFetchedTwiceThenFails",
     false,
     {},
     [](ScriptedFtpServer& s) {
         s.expect("PWD", pwd("/pub"));
         for (int i = 0; i < 2; ++i) {
             retr(s, "A", "b.txt", "a\r\nb\r\n");
             s.expect("TYPE I", "200 ok\r\n").expect("SIZE b.txt", "213 9\r\n");
         }
     },
     {remoteFile("b.txt")},
     {},
     {"1380 b.txt"},
     {},
     {{"b.txt", std::nullopt}, {".b.txt.part", std::nullopt}},
     {},
     {},
     transfer::TransferMode::Automatic,
     0,
     true,
     {},
     {"failed @/b.txt 1380"}},
};

class JobFaults : public JobTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    void makeLocal(const std::string& entry) {
        if (entry.back() == '/') {
            std::filesystem::create_directories(root_ / entry);
        } else if (entry.back() == '|') {
            const auto path = root_ / entry.substr(0, entry.size() - 1);
            std::filesystem::create_directories(path.parent_path());
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        } else {
            const auto eq = entry.find('=');
            file(entry.substr(0, eq), entry.substr(eq + 1));
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
    for (const auto& entry : c.local)
        makeLocal(entry);
    ScriptedFtpServer server;
    if (c.upload) server.expect("NOOP", "200 ok\r\n");
    c.script(server);
    auto session = openSession(server);
    transfer::JobSettings s = settings(c.items, c.mode);
    s.verify = c.verify;
    if (c.upload)
        job_.startUpload(*session, std::move(s));
    else
        job_.startDownload(*session, std::move(s));
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
    Commands trashed;
    if (std::filesystem::exists(trash()))
        for (const auto& entry : std::filesystem::directory_iterator(trash()))
            trashed.push_back(entry.path().filename().string() + "=" +
                              testsupport::readFile(entry.path()));
    EXPECT_EQ(trashed, c.trashed);
    if (!c.report.empty()) {
        static const char* const kKinds[] = {"sent", "skipped", "failed", "partial"};
        Commands report;
        for (const auto& e : job_.report().entries()) {
            std::string line = kKinds[static_cast<int>(e.kind)] + std::string(" ") + e.path;
            if (e.kind == transfer::PublishReport::Kind::Sent)
                line += " " + (e.how.empty() ? std::string("-") : e.how);
            else if (e.reason != 0)
                line += " " + std::to_string(e.reason);
            report.push_back(line);
        }
        EXPECT_EQ(seen(report), c.report);
    }
    if (!c.lastCalls.empty()) {
        EXPECT_EQ(Commands(host_.calls.end() - static_cast<std::ptrdiff_t>(c.lastCalls.size()),
                           host_.calls.end()),
                  c.lastCalls);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, JobFaults, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return info.param.name; });
