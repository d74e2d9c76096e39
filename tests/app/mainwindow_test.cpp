// The main window: layout figures, splitter, closing, status bar, screenshots.
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include <unistd.h>

#include <filesystem>

#include <QTextBrowser>

#include "aboutdialog.h"
#include "artwork.h"
#include "certificatedialog.h"
#include "directorycombo.h"
#include "ftpsession.h"
#include "helpdialog.h"
#include "mainwindow.h"
#include "scratchconfig.h"
#include "scriptedprompts.h"
#include "syscolorbitmapbutton.h"
#include "trace.h"
#include "uitestfixture.h"

using platform::Answer;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<MainWindow>();
        window_->setPrompts(&prompts_);
        ASSERT_TRUE(window_->initialize());
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    QRect rectOf(int id) { return window_->control(id)->geometry(); }
    int splitterCentre() {
        QRect local = rectOf(1030);
        return (local.x() + local.width() + rectOf(1025).x()) / 2;
    }
    // A drag of the splitter from its band above the Upload button to x.
    void dragSplitterTo(int x) {
        const QPoint start(splitterCentre(), rectOf(1027).y() - 3);
        QTest::mouseMove(window_.get(), start);
        ASSERT_TRUE(window_->onSplitter(start));
        QTest::mousePress(window_.get(), Qt::LeftButton, {}, start);
        QTest::mouseMove(window_.get(), QPoint(x, start.y()));
        QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(x, start.y()));
    }

    UiTexts texts_;
    testsupport::ScriptedPrompts prompts_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

TEST_F(MainWindowTest, InitialSizeAndLayoutFigures) {
    EXPECT_EQ(window_->windowWidth(), 640);
    EXPECT_EQ(window_->windowHeight(), 480);
    EXPECT_EQ(window_->listPos(), 50);
    EXPECT_EQ(rectOf(1030).width(), 280);
    EXPECT_EQ(rectOf(1025).width(), 280);
    // The remote list starts one middle column (Upload width + 10) after the local one.
    EXPECT_EQ(rectOf(1025).x(), rectOf(1030).x() + 280 + rectOf(1027).width() + 10);
    EXPECT_EQ(rectOf(1031).y(), rectOf(1002).y());
    EXPECT_EQ(rectOf(1001).height(), rectOf(1031).height());
    EXPECT_LE(rectOf(1030).bottom(), window_->findChild<QStatusBar*>()->geometry().top());

    window_->setListPos(0);
    window_->layoutControls();
    EXPECT_EQ(rectOf(1030).width(), 0);
    EXPECT_EQ(rectOf(1025).width(), 640 - 80);
    // With an empty local list the splitter can still be grabbed in the middle column.
    EXPECT_TRUE(window_->onSplitter(QPoint(splitterCentre(), rectOf(1027).y() - 2)));
}

TEST_F(MainWindowTest, SplitterDragsAreHeldAHundredPixelsFromTheEdges) {
    dragSplitterTo(20);
    EXPECT_EQ(window_->listPos(), 15);  // 100 x 100 / 640
    EXPECT_FALSE(window_->splitterDragging());
    EXPECT_EQ(window_->trackLineX(), -1);
    dragSplitterTo(600);
    EXPECT_EQ(window_->listPos(), 84);  // 540 x 100 / 640
    dragSplitterTo(320);
    EXPECT_EQ(window_->listPos(), 50);
    EXPECT_EQ(rectOf(1030).width(), 280);
}

