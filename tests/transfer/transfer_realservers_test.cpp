// A real tree published to pyftpdlib and vsftpd and fetched back into an empty folder:
// the same tree, byte for byte; and a partial upload completed.
#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "jobtestfixture.h"
#include "localpaths.h"
#include "realftpservers.h"
#include "recordingsinks.h"
#include "testfiles.h"
#include "transfermode.h"

namespace fs = std::filesystem;
using testsupport::randomBytes;
using testsupport::RealFtpServer;

namespace {

class RealServerTransfer : public JobTest, public ::testing::WithParamInterface<const char*> {
protected:
    std::unique_ptr<ftp::FtpSession> login(RealFtpServer& server) {
        auto session =
            std::make_unique<ftp::FtpSession>("127.0.0.1", server.user(), server.password());
        session->port = server.port();
        session->passive = true;
        EXPECT_EQ(session->open(), 1) << server.log();
        EXPECT_EQ(session->login("127.0.0.1", server.user(), server.password()), 230);
        return session;
    }
};

// Every file and folder below root, with the contents of the files.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            tree[relative + "/"] = "";
        } else {
            tree[relative] = testsupport::readFile(entry.path());
        }
    }
    return tree;
}

}  // namespace

TEST_P(RealServerTransfer, TreeRoundTripIsByteExact) {
    auto server = testsupport::makeRealServer(GetParam(), RealFtpServer::Login::User);
    ASSERT_TRUE(server->start()) << server->error();

    file("site/index.html", "<html>\r\n<body>hello</body>\n</html>\n");
    file("site/my page.html", "blanks in the name\n");
    file("site/文件/说明.txt", "中文内容\n");
    file("site/empty.txt", "");
    file("site/assets/big.bin", randomBytes(5 * 1024 * 1024));
    file("site/assets/css/style.css", "body { color: #333; }\n");
    fs::create_directories(root_ / "site" / "empty folder");
    const auto before = snapshot(root_ / "site");

    auto session = login(*server);
    transfer::JobSettings up =
        settings({{"site", true, ftp::EntryType::Directory, {}}}, transfer::TransferMode::Binary);
    job_.startUpload(*session, up);
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(host_.prompts_.asked().empty()) << host_.prompts_.askedIds().front();
    EXPECT_EQ(snapshot(fs::path(server->root()) / "site"), before);

    fs::create_directories(root_ / "back");
    transfer::JobSettings down =
        settings({{"site", true, ftp::EntryType::Directory, {}}}, transfer::TransferMode::Binary);
    down.localPath = (root_ / "back").string() + "/";
    job_.startDownload(*session, down);
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(host_.prompts_.asked().empty());
    EXPECT_EQ(snapshot(root_ / "back" / "site"), before);
    session->close();
}

TEST_P(RealServerTransfer, FolderWhereTheServerHasAFileIsSkippedAndNamed) {
    auto server = testsupport::makeRealServer(GetParam(), RealFtpServer::Login::User);
    ASSERT_TRUE(server->start()) << server->error();
    const fs::path remote = fs::path(server->root()) / "www";
    fs::create_directories(remote);
    std::ofstream(remote / "blog") << "a file, not a folder\n";
    server->ownByLogin(remote.string());

    file("www/blog/index.html", "the blog's own page\n");
    file("www/index.html", "the site's page\n");
    auto session = login(*server);
    job_.startUpload(*session, settings({{"www", true, ftp::EntryType::Directory, {}}},
                                        transfer::TransferMode::Binary));
    ASSERT_TRUE(waitForEnd());
    session->close();

    EXPECT_TRUE(host_.prompts_.asked().empty()) << host_.prompts_.askedIds().front();
    const auto skipped = host_.only("status 0 1292 ");
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_TRUE(skipped[0].ends_with("/www/blog")) << skipped[0];
    EXPECT_EQ(snapshot(remote),
              (std::map<std::string, std::string>{{"blog", "a file, not a folder\n"},
                                                  {"index.html", "the site's page\n"}}));
    EXPECT_FALSE(fs::exists(fs::path(server->root()) / "index.html"));
}

// A later window finds the partial copy an earlier one left and sends only the rest; the
// server's copy is then the local file, as verification confirms.
TEST_P(RealServerTransfer, UploadLeftPartialByAnEarlierWindowIsCompletedByteExact) {
    auto server = testsupport::makeRealServer(GetParam(), RealFtpServer::Login::User);
    ASSERT_TRUE(server->start()) << server->error();
    const std::string whole = randomBytes(3 * 1024 * 1024, 21);
    file("big.bin", whole);
    const fs::path remote = fs::path(server->root()) / "big.bin";
    testsupport::writeFile(remote, whole.substr(0, 1024 * 1024));
    server->ownByLogin(remote.string());

    auto session = login(*server);
    ASSERT_EQ(session->learnFeatures(), 1);
    testsupport::RecordingStatusSink trace;
    session->setStatusSink(&trace);
    std::string directory;
    ASSERT_EQ(session->currentDirectory(directory), 1);
    transfer::JobSettings up =
        settings({{"big.bin", false, ftp::EntryType::File, {}}}, transfer::TransferMode::Binary);
    up.serverName = "127.0.0.1";
    up.serverPort = server->port();
    up.serverUser = server->user();
    up.verify = true;
    struct stat st {};
    ASSERT_EQ(::stat((root_ / "big.bin").c_str(), &st), 0);
    transfer::PartialUploadStore earlier;
    earlier.open(store());
    earlier.remember({up.serverName, up.serverPort, up.serverUser},
                     transfer::childPath(directory, "big.bin"),
                     {(root_ / "big.bin").string(), st.st_size,
                      st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec});

    job_.startUpload(*session, up);
    ASSERT_TRUE(waitForEnd());
    session->close();
    EXPECT_TRUE(host_.prompts_.asked().empty());
    const auto shown = trace.pane(0);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "REST 1048576"), shown.end());
    EXPECT_TRUE(testsupport::readFile(remote) == whole);
    ASSERT_EQ(job_.report().entries().size(), 1u);
    EXPECT_FALSE(job_.report().entries()[0].how.empty()) << "verified";
    transfer::PartialUploadStore after;
    after.open(store());
    EXPECT_TRUE(after.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTransfer, ::testing::Values("pyftpdlib", "vsftpd"),
                         [](const auto& info) { return std::string(info.param); });
