// Connecting the window to real FTP servers from Debian, in passive and active mode.
#include <fcntl.h>
#include <sys/stat.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeView>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>

#include "connecttestfixture.h"
#include "dragdrop.h"
#include "filelistview.h"
#include "permissiondialog.h"
#include "realftpservers.h"
#include "remotepanecontroller.h"
#include "testfiles.h"
#include "transfercontroller.h"
#include "transferprogressdialog.h"
#include "uitexts.h"

using testsupport::RealFtpServer;

namespace {

struct Mode {
    const char* server;
    bool passive;
    RealFtpServer::Tls tls = RealFtpServer::Tls::None;
    const char* host = "127.0.0.1";  // the profile's host field; the server on ::1 for IPv6
};

class RealServerConnect : public ConnectTest, public ::testing::WithParamInterface<Mode> {
protected:
    // The case's server, started (with TLS when the case says so).
    std::unique_ptr<RealFtpServer> startServer() {
        auto server = testsupport::makeRealServer(GetParam().server, RealFtpServer::Login::User);
        server->setTls(GetParam().tls);
        if (std::string(GetParam().host).find(':') != std::string::npos) server->setAddress("::1");
        EXPECT_TRUE(server->start()) << server->error();
        return server;
    }
    // Opens the window on a profile for the server (in the case's mode) and connects. The
    // fixture's certificate is self-signed: the user accepts it once.
    void connectTo(const RealFtpServer& server) {
        auto p = profile("real", server.port());
        p.host = GetParam().host;
        p.user = server.user();
        p.password = server.password();
        p.passiveMode = GetParam().passive ? 1 : 0;
        if (GetParam().tls != RealFtpServer::Tls::None) {
            p.encryption = GetParam().tls == RealFtpServer::Tls::Implicit
                               ? session::kRequireImplicitTls
                               : session::kRequireExplicitTls;
            prompts_.certificate(platform::CertificateAnswer::AcceptOnce);
        }
        save(p);
        openWindow("real");
        ASSERT_TRUE(connect());
        ASSERT_NE(window_->ftpSession(), nullptr) << server.log();
        EXPECT_EQ(window_->ftpSession()->dataProtected(),
                  GetParam().tls != RealFtpServer::Tls::None);
    }
};

// Drag events as a desktop file manager delivers them; whether the drop was taken.
bool dropOn(QWidget* viewport, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    data.setText(QUrl::toStringList(urls).join('\n'));
    const QPoint at(10, 10);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

}  // namespace

TEST_P(RealServerConnect, ListsNamesWithBlanksLinksAndNonAsciiNames) {
    auto server = startServer();
    ASSERT_FALSE(HasFailure());
    namespace fs = std::filesystem;
    const fs::path root = server->root();
    fs::create_directories(root / "images");
    std::ofstream(root / "index.html") << "<html></html>\n";
    std::ofstream(root / "my page.html") << "x";
    std::ofstream(root / "文件.txt") << "中文";
    fs::create_directory_symlink("images", root / "pictures");
    fs::create_symlink("index.html", root / "home.html");
    server->ownByLogin(root.string());

    connectTo(*server);
    EXPECT_EQ(window_->ftpSession()->serverType, ftp::ServerType::Unix);
    EXPECT_TRUE(prompts_.asked().empty());
    EXPECT_EQ(remoteNames(), (std::vector<std::string>{"images", "pictures", "home.html",
                                                       "index.html", "my page.html", "文件.txt"}));
    const auto& model = window_->remoteModel();
    EXPECT_EQ(model.item(1).entryType, ftp::EntryType::Directory) << "a link to a directory";
    // pyftpdlib's machine listing types a link as the file it leads to.
    EXPECT_EQ(model.item(2).entryType, std::string(GetParam().server) == "pyftpdlib"
                                           ? ftp::EntryType::File
                                           : ftp::EntryType::LinkToFile)
        << "a link to a file";
    EXPECT_EQ(model.item(3).size, 14);
    window_->connection().toggleConnection();
    EXPECT_EQ(window_->ftpSession(), nullptr);
}

// A folder made, renamed and deleted (with a file in it) through the server pane.
TEST_P(RealServerConnect, MakeRenameAndDeleteAFolder) {
    auto server = startServer();
    ASSERT_FALSE(HasFailure());
    namespace fs = std::filesystem;
    const fs::path root = server->root();
    connectTo(*server);
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

// Files and a folder dropped on the server pane, as from a file manager, are uploaded into
// the server's current folder; the local pane's drag data names the selected entries.
TEST_P(RealServerConnect, DroppedFilesAndFoldersAreUploaded) {
    auto server = startServer();
    ASSERT_FALSE(HasFailure());
    namespace fs = std::filesystem;
    const fs::path desk = root_ / "desk";
    const std::map<std::string, std::string> files = {{"a.html", "<p>a</p>\n"},
                                                      {"b.png", std::string(70000, '\x89')},
                                                      {"c.js", "c();\n"},
                                                      {"site/index.html", "<html></html>\n"},
                                                      {"site/css/style.css", "p {}\n"}};
    for (const auto& [name, bytes] : files)
        testsupport::writeFile(desk / name, bytes);
    connectTo(*server);
    QWidget* viewport = window_->remoteList().detailsView()->viewport();
    auto url = [&](const std::string& name) { return dragdrop::fileUrl((desk / name).string()); };
    auto waitForJob = [&] {
        ASSERT_NE(window_->transfers().progressDialog(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->transfers().running(); }, 20000));
    };

    // Binary, so that the servers keep every byte as sent.
    window_->control<QAbstractButton>(1021)->click();
    ASSERT_TRUE(dropOn(viewport, {url("a.html"), url("b.png"), url("c.js")}));
    waitForJob();
    const auto* counter = window_->transfers().progressDialog()->findChild<QLabel*>("1036");
    EXPECT_EQ(counter->text(), uitexts::message(1224, {std::int64_t{3}, std::int64_t{3}}));
    ASSERT_TRUE(dropOn(viewport, {url("site")}));
    waitForJob();
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(testsupport::readFile(fs::path(server->root()) / name), bytes) << name;
    EXPECT_EQ(fs::current_path(), root_ / "local") << "the local pane stays where it was";
    ASSERT_TRUE(dropOn(viewport, {QUrl("https://example.org/x.html")}));
    EXPECT_EQ(window_->statusText(0), uitexts::message(1302, {"https://example.org/x.html"}));
    EXPECT_FALSE(window_->transfers().running());

    // Dropping while not connected does nothing.
    window_->connection().toggleConnection();
    fs::remove(fs::path(server->root()) / "c.js");
    EXPECT_TRUE(dropOn(viewport, {url("c.js")}));
    EXPECT_FALSE(window_->transfers().running());
    EXPECT_FALSE(fs::exists(fs::path(server->root()) / "c.js"));

    // The local pane as drag source: its selected entries as file URLs, last row first.
    ::chdir(desk.c_str());
    window_->refreshLocal();
    for (const char* name : {"a.html", "c.js"})
        window_->localList().selectRow(window_->localModel().findName(name), true);
    QAbstractItemModel* model = window_->localList().model();
    std::unique_ptr<QMimeData> dragged(
        model->mimeData(window_->localList().detailsView()->selectionModel()->selectedIndexes()));
    ASSERT_NE(dragged, nullptr);
    EXPECT_EQ(dragged->urls(), (QList<QUrl>{url("c.js"), url("a.html")}));
    EXPECT_EQ(window_->remoteList().model()->mimeData({window_->remoteModel().index(0, 0)}),
              nullptr)
        << "nothing is dragged out of the server pane";
}

// Ctrl+P on a server file: the dialog starts at the file's mode, one click on the group's
// write box, OK, and the listing shows the new mode.
TEST_P(RealServerConnect, CtrlPChangesTheMode) {
    auto server = startServer();
    ASSERT_FALSE(HasFailure());
    const std::filesystem::path file = std::filesystem::path(server->root()) / "cgi.pl";
    std::ofstream(file) << "#!/usr/bin/perl\n";
    std::filesystem::permissions(file, std::filesystem::perms(0750));
    server->ownByLogin(server->root());
    connectTo(*server);
    window_->remoteList().selectRow(window_->remoteModel().findName("cgi.pl"));
    QString started;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<PermissionDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        started = dialog->findChild<QLineEdit*>("1110")->text();
        dialog->findChild<QAbstractButton*>("1104")->click();
        dialog->done(PermissionDialog::kOk);
    });
    QTest::keyClick(window_->remoteList().currentView(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(started, "rwxr-x---");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0770));
    const int row = window_->remoteModel().findName("cgi.pl");
    ASSERT_GE(row, 0);
    EXPECT_EQ(window_->remoteModel().item(row).attributes, "-rwxrwx---") << "listed again";
    EXPECT_TRUE(prompts_.asked().empty());
}

