#pragma once

#include <gtest/gtest.h>

#include "migrationtexts.h"
#include "resourcelanguagemodule.h"
#include "uitexts.h"

// Installs tsymig's texts for a test: the built-in Chinese ones, or the English module of
// the source tree.
class MigTexts {
public:
    enum class Language { Chinese, English };
    explicit MigTexts(Language language = Language::Chinese)
        : module_("mig", platform::TextTable::parse(migrationBuiltinTexts()), MIG_TEXTS_DIR) {
        if (language == Language::English) {
            EXPECT_EQ(module_.tryLoadModule(MIG_TEXTS_DIR "/mig_en.dll"), 1);
        }
        uitexts::install(&module_);
    }
    ~MigTexts() { uitexts::install(nullptr); }

private:
    platform::ResourceLanguageModule module_;
};
