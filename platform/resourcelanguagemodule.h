#pragma once

#include <memory>
#include <string>

#include "localeinfo.h"
#include "texttable.h"

namespace platform {

// The program's texts: the built-in table, replaced by a language module file when one
// exists for the user's locale. Module files are text tables named prefix + "_" +
// language code + ".dll" (ftp_en.dll), searched in the module folder (the folder of
// the executable). A text that a module lacks comes from the built-in table.
class ResourceLanguageModule {
public:
    ResourceLanguageModule(std::string prefix, TextTable builtIn, std::string moduleFolder);

    // Loads the module for the environment's locale; 1 when one was loaded.
    int loadForLocale();
    int loadForLocale(const LocaleInfo& locale);
    // Loads the named file (relative names are taken in the module folder) and makes it
    // the source of texts; 1 on success.
    int tryLoadModule(const std::string& fileName);
    // Back to the built-in texts.
    void unload();

    bool moduleLoaded() const { return module_ != nullptr; }
    const std::string& languageAbbreviation() const { return languageAbbreviation_; }
    int ansiCodePage() const { return ansiCodePage_; }
    int localeId() const { return localeId_; }
    const std::string& modulePath() const { return modulePath_; }

    std::string string(int id) const;
    std::string dialogText(int dialog, int control) const;
    std::string menuText(int menu, int command) const;
    const TextTable& builtIn() const { return builtIn_; }

private:
    std::string prefix_;
    TextTable builtIn_;
    std::string folder_;
    std::unique_ptr<TextTable> module_;
    std::string modulePath_;
    std::string languageAbbreviation_;
    int ansiCodePage_ = 0;
    int localeId_ = 0;
};

}  // namespace platform
