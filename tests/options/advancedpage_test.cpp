// The options sheet's advanced page: passive mode, port and firewall of the profile shown.
#include "sheetfixture.h"

using options::CAdvancedPage;
using options::CProfilePage;

TEST_F(SheetTest, PortZeroBecomesTheDefaultAndResetShowsIt) {
    store("web");
    open("web");
    sheet_->showPage(Sheet::AdvancedPage);
    type(CAdvancedPage::kPort, "2121");
    click(CAdvancedPage::kReset);
    EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), "21");
    // Only digits can be typed.
    type(CAdvancedPage::kPort, "8a0-");
    EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), "80");
    type(CAdvancedPage::kPort, "0");
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(stored("web").port, 21);
    EXPECT_TRUE(prompts_.asked().empty());
}

TEST_F(SheetTest, APortFieldWithoutAPortKeepsThePageOpen) {
    store("web");
    open("web");
    sheet_->showPage(Sheet::AdvancedPage);
    type(CAdvancedPage::kPort, "");
    // Leaving the page is refused ...
    sheet_->showPage(Sheet::ProfilePage);
    EXPECT_EQ(sheet_->currentPage(), Sheet::AdvancedPage);
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1310});
    EXPECT_TRUE(edit(CAdvancedPage::kPort)->hasFocus());
    // ... and so is OK, for a number no port can have as well.
    EXPECT_FALSE(pressOk());
    EXPECT_TRUE(edit(CAdvancedPage::kPort)->hasFocus());
    type(CAdvancedPage::kPort, "65536");
    EXPECT_FALSE(pressOk());
    EXPECT_EQ(prompts_.askedIds(), (std::vector<int>{1310, 1310, 1310}));
    EXPECT_EQ(stored("web").port, 21);

    type(CAdvancedPage::kPort, "65535");
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(stored("web").port, 65535);
}

TEST_F(SheetTest, FirewallTextsAreKeptWithTheFirewallOff) {
    store("web");
    open("web");
    sheet_->showPage(Sheet::AdvancedPage);
    // The check box enables nothing: the fields are always editable.
    EXPECT_FALSE(control<QCheckBox>(CAdvancedPage::kFirewall)->isChecked());
    EXPECT_TRUE(edit(CAdvancedPage::kFirewallHost)->isEnabled());
    EXPECT_EQ(edit(CAdvancedPage::kFirewallPassword)->echoMode(), QLineEdit::Password);
    type(CAdvancedPage::kFirewallHost, "fw.local");
    type(CAdvancedPage::kFirewallUser, "fwuser");
    type(CAdvancedPage::kFirewallPassword, "fwpass");
    control<QCheckBox>(CAdvancedPage::kPassive)->setChecked(true);
    EXPECT_TRUE(pressOk());
    const auto info = stored("web");
    EXPECT_EQ(info.useFirewall, 0);
    EXPECT_EQ(info.firewallHost, "fw.local");
    EXPECT_EQ(info.firewallUser, "fwuser");
    EXPECT_EQ(info.firewallPassword, "fwpass");
    EXPECT_EQ(info.passiveMode, 1);
}

TEST_F(SheetTest, TheAdvancedPageFollowsTheProfileShown) {
    store("a");
    session::ServerProfile b = store("b");
    b.port = 990;
    b.passiveMode = 1;
    b.useFirewall = 1;
    b.firewallHost = "fw-b";
    session::saveProfile(db_, b);
    open("a");
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), "21");
    // What was typed stays when the user comes back to the page.
    type(CAdvancedPage::kPort, "2121");
    sheet_->showPage(Sheet::ProfilePage);
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), "2121");

    sheet_->showPage(Sheet::ProfilePage);
    selectProfile("b");
    // Reloaded at once, before the page is shown again.
    EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), "990");
    EXPECT_TRUE(control<QCheckBox>(CAdvancedPage::kPassive)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(CAdvancedPage::kFirewall)->isChecked());
    EXPECT_EQ(edit(CAdvancedPage::kFirewallHost)->text(), "fw-b");
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(stored("a").port, 21);
    EXPECT_EQ(stored("b").port, 990);

    // New clears what the page shows next.
    open("b");
    sheet_->showPage(Sheet::AdvancedPage);
    sheet_->showPage(Sheet::ProfilePage);
    click(CProfilePage::kNew);
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), "21");
    EXPECT_TRUE(edit(CAdvancedPage::kFirewallHost)->text().isEmpty());
    EXPECT_FALSE(control<QCheckBox>(CAdvancedPage::kPassive)->isChecked());
}

