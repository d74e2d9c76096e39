#include "localeinfo.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace platform {
namespace {

struct Known {
    const char* language;   // POSIX language
    const char* territory;  // POSIX territory, "" for any
    LocaleInfo info;
};

// The first row of a language with an empty territory is its default.
const Known kLocales[] = {
    {"zh", "TW", {"CHT", 950, 0x0404}},  {"zh", "HK", {"ZHH", 950, 0x0C04}},
    {"zh", "MO", {"ZHM", 950, 0x1404}},  {"zh", "SG", {"ZHI", 936, 0x1004}},
    {"zh", "", {"CHS", 936, 0x0804}},    {"en", "GB", {"ENG", 1252, 0x0809}},
    {"en", "AU", {"ENA", 1252, 0x0C09}}, {"en", "CA", {"ENC", 1252, 0x1009}},
    {"en", "", {"ENU", 1252, 0x0409}},   {"ja", "", {"JPN", 932, 0x0411}},
    {"ko", "", {"KOR", 949, 0x0412}},    {"de", "", {"DEU", 1252, 0x0407}},
    {"fr", "", {"FRA", 1252, 0x040C}},   {"es", "", {"ESN", 1252, 0x0C0A}},
    {"it", "", {"ITA", 1252, 0x0410}},   {"pt", "BR", {"PTB", 1252, 0x0416}},
    {"pt", "", {"PTG", 1252, 0x0816}},   {"ru", "", {"RUS", 1251, 0x0419}},
    {"nl", "", {"NLD", 1252, 0x0413}},   {"sv", "", {"SVE", 1252, 0x041D}},
    {"pl", "", {"PLK", 1250, 0x0415}},   {"cs", "", {"CSY", 1250, 0x0405}},
};

}  // namespace

LocaleInfo localeFromName(const std::string& name) {
    // language[_territory][.codeset][@modifier]
    std::string base = name.substr(0, name.find_first_of(".@"));
    if (base.empty() || base == "C" || base == "POSIX") return localeFromName("en_US");
    std::string language = base.substr(0, base.find('_'));
    std::string territory =
        base.find('_') == std::string::npos ? "" : base.substr(base.find('_') + 1);
    std::transform(language.begin(), language.end(), language.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::transform(territory.begin(), territory.end(), territory.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const auto& known : kLocales)
        if (language == known.language && (territory == known.territory || !*known.territory))
            return known.info;
    return {};
}

LocaleInfo environmentLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return localeFromName(value);
    }
    return localeFromName("C");
}

std::string languageCode(const std::string& abbreviation) {
    std::string upper = abbreviation;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    std::string code = upper == "CHS" ? "zh" : upper.substr(0, 2);
    std::transform(code.begin(), code.end(), code.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return code;
}

}  // namespace platform
