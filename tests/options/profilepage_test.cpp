// The options sheet's profile page: first display, selection, New, Delete, checks, save.
#include <QDialogButtonBox>

#include "sheetfixture.h"

using options::CProfilePage;
using platform::Answer;

namespace {

bool sameStored(const tsy::ServProfInfo& a, const tsy::ServProfInfo& b) {
    return a.host == b.host && a.user == b.user && a.password == b.password &&
           a.extraText == b.extraText && a.useFirewall == b.useFirewall &&
           a.firewallHost == b.firewallHost && a.firewallUser == b.firewallUser &&
           a.firewallPassword == b.firewallPassword && a.port == b.port &&
           a.passiveMode == b.passiveMode && a.transferType == b.transferType &&
           a.initDirMode == b.initDirMode && a.lockDir == b.lockDir &&
           a.initRemoteDir == b.initRemoteDir && a.mruDirLocal == b.mruDirLocal &&
           a.mruDirRemote == b.mruDirRemote && a.asciiSuffix == b.asciiSuffix;
}

}  // namespace

TEST_F(SheetTest, WithoutProfilesThePageOpensAsANewProfile) {
    Sheet& sheet = open("");
    EXPECT_EQ(sheet.windowTitle(), "选项");
    EXPECT_EQ(sheet.tabs().count(), 3);
    EXPECT_EQ(sheet.tabs().tabText(0), "设置服务器注册文件");
    EXPECT_EQ(sheet.tabs().tabText(1), "自动模式选项");
    EXPECT_EQ(sheet.tabs().tabText(2), "详细设置");
    // OK and Cancel, no Apply.
    const auto buttons = sheet.findChild<QDialogButtonBox*>()->buttons();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(control<QPushButton>(1)->text(), "确定");
    EXPECT_EQ(control<QPushButton>(2)->text(), "取消");

    EXPECT_EQ(edit(CProfilePage::kName)->text(), "新的注册记录");
    EXPECT_TRUE(edit(CProfilePage::kName)->hasFocus());
    EXPECT_EQ(edit(CProfilePage::kName)->selectedText(), "新的注册记录");
    auto* mode = control<QComboBox>(CProfilePage::kMode);
    ASSERT_EQ(mode->count(), 3);
    EXPECT_EQ(mode->itemText(2), "指定的目录");
    EXPECT_EQ(mode->currentIndex(), 1);
    EXPECT_FALSE(edit(CProfilePage::kDirectory)->isEnabled());
    EXPECT_EQ(edit(CProfilePage::kPassword)->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(sheet.profilePage().fieldsChanged());
    EXPECT_EQ(sheet.profilePage().record().port, 21);

    // A new profile's advanced settings are the cleared ones.
    sheet.showPage(Sheet::AdvancedPage);
    EXPECT_EQ(edit(options::CAdvancedPage::kPort)->text(), "21");
    EXPECT_FALSE(control<QCheckBox>(options::CAdvancedPage::kPassive)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(options::CAdvancedPage::kFirewall)->isChecked());
    EXPECT_TRUE(edit(options::CAdvancedPage::kFirewallHost)->text().isEmpty());

    // Completed and confirmed, it is stored under the name typed.
    sheet.showPage(Sheet::ProfilePage);
    type(CProfilePage::kName, "web");
    type(CProfilePage::kHost, "localhost");
    type(CProfilePage::kUser, "ann");
    EXPECT_TRUE(pressOk());
    EXPECT_TRUE(prompts_.asked().empty());
    auto info = stored("web");
    EXPECT_EQ(info.host, "localhost");
    EXPECT_EQ(info.initDirMode, 1);
    EXPECT_EQ(info.port, 21);
}

TEST_F(SheetTest, OpensOnTheMainWindowsProfileAndSortsLikeItsCombo) {
    store("beta");
    store("Alpha", "alpha.example");
    store("gamma");
    open("Alpha");
    EXPECT_EQ(listed(CProfilePage::kProfiles),
              (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    EXPECT_EQ(control<QListWidget>(CProfilePage::kProfiles)->currentRow(), 0);
    EXPECT_EQ(edit(CProfilePage::kHost)->text(), "alpha.example");
    EXPECT_TRUE(sheet_->profilePage().selectionChanged());

    // A name the store no longer has (deleted while the combo still lists it) opens New.
    open("delta");
    EXPECT_EQ(edit(CProfilePage::kName)->text(), "新的注册记录");
    EXPECT_EQ(control<QListWidget>(CProfilePage::kProfiles)->currentRow(), -1);
}

TEST_F(SheetTest, OkOnACompleteStoredProfileSavesItUnchanged) {
    session::ServerProfile p = store("web");
    p.extraText = "fourth";
    p.firewallHost = "fw";
    p.firewallUser = "fwuser";
    p.firewallPassword = "fwpass";
    p.useFirewall = 1;
    p.passiveMode = 1;
    p.port = 2121;
    p.transferType = 2;
    p.lockDir = 1;
    p.mruLocalDir = "/home/ann/site/";
    p.mruRemoteDir = "/www/img";
    // A directory kept while another mode is chosen stays stored.
    p.initialDirMode = 1;
    p.initialRemoteDir = "/www";
    ASSERT_EQ(session::saveProfile(db_, p), 1);
    storeSuffixes("web", ":HTM:");
    const auto before = stored("web");

    open("web");
    EXPECT_FALSE(edit(CProfilePage::kDirectory)->isEnabled());
    EXPECT_EQ(edit(CProfilePage::kDirectory)->text(), "/www");
    sheet_->showPage(Sheet::ExtensionPage);
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_TRUE(pressOk());
    EXPECT_TRUE(prompts_.asked().empty());
    EXPECT_TRUE(sameStored(stored("web"), before));
    EXPECT_EQ(storedNames(), std::vector<std::string>{"web"});
}

TEST_F(SheetTest, IncompleteEntriesAreRefusedWithTheFocusOnTheFirstEmptyField) {
    store("web", "127.0.0.1", "");
    open("web");
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_FALSE(pressOk());
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1236});
    EXPECT_EQ(sheet_->currentPage(), Sheet::ProfilePage);
    EXPECT_EQ(QApplication::focusWidget(), edit(CProfilePage::kUser));

    type(CProfilePage::kHost, "");
    EXPECT_FALSE(pressOk());
    EXPECT_EQ(QApplication::focusWidget(), edit(CProfilePage::kHost));

    // Mode 2 without a directory: refused, and no field is singled out.
    type(CProfilePage::kHost, "localhost");
    type(CProfilePage::kUser, "ann");
    auto* mode = control<QComboBox>(CProfilePage::kMode);
    mode->setCurrentIndex(2);
    emit mode->activated(2);
    EXPECT_TRUE(edit(CProfilePage::kDirectory)->isEnabled());
    EXPECT_FALSE(pressOk());
    EXPECT_EQ(prompts_.askedIds(), (std::vector<int>{1236, 1236, 1236}));
    for (int id : {CProfilePage::kName, CProfilePage::kHost, CProfilePage::kUser,
                   CProfilePage::kPassword, CProfilePage::kDirectory})
        EXPECT_FALSE(edit(id)->hasFocus()) << id;
    EXPECT_EQ(stored("web").user, "");

    // The password is never required.
    type(CProfilePage::kDirectory, "/www");
    type(CProfilePage::kPassword, "");
    EXPECT_TRUE(pressOk());
    const auto info = stored("web");
    EXPECT_EQ(info.user, "ann");
    EXPECT_EQ(info.password, "");
    EXPECT_EQ(info.initDirMode, 2);
    EXPECT_EQ(info.initRemoteDir, "/www");
}

TEST_F(SheetTest, ModeChoiceEnablesTheDirectoryAndKeepsItsText) {
    store("web");
    open("web");
    auto* mode = control<QComboBox>(CProfilePage::kMode);
    mode->setCurrentIndex(2);
    emit mode->activated(2);
    type(CProfilePage::kDirectory, "/pub");
    mode->setCurrentIndex(0);
    emit mode->activated(0);
    EXPECT_FALSE(edit(CProfilePage::kDirectory)->isEnabled());
    EXPECT_EQ(edit(CProfilePage::kDirectory)->text(), "/pub");
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(stored("web").initDirMode, 0);
    EXPECT_EQ(stored("web").initRemoteDir, "/pub");
}

TEST_F(SheetTest, RenamingKeepsTheOldProfile) {
    store("web");
    open("web");
    type(CProfilePage::kName, "web2");
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"web", "web2"}));
    EXPECT_EQ(stored("web2").host, "127.0.0.1");
}

