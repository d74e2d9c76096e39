#pragma once

#include <QStringList>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "prompts.h"
#include "resourcelanguagemodule.h"
#include "sitemgr50.h"

class MainWindow;

// What a test may replace in the application object. Production leaves everything at
// its default.
struct FtpAppEnvironment {
    std::function<std::time_t()> clock;
    std::function<bool()> initSockets;
    std::string programFolder;                   // where tsymig and the language modules are
    platform::Prompts* prompts = nullptr;        // questions asked before the window exists
    std::function<void(MainWindow&)> runWindow;  // default: exec()
};

// trandel's application object: the start sequence in its fixed order, the main window
// run modally, and the exit.
class FtpApp {
public:
    using Environment = FtpAppEnvironment;

    explicit FtpApp(QStringList arguments, Environment environment = {});
    ~FtpApp();

    // The whole start sequence; returns the process exit code.
    int run();

    bool initInstance();
    void exitInstance();
    void launchMigration();
    void openSiteDatabase();

    // The start-up steps in the order they ran, for the record and for tests.
    const std::vector<std::string>& steps() const { return steps_; }

    std::string startFolder;
    tsy::SiteMgr50 siteDatabase;
    platform::ResourceLanguageModule& languageModule() { return *languageModule_; }
    // The key of the window and view settings below the current user.
    const std::string& settingsKey() const { return settingsKey_; }

    // The command line taken whole as a folder, ending in "/" unless empty.
    static std::string startFolderFrom(const QStringList& arguments);

private:
    platform::Prompts& prompts();

    QStringList arguments_;
    Environment environment_;
    std::unique_ptr<platform::ResourceLanguageModule> languageModule_;
    std::unique_ptr<platform::Prompts> ownPrompts_;
    std::vector<std::string> steps_;
    std::string settingsKey_;
};
