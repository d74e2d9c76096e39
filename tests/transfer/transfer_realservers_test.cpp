// A real tree published to pyftpdlib and vsftpd and fetched back into an empty folder:
// the same tree, byte for byte.
#include <map>

#include "jobtestfixture.h"
#include "realftpservers.h"
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
        settings({{"site", true, ftp::EntryType::Directory, {}}}, transfer::Binary);
    job_.startUpload(*session, up);
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(host_.prompts_.asked().empty()) << host_.prompts_.askedIds().front();
    EXPECT_EQ(snapshot(fs::path(server->root()) / "site"), before);

    fs::create_directories(root_ / "back");
    transfer::JobSettings down =
        settings({{"site", true, ftp::EntryType::Directory, {}}}, transfer::Binary);
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
    job_.startUpload(*session,
                     settings({{"www", true, ftp::EntryType::Directory, {}}}, transfer::Binary));
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

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTransfer, ::testing::Values("pyftpdlib", "vsftpd"),
                         [](const auto& info) { return std::string(info.param); });
