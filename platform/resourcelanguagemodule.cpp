#include "resourcelanguagemodule.h"

#include <fstream>
#include <sstream>

namespace platform {

ResourceLanguageModule::ResourceLanguageModule(std::string prefix, TextTable builtIn,
                                               std::string moduleFolder)
    : prefix_(std::move(prefix)), builtIn_(std::move(builtIn)), folder_(std::move(moduleFolder)) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

int ResourceLanguageModule::loadForLocale() {
    return loadForLocale(environmentLocale());
}

int ResourceLanguageModule::loadForLocale(const LocaleInfo& locale) {
    if (locale.abbreviation.empty()) return 0;
    if (!tryLoadModule(prefix_ + "_" + languageCode(locale.abbreviation) + ".dll")) return 0;
    languageAbbreviation_ = locale.abbreviation;
    ansiCodePage_ = locale.ansiCodePage;
    localeId_ = locale.localeId;
    return 1;
}

int ResourceLanguageModule::tryLoadModule(const std::string& fileName) {
    languageAbbreviation_.clear();
    ansiCodePage_ = 0;
    localeId_ = 0;

    const std::string path =
        fileName.find('/') == std::string::npos ? folder_ + fileName : fileName;
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    std::stringstream contents;
    contents << in.rdbuf();
    if (in.bad()) return 0;
    auto table = std::make_unique<TextTable>(TextTable::parse(contents.str()));
    // A file without a single text is no language module.
    if (table->empty()) return 0;
    module_ = std::move(table);
    modulePath_ = path;
    return 1;
}

void ResourceLanguageModule::unload() {
    module_.reset();
    modulePath_.clear();
}

std::string ResourceLanguageModule::string(int id) const {
    const std::string* text = module_ ? module_->string(id) : nullptr;
    if (!text) text = builtIn_.string(id);
    return text ? *text : std::string();
}

std::string ResourceLanguageModule::dialogText(int dialog, int control) const {
    const std::string* text = module_ ? module_->dialogText(dialog, control) : nullptr;
    if (!text) text = builtIn_.dialogText(dialog, control);
    return text ? *text : std::string();
}

std::string ResourceLanguageModule::menuText(int menu, int command) const {
    const std::string* text = module_ ? module_->menuText(menu, command) : nullptr;
    if (!text) text = builtIn_.menuText(menu, command);
    return text ? *text : std::string();
}

}  // namespace platform