TEST_F(MainWindowTest, SplitterHitTestLeavesTheMiddleButtonsOut) {
    const int xm = splitterCentre();
    const QRect upload = rectOf(1027);
    EXPECT_FALSE(window_->onSplitter(QPoint(xm, upload.center().y())));
    EXPECT_FALSE(window_->onSplitter(QPoint(xm + 5, rectOf(1029).center().y())));
    EXPECT_FALSE(window_->onSplitter(QPoint(xm, rectOf(1022).center().y())));
    EXPECT_TRUE(window_->onSplitter(QPoint(xm - 10, upload.y())));
    EXPECT_TRUE(window_->onSplitter(QPoint(xm + 10, rectOf(1029).y() + rectOf(1029).height() + 1)));
    EXPECT_TRUE(window_->onSplitter(QPoint(xm, rectOf(1030).bottom())));
    EXPECT_FALSE(window_->onSplitter(QPoint(xm + 11, upload.y() - 2)));
    EXPECT_FALSE(window_->onSplitter(QPoint(xm, rectOf(1030).bottom() + 3)));

    QTest::mouseMove(window_.get(), QPoint(xm, upload.y() - 2));
    EXPECT_TRUE(window_->splitterHot());
    EXPECT_EQ(window_->cursor().shape(), Qt::SplitHCursor);
    QTest::mouseMove(window_.get(), QPoint(xm + 15, upload.y() - 2));
    EXPECT_FALSE(window_->splitterHot());
}

TEST_F(MainWindowTest, EscapeDoesNotCloseTheWindow) {
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QTest::keyClick(window_->control(1030), Qt::Key_Escape);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(prompts_.asked().empty());
}

TEST_F(MainWindowTest, ClosingWhileDisconnectedAsksNothing) {
    EXPECT_TRUE(window_->close());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(prompts_.asked().empty());
}

TEST_F(MainWindowTest, ClosingWhileConnectedAsksAndCancelKeepsTheWindow) {
    window_->setConnected(true);
    prompts_.answer(Answer::Cancel);
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    prompts_.answer(Answer::Ok);
    QTest::mouseClick(qobject_cast<QAbstractButton*>(window_->control(2)), Qt::LeftButton);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(prompts_.askedIds(), (std::vector<int>{105, 105}));
    EXPECT_EQ(prompts_.asked()[0].buttons, platform::Buttons::OkCancel);
}

TEST_F(MainWindowTest, StatusPanesAndConnectionIcon) {
    window_->setStatusText(0, "USER anonymous");
    window_->setStatusText(1, "12.5 K 字节/sec");
    window_->setStatusText(7, "ignored");
    EXPECT_EQ(window_->statusText(0), "USER anonymous");
    EXPECT_EQ(window_->statusText(1), "12.5 K 字节/sec");
    window_->setConnectionIcon(3);
    EXPECT_EQ(window_->connectionIconState(), 3);
    window_->enableTransferButtons(true);
    EXPECT_TRUE(window_->control(1027)->isEnabled());
    EXPECT_TRUE(window_->control(1029)->isEnabled());
}

TEST_F(MainWindowTest, FocusedSideFollowsTheFocus) {
    window_->control(1030)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(window_->focusedSide(), keys::Side::Local);
    window_->control<QComboBox>(1002)->lineEdit()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(window_->focusedSide(), keys::Side::Remote);
    window_->control(1019)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(window_->focusedSide(), keys::Side::None);
}

TEST_F(MainWindowTest, TooltipsComeFromTheTexts) {
    EXPECT_EQ(window_->control(1019)->toolTip(), "与服务器连接或与服务器断开。");
    EXPECT_EQ(window_->control(1057)->toolTip(), window_->control(1058)->toolTip());
    EXPECT_TRUE(window_->windowTitle().startsWith("文件传送 - ")) << "the local pane was shown";
    window_->showLocalTitle("/home/web/");
    EXPECT_EQ(window_->windowTitle(), "文件传送 - /home/web/ (本地)");
}

TEST_F(MainWindowTest, TypedTextIsNotCompletedInline) {
    auto* combo = window_->control<QComboBox>(1031);
    combo->addItem("/srv/www-old/");
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::mouseClick(combo->lineEdit(), Qt::LeftButton);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus == combo || focus == combo->lineEdit());
    combo->lineEdit()->clear();
    QTest::keyClicks(focus, "/srv/www");
    EXPECT_EQ(combo->lineEdit()->text(), "/srv/www");
}

