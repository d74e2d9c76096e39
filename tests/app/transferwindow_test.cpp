// Uploading from the window: the progress dialog over the disabled window, and the
// window given back at the end.
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <fstream>

#include "connecttestfixture.h"
#include "filelistview.h"
#include "publishreportdialog.h"
#include "remotepanecontroller.h"
#include "testfiles.h"
#include "transfercontroller.h"
#include "transferprogressdialog.h"
#include "uitexts.h"

using testsupport::DataStep;
using testsupport::ScriptedFtpServer;

TEST_F(ConnectTest, UploadShowsTheProgressDialogAndGivesTheWindowBack) {
    std::ofstream(root_ / "local" / "index.html") << std::string(300000, 'h');
    std::ofstream(root_ / "local" / "logo.png") << std::string(120000, 'p');
    ScriptedFtpServer server;
    server.expectLogin("alice");
    server.expect("PWD", "257 \"/www\"\r\n").expect("site IDLE 7200", "200 OK\r\n");
    server.expect("NOOP", "200 OK\r\n").expect("PWD", "257 \"/www\"\r\n").expectPasv();
    server.expectSendData("LIST -la", DataStep{});
    // The upload: the first file's final reply comes late, so the dialog can be seen.
    server.expect("NOOP", "200 OK\r\n")
        .expect("NOOP", "200 OK\r\n")
        .expect("PWD", "257 \"/www\"\r\n");
    DataStep late;
    late.finalDelay = std::chrono::milliseconds(1500);
    // The profile checks transfers, the text file as stored: by size, the server knowing
    // no hash command.
    server.expectPasv().expect("TYPE A", "200 ok\r\n").expectReceiveData("STOR index.html", late);
    server.expect("TYPE I", "200 ok\r\n").expect("SIZE index.html", "213 300000\r\n");
    for (const char* probe : {"XSHA256", "XSHA1", "XMD5", "XCRC"})
        server.expect(probe + std::string(" index.html"), "500 ?\r\n");
    server.expectPasv().expect("TYPE I", "200 ok\r\n").expectReceiveData("STOR logo.png");
    server.expect("SIZE logo.png", "213 120000\r\n");
    server.expect("NOOP", "200 OK\r\n").expect("PWD", "257 \"/www\"\r\n").expectPasv();
    server.expectSendData("LIST -la",
                          DataStep{.data = "-rw-r--r-- 1 a b 300000 Mar  1 09:12 index.html\r\n"
                                           "-rw-r--r-- 1 a b 120000 Mar  1 09:12 logo.png\r\n"});
    server.start();
    openPassiveWindow("Harbour Lane", server.port());
    window_->refreshLocal();
    ASSERT_TRUE(connect());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));

    window_->localList().selectRow(0);
    window_->localList().selectRow(1, true);
    window_->transfers().startUpload();
    auto* dialog = window_->transfers().progressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(window_->isEnabled()) << "the progress dialog disables the window";
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_FALSE(window_->control(1027)->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->byteBar() == 100; }, 10000));
    QTest::qWait(2 * TransferProgressDialog::kCoalesceMs);
    QDir().mkpath(screenshotPath(""));
    EXPECT_TRUE(dialog->grab().save(screenshotPath("progress_zh.png")));

    ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->transfers().running(); }, 20000));
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(window_->control(1027)->isEnabled());
    EXPECT_TRUE(window_->control(1019)->isEnabled());
    EXPECT_EQ(remoteNames(), (std::vector<std::string>{"index.html", "logo.png"}));
    EXPECT_EQ(server.received(),
              (std::vector<std::string>{std::string(300000, 'h'), std::string(120000, 'p')}));
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
    EXPECT_EQ(window_->statusText(1), uitexts::message(1381, {std::int64_t{2}, std::int64_t{2}}));
    // Nothing went wrong: the report is written, not shown.
    EXPECT_EQ(window_->transfers().reportDialog(), nullptr);
    const auto logs = std::filesystem::directory_iterator(root_ / "state" / "trandel");
    ASSERT_NE(logs, std::filesystem::directory_iterator());
    EXPECT_TRUE(window_->transfers().lastReport().contains("logo.png"));
    // A click on the count shows it, in the window's language.
    QLabel* count = window_->findChild<QLabel*>(QStringLiteral("pane1"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->toolTip(), uitexts::text(1399));
    QTest::mouseClick(count, Qt::LeftButton);
    ASSERT_NE(window_->transfers().reportDialog(), nullptr);
    EXPECT_TRUE(window_->transfers().reportDialog()->isVisible());
    auto* close = window_->transfers().reportDialog()->findChild<QPushButton*>("2");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), uitexts::dialogText(102, 2));
    EXPECT_NE(close->text(), uitexts::dialogText(0, 2));  // not the message boxes' Cancel
}

