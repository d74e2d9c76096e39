// A run of the options sheet as the main window starts it, and what it hands back.
#include <QTimer>
#include <functional>

#include "optionssheet.h"
#include "sheetfixture.h"

using options::CProfilePage;
using platform::Answer;
using Sheet = options::CFtpOptSheet;

namespace {

// Runs the sheet modally; `drive` works the sheet while it runs and closes it.
options::OptionsOutcome runSheet(tsy::SiteMgr50& db, platform::Prompts& prompts,
                                 const std::string& current,
                                 const std::function<void(Sheet&)>& drive) {
    QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<Sheet*>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        drive(*sheet);
        // Whatever the test left open is cancelled, so that the run always ends.
        if (sheet->isVisible()) sheet->reject();
    });
    return options::runOptionsSheet(nullptr, db, prompts, current);
}

QPushButton* button(Sheet& sheet, int id) {
    return sheet.findChild<QPushButton*>(QString::number(id));
}

}  // namespace

TEST_F(SheetTest, OkReportsTheNameToSelectAndTheMainWindowsSuffixes) {
    store("a");
    store("b");
    storeSuffixes("a", ":ASP:PHP:");
    const auto outcome = runSheet(db_, prompts_, "a", [](Sheet& sheet) {
        sheet.profilePage().selectProfileRow(1);
        QTest::mouseClick(button(sheet, 1), Qt::LeftButton);
    });
    EXPECT_TRUE(outcome.accepted);
    EXPECT_FALSE(outcome.profileDeleted);
    EXPECT_EQ(outcome.profileName, "b");
    EXPECT_EQ(outcome.asciiSuffixes, "ASP:PHP:");

    // A profile without a stored list has the default one.
    const auto second = runSheet(db_, prompts_, "b", [](Sheet& sheet) {
        QTest::mouseClick(button(sheet, 1), Qt::LeftButton);
    });
    EXPECT_EQ(second.asciiSuffixes, "HTM:HTML:SHTM:SHTML:JAVA:TXT:JS:CSS:CGI:PL:");
}

TEST_F(SheetTest, DeletingTheMainWindowsProfileLeavesItsSuffixesAlone) {
    store("a");
    store("b");
    prompts_.answer(Answer::Ok);
    const auto outcome = runSheet(db_, prompts_, "a", [](Sheet& sheet) {
        QTest::mouseClick(button(sheet, CProfilePage::kDelete), Qt::LeftButton);
        QTest::mouseClick(button(sheet, 1), Qt::LeftButton);
    });
    EXPECT_TRUE(outcome.accepted);
    EXPECT_TRUE(outcome.profileDeleted);
    EXPECT_EQ(outcome.profileName, "");
    EXPECT_FALSE(outcome.asciiSuffixes.has_value());
    EXPECT_EQ(storedNames(), std::vector<std::string>{"b"});
}

TEST_F(SheetTest, CancelReportsADeletionAndNothingElse) {
    store("a");
    prompts_.answer(Answer::Ok);
    const auto outcome = runSheet(db_, prompts_, "a", [](Sheet& sheet) {
        QTest::mouseClick(button(sheet, CProfilePage::kDelete), Qt::LeftButton);
        QTest::mouseClick(button(sheet, 2), Qt::LeftButton);
    });
    EXPECT_FALSE(outcome.accepted);
    EXPECT_TRUE(outcome.profileDeleted);
    EXPECT_TRUE(storedNames().empty());
    EXPECT_TRUE(prompts_.unexpected().empty());
}

TEST_F(SheetTest, AStoreThatRefusesTheSaveKeepsTheSheetOpen) {
    // A site database that could not be opened at start-up takes nothing.
    tsy::SiteMgr50 unopened;
    const auto outcome = runSheet(unopened, prompts_, "", [this](Sheet& sheet) {
        current_ = &sheet;
        EXPECT_EQ(sheet.profilePage().profileName(), "新的注册记录");
        type(CProfilePage::kHost, "localhost");
        type(CProfilePage::kUser, "ann");
        QTest::mouseClick(button(sheet, 1), Qt::LeftButton);
        EXPECT_TRUE(sheet.isVisible());
    });
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(prompts_.askedIds(), std::vector<int>{1312});
    EXPECT_EQ(std::get<std::string>(prompts_.asked().at(0).args.at(0)), "新的注册记录");
}
