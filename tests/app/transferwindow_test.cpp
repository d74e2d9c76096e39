// Uploading from the window: the progress dialog over the disabled window, and the
// window given back at the end.
#include <QDir>
#include <fstream>

#include "connecttestfixture.h"
#include "filelistview.h"
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
    server.expectPasv().expect("TYPE A", "200 ok\r\n").expectReceiveData("STOR index.html", late);
    server.expectPasv().expect("TYPE I", "200 ok\r\n").expectReceiveData("STOR logo.png");
    // The profile checks transfers: the binary file's size; the text file is not compared.
    server.expect("SIZE logo.png", "213 120000\r\n");
    for (const char* probe : {"XSHA256", "XSHA1", "XMD5", "XCRC"})
        server.expect(probe + std::string(" logo.png"), "500 ?\r\n");
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
    EXPECT_EQ(window_->statusText(1), uitexts::message(1381, {std::int64_t{1}, std::int64_t{2}}));
    // Nothing went wrong: the report is written, not shown.
    EXPECT_EQ(window_->transfers().reportDialog(), nullptr);
    const auto logs = std::filesystem::directory_iterator(root_ / "state" / "trandel");
    ASSERT_NE(logs, std::filesystem::directory_iterator());
    EXPECT_TRUE(window_->transfers().lastReport().contains("logo.png"));
}
