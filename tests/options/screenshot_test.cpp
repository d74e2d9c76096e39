// Pictures of the options sheet's pages in both languages, for a person to look at.
#include <QDir>

#include "sheetfixture.h"

using options::CFtpFtype;

TEST_F(SheetTest, ScreenshotsOfThePages) {
    for (auto language : {UiTexts::Language::Chinese, UiTexts::Language::English}) {
        UiTexts texts(language);
        const QString suffix = language == UiTexts::Language::Chinese ? "zh" : "en";
        if (storedNames().empty()) {
            store("Intranet");
            session::ServerProfile web = store("www.example.org", "127.0.0.1", "webmaster");
            web.initialDirMode = 2;
            web.initialRemoteDir = "/var/www/html";
            web.passiveMode = 1;
            web.firewallHost = "gateway";
            web.firewallUser = "proxy";
            session::saveProfile(db_, web);
            store("测试服务器");
        }
        open("www.example.org");
        QDir().mkpath(screenshotPath(""));
        const struct {
            Sheet::Page page;
            const char* name;
        } pages[] = {{Sheet::ProfilePage, "options_profile_"},
                     {Sheet::ExtensionPage, "options_extensions_"},
                     {Sheet::AdvancedPage, "options_advanced_"}};
        for (const auto& page : pages) {
            sheet_->showPage(page.page);
            if (page.page == Sheet::ExtensionPage) type(CFtpFtype::kEntry, "asp");
            QApplication::processEvents();
            const QPixmap picture = sheet_->grab();
            ASSERT_FALSE(picture.isNull());
            EXPECT_TRUE(picture.save(screenshotPath(page.name + suffix + ".png")));
        }
        sheet_->reject();
    }
}
