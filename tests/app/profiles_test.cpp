// The profile combo: filling, selecting, the options sheet timer and the directories
// written back into the profile.
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <fstream>

#include "connecttestfixture.h"

TEST_F(ConnectTest, ProfileComboListsProfilesSortedAndSelectionLoadsThem) {
    save(profile("beta", 21));
    auto alpha = profile("Alpha", 2121);
    alpha.host = "ftp.alpha.example";
    save(alpha);
    save(profile("gamma", 21));
    openWindow("Alpha");
    auto* combo = window_->control<QComboBox>(1000);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "Alpha");
    EXPECT_EQ(combo->itemText(1), "beta");
    EXPECT_EQ(window_->currentProfile().port, 2121);
    EXPECT_EQ(window_->control<QLabel>(1037)->text(), "ftp.alpha.example");
    EXPECT_EQ(window_->currentProfile().asciiSuffixes,
              "HTM:HTML:SHTM:SHTML:JAVA:TXT:JS:CSS:CGI:PL:");
    // The default list is a text of the language module.
    std::ofstream(root_ / "ftp_xx.dll") << "[strings]\n1300=:SSI:XML:\n";
    ASSERT_EQ(texts_.module().tryLoadModule((root_ / "ftp_xx.dll").string()), 1);
    window_->selectProfile(0);
    EXPECT_EQ(window_->currentProfile().asciiSuffixes, "SSI:XML:");

    combo->setCurrentIndex(2);
    window_->profileSelected(2);
    EXPECT_EQ(window_->currentProfile().name, "gamma");
    EXPECT_EQ(window_->lastUsedProfile(), 2);
}

TEST_F(ConnectTest, NoProfileStartsTheOptionsTimer) {
    window_ = std::make_unique<MainWindow>(MainWindow::Context{&db_, "", ""});
    window_->setPrompts(&prompts_);
    ASSERT_TRUE(window_->initialize());
    auto* timer = window_->findChild<QTimer*>("3104");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1500);
    EXPECT_TRUE(timer->isSingleShot());
}

TEST_F(ConnectTest, MissingLocalDirectoryLeavesTheCurrentOne) {
    auto p = profile("site", 21);
    p.mruLocalDir = (root_ / "gone").string() + "/";
    save(p);
    std::filesystem::current_path(root_ / "local");
    openWindow("site");
    EXPECT_EQ(window_->localFolder(), (root_ / "local").string() + "/");
}

TEST_F(ConnectTest, LocalRefreshWritesTheDirectoryBackIntoTheProfile) {
    save(profile("site", 21));
    openWindow("site");
    std::filesystem::create_directories(root_ / "elsewhere");
    std::filesystem::current_path(root_ / "elsewhere");
    window_->refreshLocal();
    session::ServerProfile stored;
    ASSERT_EQ(session::loadProfile(db_, "site", stored), 1);
    EXPECT_EQ(stored.mruLocalDir, (root_ / "elsewhere").string() + "/");
}
