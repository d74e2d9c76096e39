// The two context menus: items, texts with their keys, separators, when they open.
#include <QDir>
#include <QMenu>

#include "contextmenus.h"
#include "uitestfixture.h"

using keys::Command;

namespace {

// The menu as a line: each item's text, "|" for a separator.
QStringList shown(QMenu& menu) {
    QStringList texts;
    for (QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return texts;
}

}  // namespace

TEST(ContextMenus, ItemsTextsAndSeparatorsInBothLanguages) {
    const struct {
        int menu;
        UiTexts::Language language;
        QStringList texts;
    } cases[] = {
        {134,
         UiTexts::Language::Chinese,
         {"创建新目录\t(Ctrl+M)", "|", "更改文件名\t(Ctrl+N)", "删除文件\t(Delete)",
          "更改访问权限\t(Ctrl+P)", "|", "移至 Home Folder 目录\t(Home)", "|",
          "列出非本机中的文件\t(Ctrl+D)", "列出更新的文件\t(Ctrl+U)", "|", "更新信息\t(F5)", "|",
          "全选\t(Ctrl+A)"}},
        {135,
         UiTexts::Language::Chinese,
         {"更改目录\t(Ctrl+O)", "新建目录\t(Ctrl+M)", "|", "更改文件名\t(Ctrl+N)",
          "删除文件\t(Delete)", "转换为小写字母\t(Ctrl+S)", "|", "列出非服务器中的文件\t(Ctrl+D)",
          "列出更新的文件\t(Ctrl+U)", "|", "更新信息\t(F5)", "|", "全选\t(Ctrl+A)"}},
    };
    for (const auto& c : cases) {
        UiTexts texts(c.language);
        std::unique_ptr<QMenu> menu(contextmenus::build(c.menu, nullptr));
        EXPECT_EQ(shown(*menu), c.texts) << c.menu;
    }
    // Every item of both menus has a text in English too, with its key after a tab.
    UiTexts english(UiTexts::Language::English);
    for (int menu : {134, 135}) {
        std::unique_ptr<QMenu> built(contextmenus::build(menu, nullptr));
        for (QAction* action : built->actions()) {
            if (!action->isSeparator()) {
                EXPECT_TRUE(action->text().contains('\t')) << action->text().toStdString();
            }
        }
    }
}

TEST(ContextMenus, CommandsAndWhenTheyOpen) {
    EXPECT_EQ(contextmenus::commandOf(134, 1222), Command::DeleteRemote);
    EXPECT_EQ(contextmenus::commandOf(135, 32778), Command::DeleteLocalToTrash);
    EXPECT_EQ(contextmenus::commandOf(135, 32783), Command::None) << "a remote item";
    EXPECT_EQ(contextmenus::commandOf(134, 0), Command::None);
    for (int menu : {134, 135})
        for (const auto& item : contextmenus::items(menu))
            EXPECT_EQ(item.id == 0, item.command == Command::None) << item.id;
    const struct {
        int menu;
        bool transferRunning, hasSession, opens;
    } cases[] = {{135, false, false, true},
                 {135, true, true, false},
                 {134, false, true, true},
                 {134, false, false, false},
                 {134, true, true, false}};
    for (const auto& c : cases)
        EXPECT_EQ(contextmenus::mayOpen(c.menu, c.transferRunning, c.hasSession), c.opens)
            << c.menu << c.transferRunning << c.hasSession;
}

TEST(ContextMenus, Screenshots) {
    QDir().mkpath(screenshotPath(""));
    for (auto language : {UiTexts::Language::Chinese, UiTexts::Language::English}) {
        UiTexts texts(language);
        const QString suffix = language == UiTexts::Language::Chinese ? "zh" : "en";
        for (int menu : {134, 135}) {
            std::unique_ptr<QMenu> built(contextmenus::build(menu, nullptr));
            built->popup(QPoint(0, 0));
            QApplication::processEvents();
            EXPECT_TRUE(built->grab().save(
                screenshotPath(QStringLiteral("menu%1_%2.png").arg(menu).arg(suffix))));
            built->close();
        }
    }
}
