// The permission dialog: a listing's permission text read into a mode, the boxes, digits
// and text it opens with, clicks keeping them in step, and the answers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "permissiondialog.h"
#include "permissions.h"
#include "uitestfixture.h"

namespace {

// What the dialog shows: the nine boxes as a text like "rwxr-x---", then the digits.
std::string shown(const PermissionDialog& dialog) {
    std::string text;
    for (int i = 0; i < 9; ++i)
        text += dialog.findChild<QCheckBox*>(QString::number(1100 + i))->isChecked() ? "rwx"[i % 3]
                                                                                     : '-';
    for (int id : {1109, 1111, 1112})
        text += " " + dialog.findChild<QLineEdit*>(QString::number(id))->text().toStdString();
    return text;
}

}  // namespace

TEST(PermissionDialog, TextsModesAndBoxesInStep) {
    UiTexts texts;
    const struct {
        const char* listed;       // the entry's permission column
        int mode;                 // parsePermissionText's answer
        std::vector<int> clicks;  // boxes clicked in the dialog
        const char* boxesAndDigits;
        int result;
    } cases[] = {
        {"-rwxr-x---", 750, {}, "rwxr-x--- 7 5 0", 750},
        {"drwxrwsr-x", 765, {}, "rwxrw-r-x 7 6 5", 765},
        {"-rwSr-sr-t", 644, {}, "rw-r--r-- 6 4 4", 644},
        {"lrwxrwxrwx", 777, {}, "rwxrwxrwx 7 7 7", 777},
        {"-rw-r--r--+", 0, {}, "--------- 0 0 0", 0},
        {"rw-r--r--", 0, {}, "--------- 0 0 0", 0},
        {"", 0, {}, "--------- 0 0 0", 0},
        {"03-05-99  10:30AM  <DIR>", 0, {}, "--------- 0 0 0", 0},
        {"----------", 0, {1106}, "------r-- 0 0 4", 4},
        {"-rwxr-xr-x", 755, {1104}, "rwxrwxr-x 7 7 5", 775},
        {"-rwxrwxr-x", 775, {1104}, "rwxr-xr-x 7 5 5", 755},
        {"-rw-r--r--", 644, {1100, 1101, 1103, 1106}, "--------- 0 0 0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listed);
        EXPECT_EQ(transfer::parsePermissionText(c.listed), c.mode);
        PermissionDialog dialog(c.mode, nullptr);
        for (int id : c.clicks)
            QTest::mouseClick(dialog.findChild<QCheckBox*>(QString::number(id)), Qt::LeftButton);
        EXPECT_EQ(shown(dialog), c.boxesAndDigits);
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1110")->text().toStdString(),
                  std::string(c.boxesAndDigits, 9));
        EXPECT_EQ(dialog.resultMode(), c.result);
    }
}

TEST(PermissionDialog, OkGivesTheModeCancelAndEscapeNothing) {
    UiTexts texts;
    const struct {
        const char* action;
        std::optional<int> mode;
    } cases[] = {{"1", 751}, {"2", std::nullopt}, {"escape", std::nullopt}};
    for (const auto& c : cases) {
        QTimer::singleShot(0, [&c] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QTest::mouseClick(dialog->findChild<QCheckBox*>("1108"), Qt::LeftButton);
            if (std::string(c.action) == "escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog->findChild<QPushButton*>(c.action), Qt::LeftButton);
        });
        EXPECT_EQ(PermissionDialog::ask(nullptr, 750), c.mode) << c.action;
    }
}

TEST(PermissionDialog, Screenshots) {
    QDir().mkpath(screenshotPath(""));
    for (auto language : {UiTexts::Language::Chinese, UiTexts::Language::English}) {
        UiTexts texts(language);
        PermissionDialog dialog(755, nullptr);
        EXPECT_EQ(dialog.windowTitle(),
                  language == UiTexts::Language::Chinese ? "更改访问权限" : "Change Permissions");
        dialog.show();
        QApplication::processEvents();
        const QString suffix = language == UiTexts::Language::Chinese ? "zh" : "en";
        EXPECT_TRUE(dialog.grab().save(screenshotPath("permissions_" + suffix + ".png")));
    }
}