// Files just published to a server that lists by MLSD: its UTC times are shown in local
// time, so in a time zone far from UTC the local pane's Ctrl+U and Ctrl+D find nothing.
TEST_F(ConnectTest, NothingIsNewerRightAfterPublishing) {
    const char* zone = std::getenv("TZ");
    const std::string savedZone = zone ? zone : "";
    ::setenv("TZ", "CST-8", 1);
    ::tzset();
    testsupport::PyftpdlibServer server;
    ASSERT_TRUE(server.start()) << server.error();
    namespace fs = std::filesystem;
    const std::time_t hourAgo = std::time(nullptr) - 3600;
    for (const char* name : {"index.html", "style.css", "site/page.html"}) {
        const fs::path path = root_ / "local" / name;
        testsupport::writeFile(path, name);
        const timespec times[2] = {{hourAgo, 0}, {hourAgo, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    auto p = profile("real", server.port());
    p.user = server.user();
    p.password = server.password();
    p.passiveMode = 1;
    save(p);
    openWindow("real");
    ASSERT_TRUE(connect());
    window_->refreshLocal();
    for (int row = 0; row < window_->localModel().size(); ++row)
        window_->localList().selectRow(row, true);
    window_->transfers().startUpload();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->transfers().running(); }, 20000));
    ASSERT_EQ(window_->remoteModel().size(), 3) << server.log();
    const std::string& listed = window_->remoteModel().item(1).dateText;
    std::string now;
    int seconds = 0;
    localTimeTexts(std::time(nullptr), now, seconds);
    EXPECT_EQ(listed.substr(0, 13), now.substr(0, 13)) << "the hour in local time";

    for (Qt::Key key : {Qt::Key_U, Qt::Key_D}) {
        QTest::keyClick(window_->localList().currentView(), key, Qt::ControlModifier);
        EXPECT_EQ(window_->localModel().size(), 0) << char(key);
        window_->refreshLocal();
    }
    window_.reset();
    if (zone)
        ::setenv("TZ", savedZone.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RealServerConnect,
    ::testing::Values(Mode{"pyftpdlib", true}, Mode{"pyftpdlib", false}, Mode{"vsftpd", true},
                      Mode{"vsftpd", false}, Mode{"pyftpdlib", true, RealFtpServer::Tls::Explicit},
                      Mode{"vsftpd", false, RealFtpServer::Tls::Explicit},
                      Mode{"vsftpd", true, RealFtpServer::Tls::Implicit},
                      Mode{"pyftpdlib", false, RealFtpServer::Tls::None, "::1"},
                      Mode{"vsftpd", true, RealFtpServer::Tls::Explicit, "[::1]"}),
    [](const auto& info) {
        const std::string tls = info.param.tls == RealFtpServer::Tls::None       ? ""
                                : info.param.tls == RealFtpServer::Tls::Explicit ? "_explicit_tls"
                                                                                 : "_implicit_tls";
        const bool ipv6 = std::string(info.param.host).find(':') != std::string::npos;
        return std::string(info.param.server) + (info.param.passive ? "_passive" : "_active") +
               tls + (ipv6 ? "_ipv6" : "");
    });