TEST_F(MainWindowTest, LockButtonShowsTheLockState) {
    auto* lock = qobject_cast<QAbstractButton*>(window_->control(1056));
    const QSize size = lock->iconSize();
    auto shown = [&] { return lock->icon().pixmap(size).toImage(); };
    const QImage locked = artwork::image(artwork::Locked, lock->palette(), size).toImage();
    EXPECT_NE(shown(), locked);
    window_->setDirectoryLock(true);
    EXPECT_EQ(shown(), locked);
}

TEST_F(MainWindowTest, NarrowLocalPaneKeepsAUsableDirectoryBox) {
    for (int pos : {0, 15}) {
        window_->setListPos(pos);
        window_->layoutControls();
        const QRect local = rectOf(1031);
        EXPECT_GE(local.width(), window_->fontMetrics().horizontalAdvance("/home/web/")) << pos;
        EXPECT_LT(local.right(), rectOf(1058).left()) << pos;
        EXPECT_LT(rectOf(1058).right(), rectOf(1002).left()) << pos;
    }
}

namespace {

// The texts of both languages, each on a new window.
const UiTexts::Language kLanguages[] = {UiTexts::Language::Chinese, UiTexts::Language::English};

}  // namespace

TEST(MainWindowTexts, HelpPageHoldsText) {
    for (auto language : kLanguages) {
        UiTexts texts(language);
        HelpDialog help;
        auto* browser = help.findChild<QTextBrowser*>();
        ASSERT_NE(browser, nullptr);
        EXPECT_GT(browser->toPlainText().trimmed().size(), 200)
            << HelpDialog::pagePath().toStdString();
    }
}

TEST(MainWindowTexts, ToolbarRowAndRatePaneFitTheirTexts) {
    for (auto language : kLanguages) {
        UiTexts texts(language);
        MainWindow window;
        ASSERT_TRUE(window.initialize());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        // Connect as it looks while connected, as the connection turns it.
        auto* connect = window.control<SysColorBitmapButton>(1019);
        for (bool connected : {false, true}) {
            connect->setText(uitexts::dialogText(MainWindow::kDialogId,
                                                 connected ? MainWindow::kDisconnectText : 1019));
            connect->loadImages(connected ? "DISCONNECT" : "CONNECT", connect->size());
            const int row[] = {1000, 1019, 1004, 1020, 1053, 1054, 1055, 57670, 2};
            for (std::size_t i = 1; i < std::size(row); ++i)
                EXPECT_LT(window.control(row[i - 1])->geometry().right(),
                          window.control(row[i])->geometry().left())
                    << row[i] << (connected ? " connected" : "");
        }
        // The largest rate, in the language's own form, shows whole in pane 1.
        std::string rate;
        ASSERT_TRUE(ftp::formatRate(uitexts::text(1272).toStdString(), 9999999.9, rate));
        window.setStatusText(1, QString::fromStdString(rate));
        auto* pane = window.findChild<QLabel*>("pane1");
        EXPECT_GE(pane->contentsRect().width(), pane->fontMetrics().horizontalAdvance(pane->text()))
            << rate;
    }
}

namespace {

void saveScreenshot(QWidget& widget, const QString& name) {
    QDir().mkpath(screenshotPath(""));
    const QPixmap picture = widget.grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(screenshotPath(name)));
}

}  // namespace

TEST(MainWindowScreenshot, ChineseEnglishAndAbout) {
    for (auto language : {UiTexts::Language::Chinese, UiTexts::Language::English}) {
        UiTexts texts(language);
        MainWindow window;
        window.initialize();
        window.setStatusText(0, language == UiTexts::Language::Chinese
                                    ? "已连接服务器 'localhost'."
                                    : "Connected to 'localhost'.");
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QString suffix = language == UiTexts::Language::Chinese ? "zh" : "en";
        window.showLock(MainWindow::Lock::Encrypted, uitexts::message(1320, {"TLSv1.3"}));
        saveScreenshot(window, "mainwindow_" + suffix + ".png");
        AboutDialog about(&window);
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        saveScreenshot(about, "about_" + suffix + ".png");
        // Its title is not cut in the window frame.
        EXPECT_GE(about.width(), about.fontMetrics().horizontalAdvance(about.windowTitle()) + 100);
    }
}