// The encryption choice: new profiles require explicit TLS, stored ones show what they
// hold, and implicit TLS brings its own default port where the field holds the other's.
TEST_F(SheetTest, EncryptionChoiceAndItsPort) {
    session::ServerProfile plain = store("plain");
    plain.encryption = session::kPlainFtp;
    session::saveProfile(db_, plain);
    open("plain");
    sheet_->showPage(Sheet::AdvancedPage);
    auto* choice = control<QComboBox>(CAdvancedPage::kEncryption);
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->currentData().toInt(), session::kPlainFtp);
    EXPECT_EQ(choice->count(), 4);

    auto choose = [&](int encryption) {
        choice->setCurrentIndex(choice->findData(encryption));
        emit choice->activated(choice->currentIndex());
    };
    const struct {
        const char* typed;  // null: the field as it is
        int encryption;
        const char* port;
    } rows[] = {
        {nullptr, session::kRequireImplicitTls, "990"},
        {nullptr, session::kExplicitTlsIfAvailable, "21"},
        {"2121", session::kRequireImplicitTls, "2121"},
        {"990", session::kRequireExplicitTls, "21"},
        {"21", session::kRequireImplicitTls, "990"},
    };
    for (const auto& row : rows) {
        if (row.typed) type(CAdvancedPage::kPort, row.typed);
        choose(row.encryption);
        EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), row.port) << row.encryption;
    }
    type(CAdvancedPage::kPort, "0");
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(stored("plain").encryption, session::kRequireImplicitTls);
    EXPECT_EQ(stored("plain").port, 990);

    // New: explicit TLS required, port 21.
    open("plain");
    sheet_->showPage(Sheet::ProfilePage);
    click(CProfilePage::kNew);
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_EQ(control<QComboBox>(CAdvancedPage::kEncryption)->currentData().toInt(),
              session::kRequireExplicitTls);
    EXPECT_EQ(edit(CAdvancedPage::kPort)->text(), "21");
}

// The name encoding and the listing command: stored values show, chosen ones are stored.
TEST_F(SheetTest, NameEncodingAndListCommand) {
    const struct {
        int stored, storedList;  // as saved before the sheet opens
        int chosen;
        bool alwaysList;
    } rows[] = {
        {session::kAutomaticNames, session::kMachineListing, session::kGb18030Names, true},
        {session::kGb18030Names, session::kAlwaysList, session::kUtf8Names, false},
        {session::kUtf8Names, session::kMachineListing, session::kAutomaticNames, false},
    };
    for (const auto& row : rows) {
        session::ServerProfile web = store("web");
        web.nameEncoding = row.stored;
        web.listCommand = row.storedList;
        session::saveProfile(db_, web);
        open("web");
        sheet_->showPage(Sheet::AdvancedPage);
        auto* names = control<QComboBox>(CAdvancedPage::kNameEncoding);
        auto* list = control<QCheckBox>(CAdvancedPage::kAlwaysList);
        ASSERT_NE(names, nullptr);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(names->count(), 3);
        EXPECT_EQ(names->currentData().toInt(), row.stored);
        EXPECT_EQ(list->isChecked(), row.storedList == session::kAlwaysList);
        names->setCurrentIndex(names->findData(row.chosen));
        list->setChecked(row.alwaysList);
        EXPECT_TRUE(pressOk());
        const int id = db_.ServProfGetID("web");
        EXPECT_EQ(db_.GetServProfNameEncoding(id), row.chosen);
        EXPECT_EQ(db_.GetServProfListCommand(id),
                  row.alwaysList ? session::kAlwaysList : session::kMachineListing);
    }
}

// Checking transfers: on for a new profile, off where the stored profile says so, and
// stored as the box is left.
TEST_F(SheetTest, VerifyTransfersBoxShowsAndStoresTheProfilesChoice) {
    session::ServerProfile unchecked = store("unchecked");
    unchecked.verifyTransfers = 0;
    session::saveProfile(db_, unchecked);
    open("unchecked");
    sheet_->showPage(Sheet::AdvancedPage);
    auto* box = control<QCheckBox>(CAdvancedPage::kVerify);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(db_.GetServProfVerifyTransfers(db_.ServProfGetID("unchecked")), 1);

    open("unchecked");
    sheet_->showPage(Sheet::ProfilePage);
    click(CProfilePage::kNew);
    sheet_->showPage(Sheet::AdvancedPage);
    EXPECT_TRUE(control<QCheckBox>(CAdvancedPage::kVerify)->isChecked());
}