TEST_F(SheetTest, DeletionTakesEffectAtOnceWhateverClosesTheSheet) {
    store("a");
    store("b");
    open("a");
    // Nothing is asked without a selection; Cancel in the question deletes nothing.
    control<QListWidget>(CProfilePage::kProfiles)->clearSelection();
    click(CProfilePage::kDelete);
    EXPECT_TRUE(prompts_.asked().empty());
    selectProfile("a");
    prompts_.answer(Answer::Cancel);
    click(CProfilePage::kDelete);
    EXPECT_EQ(storedNames().size(), 2u);
    EXPECT_FALSE(sheet_->profilePage().fieldsChanged());

    prompts_.answer(Answer::Ok);
    click(CProfilePage::kDelete);
    const auto asked = prompts_.asked();
    ASSERT_EQ(asked.size(), 2u);
    const auto& question = asked.back();
    EXPECT_EQ(question.id, 1233);
    EXPECT_EQ(question.buttons, platform::Buttons::OkCancel);
    EXPECT_EQ(std::get<std::string>(question.args.at(0)), "a");
    EXPECT_EQ(storedNames(), std::vector<std::string>{"b"});
    EXPECT_EQ(listed(CProfilePage::kProfiles), std::vector<std::string>{"b"});
    EXPECT_TRUE(edit(CProfilePage::kName)->text().isEmpty());
    EXPECT_TRUE(edit(CProfilePage::kHost)->text().isEmpty());
    EXPECT_EQ(control<QComboBox>(CProfilePage::kMode)->currentIndex(), 1);
    EXPECT_TRUE(sheet_->profilePage().profileDeleted());
    EXPECT_FALSE(sheet_->profilePage().fieldsChanged());

    pressCancel();
    EXPECT_EQ(storedNames(), std::vector<std::string>{"b"});
    EXPECT_TRUE(sheet_->profilePage().deletedInRun());
}