// Chinese names on a GBK server and on a UTF-8 one: shown alike, downloaded to the same
// UTF-8 local name, uploaded back with the bytes the server listed; the local pane then
// finds nothing missing on the server.
TEST_F(ConnectTest, ChineseNamesRoundTripInTheServersEncoding) {
    const std::string gbk = "\xd6\xd0\xce\xc4.txt";
    const std::string utf8 = "\xe4\xb8\xad\xe6\x96\x87.txt";
    const std::string featUtf8 = "211-Features:\r\n UTF8\r\n211 End\r\n";
    const struct {
        const char* what;
        int profileEncoding;
        std::string feat;
        bool optsUtf8;
        std::string listed;
        int listCommand = session::kMachineListing;
    } rows[] = {
        {"GBK server, automatic", session::kAutomaticNames, "500 no\r\n", false, gbk},
        {"GB18030 chosen where the server claims UTF8", session::kGb18030Names, featUtf8, false,
         gbk},
        {"UTF-8 server, automatic", session::kAutomaticNames, featUtf8, true, utf8},
        {"a server offering MLSD to a profile that keeps LIST", session::kAutomaticNames,
         "211-Features:\r\n UTF8\r\n MLST type*;size*;modify*;\r\n211 End\r\n", true, utf8,
         session::kAlwaysList},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(root_ / "local");
        std::filesystem::create_directories(root_ / "local");
        const std::string listing = "-rw-r--r-- 1 a b 3 Mar  1 09:12 " + row.listed + "\r\n";
        // The folder is named 中文 in the same encoding.
        const std::string folder = "/" + row.listed.substr(0, row.listed.size() - 4);
        const std::string pwd = "257 \"" + folder + "\"\r\n";
        auto listed = [&](ScriptedFtpServer& s) {
            s.expect("NOOP", "200 OK\r\n").expect("PWD", pwd).expectPasv();
            s.expectSendData("LIST -la", DataStep{.data = listing});
        };
        ScriptedFtpServer server;
        server.expectLogin("alice", "215 UNIX Type: L8\r\n", row.feat);
        if (row.optsUtf8) server.expect("OPTS UTF8 ON", "200 ok\r\n");
        server.expect("PWD", pwd).expect("site IDLE 7200", "200 OK\r\n");
        listed(server);
        server.expect("NOOP", "200 OK\r\n").expect("PWD", pwd).expectPasv();
        server.expect("TYPE*", "200 ok\r\n")
            .expectSendData("RETR " + row.listed, DataStep{.data = "abc"});
        server.expect("NOOP", "200 OK\r\n").expect("NOOP", "200 OK\r\n").expect("PWD", pwd);
        server.expectPasv().expect("TYPE*", "200 ok\r\n").expectReceiveData("STOR " + row.listed);
        listed(server);
        server.expect("NOOP", "200 OK\r\n").expect("CWD " + folder, "250 ok\r\n");
        listed(server);
        server.start();
        auto p = profile("Harbour Lane", server.port());
        p.passiveMode = 1;
        p.nameEncoding = row.profileEncoding;
        p.listCommand = row.listCommand;
        p.verifyTransfers = 0;  // the names are the point here, not the checks
        save(p);
        openWindow("Harbour Lane");
        ASSERT_TRUE(connect());

        ASSERT_EQ(window_->remoteModel().size(), 1);
        EXPECT_EQ(window_->remoteModel().row(0).text, QString::fromUtf8("中文.txt"));
        EXPECT_EQ(window_->remoteModel().item(0).name, row.listed);
        window_->remoteList().selectRow(0);
        window_->transfers().startDownload();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->transfers().running(); }, 20000));
        EXPECT_EQ(testsupport::readFile(root_ / "local" / utf8), "abc");

        window_->refreshLocal();
        ASSERT_EQ(window_->localModel().size(), 1);
        window_->localList().selectRow(0);
        window_->transfers().startUpload();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->transfers().running(); }, 20000));
        EXPECT_EQ(server.received(), std::vector<std::string>{"abc"});
        window_->listingFilters().local.notOnOtherSide = true;
        window_->refreshLocal();
        EXPECT_EQ(window_->localModel().size(), 0) << "the server has it under its own bytes";
        auto* box = window_->control<QComboBox>(1002);
        EXPECT_EQ(box->currentText(), QString::fromUtf8("/中文"));
        // Typed, the folder goes out in the server's encoding.
        window_->remotePane().pathTyped("/中文");
        EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.mismatches());
        window_.reset();
    }
}