TEST_F(MainWindowTest, CtrlThenBacktickSwitchesTheTrace) {
    // The trace goes to the state folder, never to the current (published) folder.
    ScratchConfig config;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(config.root());
    const std::string file = config.dir() + "/trandel.dbg";
    const auto* mark = window_->findChild<QLabel*>("trace");
    ASSERT_NE(mark, nullptr);
    EXPECT_FALSE(mark->isVisible());

    QWidget* list = window_->control(1030);
    QTest::keyClick(list, Qt::Key_QuoteLeft);
    EXPECT_FALSE(ftp::trace::traceEnabled()) << "the key alone does nothing";
    QTest::keyClick(list, Qt::Key_Control);
    QTest::keyClick(list, Qt::Key_QuoteLeft, Qt::ControlModifier);
    EXPECT_TRUE(ftp::trace::traceEnabled());
    EXPECT_EQ(ScratchConfig::mode(file), 0600u);
    EXPECT_EQ(ScratchConfig::mode(config.dir()), 0700u);
    EXPECT_FALSE(std::filesystem::exists(config.root() + "/trandel.dbg"));
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(mark->text(), "跟踪中");
    EXPECT_TRUE(mark->toolTip().contains(QString::fromStdString(file)));
    // The chord lasts half a second.
    QTest::keyClick(list, Qt::Key_Control);
    QTest::qWait(700);
    QTest::keyClick(list, Qt::Key_QuoteLeft);
    EXPECT_TRUE(ftp::trace::traceEnabled());
    QTest::keyClick(list, Qt::Key_Control);
    QTest::keyClick(list, Qt::Key_QuoteLeft);
    EXPECT_FALSE(ftp::trace::traceEnabled());
    EXPECT_FALSE(mark->isVisible());
    std::filesystem::current_path(previous);
}

// The certificate dialog for an unverified and for a changed certificate, in both
// languages; Cancel is its default, so Enter never trusts a certificate.
TEST(CertificateDialogScreenshot, UnverifiedAndChanged) {
    for (auto language : {UiTexts::Language::Chinese, UiTexts::Language::English}) {
        UiTexts texts(language);
        const QString suffix = language == UiTexts::Language::Chinese ? "zh" : "en";
        platform::CertificateQuestion question{
            "ftp.example.org",
            21,
            "CN=shared.hosting.example",
            "CN=shared.hosting.example",
            "2026-01-01 00:00:00 UTC",
            "2027-01-01 00:00:00 UTC",
            "3A:7F:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:01:23:45:67:89:AB:CD:EF:"
            "10:32:54:76:98:BA",
            {1337, 1340},
            {},
            {}};
        for (bool changed : {false, true}) {
            if (changed) question.trustedFingerprint = "11:22:33:44:55:66:77:88:99:AA:BB:CC";
            CertificateDialog dialog(nullptr, question);
            dialog.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            auto* cancel = dialog.findChild<QPushButton*>("2");
            ASSERT_NE(cancel, nullptr);
            EXPECT_TRUE(cancel->isDefault());
            EXPECT_EQ(dialog.findChild<QLabel*>("1334") != nullptr, changed);
            saveScreenshot(
                dialog, QString("certificate_%1%2.png").arg(changed ? "changed_" : "").arg(suffix));
            QTest::keyClick(&dialog, Qt::Key_Return);
            EXPECT_EQ(dialog.answer(), platform::CertificateAnswer::Cancel);
        }
    }
}
