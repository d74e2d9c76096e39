// The server pane's commands against real servers: the server's tree on disk is what the
// commands said.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ftpsession.h"
#include "permissions.h"
#include "realftpservers.h"
#include "remotecommands.h"
#include "scriptedprompts.h"

namespace fs = std::filesystem;
using testsupport::RealFtpServer;
using transfer::RemoteOutcome;

class RealServerCommands : public ::testing::TestWithParam<const char*> {
protected:
    // Passive, as the server's own user.
    static void logIn(ftp::FtpSession& session, RealFtpServer& server) {
        session.port = server.port();
        session.passive = true;
        ASSERT_EQ(session.open(), 1) << server.log();
        ASSERT_EQ(session.login("127.0.0.1", server.user(), server.password()), 230);
    }
};

TEST_P(RealServerCommands, MakeRenameAndDeleteATree) {
    auto server = testsupport::makeRealServer(GetParam(), RealFtpServer::Login::User);
    ASSERT_TRUE(server->start()) << server->error();
    const fs::path root = server->root();
    for (const char* path :
         {"site/a/b/deep.txt", "site/a/page.html", "site/top.txt", "keep/precious.txt"}) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << path;
    }
    // A link inside the tree to a folder outside it: the link goes, the folder stays.
    fs::create_directory_symlink("../../keep", root / "site/a/outside");
    server->ownByLogin((root / "site").string());
    server->ownByLogin((root / "keep").string());

    ftp::FtpSession session("127.0.0.1", server->user(), server->password());
    ASSERT_NO_FATAL_FAILURE(logIn(session, *server));
    testsupport::ScriptedPrompts prompts;

    EXPECT_EQ(transfer::makeRemoteDirectory(session, "new folder"), RemoteOutcome::Changed);
    EXPECT_TRUE(fs::is_directory(root / "new folder"));
    EXPECT_EQ(transfer::renameRemote(session, "new folder", "renamed", prompts),
              RemoteOutcome::Changed);
    EXPECT_TRUE(fs::is_directory(root / "renamed"));
    EXPECT_FALSE(fs::exists(root / "new folder"));

    auto yes = [](const transfer::DeleteQuestion&) { return true; };
    EXPECT_EQ(
        transfer::deleteRemoteItems(session, {{"site", true}, {"renamed", true}}, prompts, yes),
        RemoteOutcome::Changed);
    EXPECT_FALSE(fs::exists(fs::symlink_status(root / "site")));
    EXPECT_FALSE(fs::exists(root / "renamed"));
    EXPECT_TRUE(fs::exists(root / "keep/precious.txt"));
    EXPECT_TRUE(prompts.asked().empty()) << prompts.askedIds().front();
    std::string where;
    EXPECT_EQ(session.currentDirectory(where), 1);
    EXPECT_EQ(where, "/") << "back where it started";
}

TEST_P(RealServerCommands, PermissionsChangeAndTheListingShowsThem) {
    auto server = testsupport::makeRealServer(GetParam(), RealFtpServer::Login::User);
    ASSERT_TRUE(server->start()) << server->error();
    const fs::path root = server->root();
    for (const char* name : {"a.html", "b.css"})
        std::ofstream(root / name) << name;
    server->ownByLogin((root / "a.html").string());
    server->ownByLogin((root / "b.css").string());

    ftp::FtpSession session("127.0.0.1", server->user(), server->password());
    ASSERT_NO_FATAL_FAILURE(logIn(session, *server));
    testsupport::ScriptedPrompts prompts;
    auto choose = [](int initial) {
        EXPECT_EQ(initial, 644);
        return std::optional<int>{640};
    };
    EXPECT_EQ(transfer::changeRemotePermissions(&session,
                                                {{"a.html", "-rw-r--r--"}, {"b.css", "-rw-r--r--"}},
                                                "127.0.0.1", prompts, choose),
              RemoteOutcome::Changed);
    EXPECT_TRUE(prompts.asked().empty());
    auto listing = session.list();
    ASSERT_TRUE(listing);
    int seen = 0;
    for (const ftp::FileEntry& entry : *listing) {
        if (entry.name != "a.html" && entry.name != "b.css") continue;
        ++seen;
        EXPECT_EQ(entry.attributes, "-rw-r-----") << entry.name;
        EXPECT_EQ(transfer::parsePermissionText(entry.attributes), 640);
    }
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(fs::status(root / "a.html").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerCommands, ::testing::Values("pyftpdlib", "vsftpd"),
                         [](const auto& info) { return std::string(info.param); });
