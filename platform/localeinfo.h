#pragma once

#include <string>

namespace platform {

// What the program needs to know of the user's locale, in the terms the language
// modules are named by: a three-letter language abbreviation (CHS, CHT, ENU, JPN ...),
// the Windows ANSI code page and locale identifier that go with it (kept for the
// record; texts are UTF-8 here).
struct LocaleInfo {
    std::string abbreviation;  // empty when the locale is not known
    int ansiCodePage = 0;
    int localeId = 0;
};

// The locale of the POSIX environment: the first non-empty of LC_ALL, LC_MESSAGES, LANG.
// "C", "POSIX" and an unset environment count as US English.
LocaleInfo environmentLocale();

// Maps a POSIX locale name such as "zh_CN.UTF-8" or "en_GB" to its LocaleInfo.
LocaleInfo localeFromName(const std::string& name);

// The language code of the module file name: "zh" for CHS, otherwise the first two
// letters of the abbreviation in lower case (ENU gives "en", JPN "jp", CHT "ch").
std::string languageCode(const std::string& abbreviation);

}  // namespace platform
