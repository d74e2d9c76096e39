// The delete confirmation: caption and text by mode, the permanent variant, the answers.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "deleteconfirmdialog.h"
#include "uitestfixture.h"

TEST(DeleteConfirmDialog, CaptionAndTextByMode) {
    UiTexts texts;
    const struct {
        transfer::DeleteQuestion question;
        const char* caption;
        const char* text;
    } cases[] = {
        {{0, "images", false}, "确认删除目录", "确认要将目录 'images' 和其中的全部文件转移吗？"},
        {{1, "index.html", false}, "确认文件删除", "确认要删除 index.html 文件吗？"},
        {{3, "a.html", false}, "确认多个文件删除", "确认要删除 3 项吗？"},
        {{1, "index.html", true},
         "确认文件删除",
         "确认要删除 index.html 文件吗？\n\n将永久删除，无法恢复。"},
    };
    for (const auto& c : cases) {
        DeleteConfirmDialog dialog(nullptr, c.question);
        EXPECT_EQ(dialog.windowTitle(), QString(c.caption));
        EXPECT_EQ(dialog.findChild<QLabel*>("1038")->text(), QString(c.text));
        EXPECT_EQ(dialog.findChild<QPushButton*>("1")->text(), "是(&Y)");
        EXPECT_EQ(dialog.findChild<QPushButton*>("2")->text(), "否(&N)");
    }
}

TEST(DeleteConfirmDialog, YesGoesAheadNoAndEscapeDoNot) {
    UiTexts texts;
    const struct {
        const char* action;
        bool confirmed;
    } cases[] = {{"1", true}, {"2", false}, {"escape", false}};
    for (const auto& c : cases) {
        QTimer::singleShot(0, [&c] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (std::string(c.action) == "escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog->findChild<QPushButton*>(c.action), Qt::LeftButton);
        });
        EXPECT_EQ(DeleteConfirmDialog::confirm(nullptr, {1, "a.html", false}), c.confirmed)
            << c.action;
    }
}

TEST(DeleteConfirmDialog, Screenshots) {
    QDir().mkpath(screenshotPath(""));
    for (auto language : {UiTexts::Language::Chinese, UiTexts::Language::English}) {
        UiTexts texts(language);
        const QString suffix = language == UiTexts::Language::Chinese ? "zh" : "en";
        const struct {
            transfer::DeleteQuestion question;
            const char* name;
        } shots[] = {{{0, "images", false}, "delete_directory_"},
                     {{3, "", false}, "delete_items_"},
                     {{1, "index.html", true}, "delete_permanently_"}};
        for (const auto& shot : shots) {
            DeleteConfirmDialog dialog(nullptr, shot.question);
            dialog.show();
            QApplication::processEvents();
            EXPECT_TRUE(dialog.grab().save(screenshotPath(shot.name + suffix + ".png")));
        }
    }
}
