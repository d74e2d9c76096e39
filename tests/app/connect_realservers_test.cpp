// Connecting the window to real FTP servers from Debian, in passive and active mode.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <filesystem>
#include <fstream>

#include "connecttestfixture.h"
#include "filelistview.h"
#include "realftpservers.h"
#include "remotepanecontroller.h"

using testsupport::RealFtpServer;

namespace {

struct Mode {
    const char* server;
    bool passive;
};

class RealServerConnect : public ConnectTest, public ::testing::WithParamInterface<Mode> {};

}  // namespace

TEST_P(RealServerConnect, ListsNamesWithBlanksLinksAndNonAsciiNames) {
    auto server = testsupport::makeRealServer(GetParam().server, RealFtpServer::Login::User);
    ASSERT_TRUE(server->start()) << server->error();
    namespace fs = std::filesystem;
    const fs::path root = server->root();
    fs::create_directories(root / "images");
    std::ofstream(root / "index.html") << "<html></html>\n";
    std::ofstream(root / "my page.html") << "x";
    std::ofstream(root / "文件.txt") << "中文";
    fs::create_directory_symlink("images", root / "pictures");
    fs::create_symlink("index.html", root / "home.html");
    server->ownByLogin(root.string());

    auto p = profile("real", server->port());
    p.user = server->user();
    p.password = server->password();
    p.passiveMode = GetParam().passive ? 1 : 0;
    save(p);
    openWindow("real");
    ASSERT_TRUE(connect());
    ASSERT_NE(window_->ftpSession(), nullptr) << server->log();
    EXPECT_EQ(window_->ftpSession()->serverType, ftp::ServerType::Unix);
    EXPECT_TRUE(prompts_.asked().empty());
    EXPECT_EQ(remoteNames(), (std::vector<std::string>{"images", "pictures", "home.html",
                                                       "index.html", "my page.html", "文件.txt"}));
    const auto& model = window_->remoteModel();
    EXPECT_EQ(model.item(1).entryType, 2) << "a link to a directory";
    EXPECT_EQ(model.item(2).entryType, 3) << "a link to a file";
    EXPECT_EQ(model.item(3).size, 14);
    window_->connection().toggleConnection();
    EXPECT_EQ(window_->ftpSession(), nullptr);
}

// A folder made, renamed and deleted (with a file in it) through the server pane.
TEST_P(RealServerConnect, MakeRenameAndDeleteAFolder) {
    auto server = testsupport::makeRealServer(GetParam().server, RealFtpServer::Login::User);
    ASSERT_TRUE(server->start()) << server->error();
    namespace fs = std::filesystem;
    const fs::path root = server->root();
    auto p = profile("real", server->port());
    p.user = server->user();
    p.password = server->password();
    p.passiveMode = GetParam().passive ? 1 : 0;
    save(p);
    openWindow("real");
    ASSERT_TRUE(connect());
    ASSERT_NE(window_->ftpSession(), nullptr) << server->log();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    RemotePaneController& pane = window_->remotePane();
    auto typeName = [](const char* name) {
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    };
    auto selectName = [&](const char* name) {
        const int row = window_->remoteModel().findName(name);
        ASSERT_GE(row, 0) << name;
        window_->remoteList().selectRow(row);
    };

    pane.newDirectory();
    typeName("site");
    ASSERT_TRUE(fs::is_directory(root / "site")) << server->log();
    std::ofstream(root / "site" / "index.html") << "x";
    server->ownByLogin(root.string());
    selectName("site");
    pane.rename();
    typeName("www");
    EXPECT_TRUE(fs::is_directory(root / "www"));
    EXPECT_FALSE(fs::exists(root / "site"));
    selectName("www");
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->done(1);
    });
    pane.deleteSelected();
    EXPECT_FALSE(fs::exists(root / "www"));
    EXPECT_EQ(remoteNames(), std::vector<std::string>{});
    EXPECT_TRUE(prompts_.asked().empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerConnect,
                         ::testing::Values(Mode{"pyftpdlib", true}, Mode{"pyftpdlib", false},
                                           Mode{"vsftpd", true}, Mode{"vsftpd", false}),
                         [](const auto& info) {
                             return std::string(info.param.server) +
                                    (info.param.passive ? "_passive" : "_active");
                         });
