// The options sheet's automatic-mode page: the text extensions of the profile shown.
#include "sheetfixture.h"

using options::CFtpFtype;
using options::CProfilePage;

namespace {
const std::vector<std::string> kDefaults = {"CGI", "CSS", "HTM",  "HTML",  "JAVA",
                                            "JS",  "PL",  "SHTM", "SHTML", "TXT"};
}

TEST_F(SheetTest, AProfileWithoutAListShowsTheDefaultsSorted) {
    store("web");
    open("web");
    sheet_->showPage(Sheet::ExtensionPage);
    EXPECT_EQ(listed(CFtpFtype::kList), kDefaults);
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(storedSuffixes("web"), ":CGI:CSS:HTM:HTML:JAVA:JS:PL:SHTM:SHTML:TXT:");
}

TEST_F(SheetTest, AnEmptiedListIsStoredAsAColonAndStaysEmpty) {
    store("web");
    open("web");
    sheet_->showPage(Sheet::ExtensionPage);
    auto* list = control<QListWidget>(CFtpFtype::kList);
    click(CFtpFtype::kRemove);  // nothing selected: nothing happens
    EXPECT_EQ(list->count(), 10);
    while (list->count() > 0) {
        list->setCurrentRow(0);
        click(CFtpFtype::kRemove);
    }
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(storedSuffixes("web"), ":");
    open("web");
    sheet_->showPage(Sheet::ExtensionPage);
    EXPECT_TRUE(listed(CFtpFtype::kList).empty());
}

TEST_F(SheetTest, TypedExtensionsAreUpperCaseAndListedOnce) {
    store("web");
    storeSuffixes("web", ":HTM:");
    open("web");
    sheet_->showPage(Sheet::ExtensionPage);
    type(CFtpFtype::kEntry, "asp");
    EXPECT_EQ(edit(CFtpFtype::kEntry)->text(), "ASP");
    click(CFtpFtype::kAdd);
    EXPECT_TRUE(edit(CFtpFtype::kEntry)->text().isEmpty());
    type(CFtpFtype::kEntry, "htm");
    click(CFtpFtype::kAdd);
    EXPECT_EQ(edit(CFtpFtype::kEntry)->text(), "HTM");
    // The beginning of a listed extension is an extension of its own.
    type(CFtpFtype::kEntry, "ht");
    QTest::keyClick(edit(CFtpFtype::kEntry), Qt::Key_Return);
    EXPECT_TRUE(sheet_->isVisible());
    // A colon would split the entry in the stored list: it cannot be typed.
    type(CFtpFtype::kEntry, "p:l");
    EXPECT_EQ(edit(CFtpFtype::kEntry)->text(), "PL");
    click(CFtpFtype::kAdd);
    EXPECT_EQ(listed(CFtpFtype::kList), (std::vector<std::string>{"ASP", "HT", "HTM", "PL"}));

    // An extension longer than the stored form's readers take is refused with a message.
    const QString longest(CFtpFtype::kLongestExtension, QLatin1Char('X'));
    type(CFtpFtype::kEntry, longest + "Y");
    click(CFtpFtype::kAdd);
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1311});
    EXPECT_EQ(std::get<std::int64_t>(prompts_.asked().at(0).args.at(0)), 31);
    EXPECT_EQ(edit(CFtpFtype::kEntry)->text(), longest + "Y");
    type(CFtpFtype::kEntry, longest);
    click(CFtpFtype::kAdd);
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(storedSuffixes("web"), ":ASP:HT:HTM:PL:" + longest.toStdString() + ":");
}

TEST_F(SheetTest, StoredListsAreReadWithoutLengthLimits) {
    store("web");
    const std::string longName(300, 'Z');
    std::string stored = ":";
    for (int i = 0; i < 200; ++i)
        stored += "E" + std::to_string(i) + ":";
    stored += longName + ":tail";
    storeSuffixes("web", stored);
    open("web");
    sheet_->showPage(Sheet::ExtensionPage);
    const auto entries = listed(CFtpFtype::kList);
    // Text after the last colon is no entry.
    ASSERT_EQ(entries.size(), 201u);
    EXPECT_EQ(entries.back(), longName);
    EXPECT_EQ(CFtpFtype::splitList("A::B:C"), (std::vector<std::string>{"A", "B"}));
}

TEST_F(SheetTest, ResetThenCancelStoresNothing) {
    store("web");
    storeSuffixes("web", ":ASP:");
    open("web");
    sheet_->showPage(Sheet::ExtensionPage);
    EXPECT_EQ(listed(CFtpFtype::kList), std::vector<std::string>{"ASP"});
    click(CFtpFtype::kReset);
    EXPECT_EQ(listed(CFtpFtype::kList), kDefaults);
    pressCancel();
    EXPECT_EQ(storedSuffixes("web"), ":ASP:");
}

TEST_F(SheetTest, TheListStoredIsTheOneOfTheProfileNamed) {
    store("a");
    store("b");
    storeSuffixes("a", ":ASP:");
    storeSuffixes("b", ":PHP:");
    open("a");
    sheet_->showPage(Sheet::ExtensionPage);
    click(CFtpFtype::kReset);
    sheet_->showPage(Sheet::ProfilePage);
    selectProfile("b");
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(storedSuffixes("a"), ":ASP:");
    EXPECT_EQ(storedSuffixes("b"), ":PHP:");

    // Shown again after another selection, the page shows that profile's list.
    open("a");
    sheet_->showPage(Sheet::ExtensionPage);
    sheet_->showPage(Sheet::ProfilePage);
    selectProfile("b");
    sheet_->showPage(Sheet::ExtensionPage);
    EXPECT_EQ(listed(CFtpFtype::kList), std::vector<std::string>{"PHP"});
}

TEST_F(SheetTest, AfterNewTheListGoesWithTheNewProfile) {
    store("a");
    storeSuffixes("a", ":ASP:");
    open("a");
    sheet_->showPage(Sheet::ExtensionPage);
    sheet_->showPage(Sheet::ProfilePage);
    click(CProfilePage::kNew);
    type(CProfilePage::kName, "fresh");
    type(CProfilePage::kHost, "localhost");
    type(CProfilePage::kUser, "ann");
    sheet_->showPage(Sheet::ExtensionPage);
    // New selects no stored profile: the page keeps the list it shows.
    EXPECT_EQ(listed(CFtpFtype::kList), std::vector<std::string>{"ASP"});
    type(CFtpFtype::kEntry, "php");
    click(CFtpFtype::kAdd);
    sheet_->showPage(Sheet::AdvancedPage);
    type(options::CAdvancedPage::kPort, "2121");
    EXPECT_TRUE(pressOk());
    // The profile page saved first, so the list and the port found the new profile.
    EXPECT_EQ(storedSuffixes("fresh"), ":ASP:PHP:");
    EXPECT_EQ(stored("fresh").port, 2121);
    EXPECT_EQ(storedSuffixes("a"), ":ASP:");
}
