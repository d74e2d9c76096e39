// The progress dialog: counters, bars, shortened lines, the server name, cancelling and
// minimizing.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "builtintexts.h"
#include "resourcelanguagemodule.h"
#include "transferprogressdialog.h"
#include "uitexts.h"

namespace {

class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitexts::install(&texts_);
        owner_.resize(300, 200);
        owner_.show();
        dialog_ = std::make_unique<TransferProgressDialog>(&owner_);
        ASSERT_TRUE(dialog_->createModeless());
        dialog_->show();
    }
    void TearDown() override {
        dialog_.reset();
        uitexts::install(nullptr);
    }
    QString text(int id) { return dialog_->findChild<QLabel*>(QString::number(id))->text(); }

    platform::ResourceLanguageModule texts_{"ftp", platform::TextTable::parse(builtinTexts()), ""};
    QWidget owner_;
    std::unique_ptr<TransferProgressDialog> dialog_;
};

}  // namespace

TEST_F(ProgressDialogTest, CountersAndBarsNeverWrap) {
    dialog_->setFileCounter(0, 0);
    EXPECT_EQ(text(1036), "共有   0 个文件，已传送   0 个文件");
    EXPECT_EQ(dialog_->fileBar(), 0);
    dialog_->setByteCounter(0, 5000);
    EXPECT_EQ(dialog_->byteBar(), 0) << "a total of 0 leaves the bar at 0";
    dialog_->setByteCounter(200000000, 100000000);
    EXPECT_EQ(dialog_->byteBar(), 50);
    const std::int64_t fiveGiB = 5LL << 30;
    dialog_->setByteCounter(fiveGiB, fiveGiB - 1);
    EXPECT_EQ(dialog_->byteBar(), 99);
    EXPECT_EQ(text(1037), "共有 5368709120 字节，已传送 5368709119 字节");
    EXPECT_EQ(TransferProgressDialog::percent(INT64_MAX, INT64_MAX / 2), 49);
}

TEST_F(ProgressDialogTest, LinesAreShortenedAtCharacterBoundaries) {
    const std::string sixty(60, 'a');
    EXPECT_EQ(TransferProgressDialog::shorten(sixty), sixty);
    const std::string longer = std::string(30, 'b') + "c" + std::string(30, 'd');
    EXPECT_EQ(TransferProgressDialog::shorten(longer),
              std::string(30, 'b') + "..." + std::string(30, 'd'));
    // Three-byte characters are never cut in two.
    std::string wide;
    for (int i = 0; i < 30; ++i)
        wide += "文";
    const std::string shortened = TransferProgressDialog::shorten(wide);
    EXPECT_LE(shortened.size(), 63u);
    EXPECT_TRUE(QString::fromUtf8(shortened.c_str()).toUtf8().toStdString() == shortened);
    EXPECT_NE(QString::fromUtf8(shortened.c_str()).indexOf("..."), -1);

    dialog_->setSourceLine("/home/me/site/index.html");
    EXPECT_EQ(text(1032), "源文件: /home/me/site/index.html");
    dialog_->setTargetLine("/srv/www", "index.html", '/');
    EXPECT_EQ(text(1035), "目标文件: /srv/www/index.html");
}

TEST_F(ProgressDialogTest, ServerNameIsCentredInForty) {
    EXPECT_EQ(TransferProgressDialog::centredServerName("ftp"), std::string(18, ' ') + "ftp");
    const std::string forty(40, 's');
    EXPECT_EQ(TransferProgressDialog::centredServerName(forty), forty);
    dialog_->setServerName("ftp");
    EXPECT_EQ(text(1026).toStdString(), std::string(18, ' ') + "ftp");
}

TEST_F(ProgressDialogTest, CancelEscapeAndCloseAllReleaseTheWindow) {
    int cancels = 0;
    QObject::connect(dialog_.get(), &TransferProgressDialog::cancelRequested, [&] { ++cancels; });
    EXPECT_FALSE(owner_.isEnabled());
    QTest::mouseClick(dialog_->findChild<QPushButton*>("2"), Qt::LeftButton);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(owner_.isEnabled());
    EXPECT_FALSE(dialog_->isVisible());

    for (int way = 0; way < 2; ++way) {
        dialog_->createModeless();
        dialog_->show();
        EXPECT_FALSE(owner_.isEnabled());
        if (way == 0)
            QTest::keyClick(dialog_.get(), Qt::Key_Escape);
        else
            dialog_->close();
        EXPECT_TRUE(owner_.isEnabled());
        EXPECT_FALSE(dialog_->isVisible());
    }
    EXPECT_EQ(cancels, 3);

    // Stop now: the same, and the file in progress is to end too.
    int stops = 0;
    QObject::connect(dialog_.get(), &TransferProgressDialog::stopNowRequested, [&] { ++stops; });
    dialog_->createModeless();
    dialog_->show();
    auto* stopNow = dialog_->findChild<QPushButton*>("1397");
    ASSERT_NE(stopNow, nullptr);
    EXPECT_FALSE(stopNow->isDefault()) << "Enter keeps the finishing stop";
    QTest::mouseClick(stopNow, Qt::LeftButton);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(cancels, 4);
    EXPECT_TRUE(owner_.isEnabled());
    EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(ProgressDialogTest, MinimizingHidesTheWindowAndNamesTheFile) {
    dialog_->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(owner_.isVisible());
    dialog_->setSourceLine("/home/me/site/photo.jpg");
    EXPECT_EQ(dialog_->windowTitle(), "photo.jpg");
    dialog_->showNormal();
    QApplication::processEvents();
    EXPECT_TRUE(owner_.isVisible());
}

TEST_F(ProgressDialogTest, ByteProgressIsReadOnATimerWithTheFinalFigure) {
    std::pair<std::int64_t, std::int64_t> current{1000, 250};
    dialog_->setProgressSource([&] { return current; });
    QTest::qWait(3 * TransferProgressDialog::kCoalesceMs);
    EXPECT_EQ(dialog_->byteBar(), 25);
    current = {1000, 1000};
    dialog_->releaseOwner();  // the end of a job reads the last figure at once
    EXPECT_EQ(dialog_->byteBar(), 100);
}
