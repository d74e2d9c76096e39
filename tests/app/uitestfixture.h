#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "builtintexts.h"
#include "resourcelanguagemodule.h"
#include "uitexts.h"

// Installs trandel's texts for a test: the built-in Chinese ones, or with the English
// module of the source tree loaded.
class UiTexts {
public:
    enum class Language { Chinese, English };
    explicit UiTexts(Language language = Language::Chinese)
        : module_("ftp", platform::TextTable::parse(builtinTexts()), TRANDEL_TEXTS_DIR) {
        if (language == Language::English) {
            EXPECT_EQ(module_.tryLoadModule(TRANDEL_TEXTS_DIR "/ftp_en.dll"), 1);
        }
        uitexts::install(&module_);
    }
    ~UiTexts() { uitexts::install(nullptr); }
    platform::ResourceLanguageModule& module() { return module_; }

private:
    platform::ResourceLanguageModule module_;
};

// Where the screenshot tests write their pictures.
inline QString screenshotPath(const QString& name) {
    return QStringLiteral(SCREENSHOT_DIR "/") + name;
}