TEST_F(SheetTest, AfterADeletionOkSavesNothingUnderAnEmptyName) {
    store("a");
    open("a");
    prompts_.answer(Answer::Ok);
    click(CProfilePage::kDelete);
    sheet_->showPage(Sheet::ExtensionPage);
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_TRUE(pressOk());
    EXPECT_TRUE(storedNames().empty());
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1233});
}

TEST_F(SheetTest, SelectingAnotherProfileShowsIt) {
    store("a", "host-a");
    session::ServerProfile b = store("b", "host-b", "bob");
    b.initialDirMode = 2;
    b.initialRemoteDir = "/b";
    session::saveProfile(db_, b);
    open("a");
    selectProfile("b");
    EXPECT_EQ(edit(CProfilePage::kName)->text(), "b");
    EXPECT_EQ(edit(CProfilePage::kHost)->text(), "host-b");
    EXPECT_EQ(edit(CProfilePage::kUser)->text(), "bob");
    EXPECT_EQ(control<QComboBox>(CProfilePage::kMode)->currentIndex(), 2);
    EXPECT_TRUE(edit(CProfilePage::kDirectory)->isEnabled());
    EXPECT_EQ(edit(CProfilePage::kDirectory)->text(), "/b");
    EXPECT_EQ(sheet_->profilePage().record().name, "b");
}
