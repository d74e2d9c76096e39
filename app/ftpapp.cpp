#include "ftpapp.h"

#include <QCoreApplication>
#include <clocale>
#include <csignal>

#include "builtintexts.h"
#include "cregistrybase.h"
#include "ctsccommon.h"
#include "mainwindow.h"
#include "process.h"
#include "profilestore.h"
#include "qtprompts.h"
#include "uitexts.h"

namespace {

constexpr int kTitleString = 57344;
constexpr int kClockWrong = 1301;
constexpr int kSocketsFailed = 104;
constexpr const char* kMigrationDone = "migrationDone";
constexpr const char* kMigNeverShow = "migNeverShow";

// Sockets need no start-up here; what a dead peer must not do is kill the process.
bool initSockets() {
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

}  // namespace

FtpApp::FtpApp(QStringList arguments, Environment environment)
    : arguments_(std::move(arguments)), environment_(std::move(environment)) {
    if (!environment_.clock) environment_.clock = [] { return std::time(nullptr); };
    if (!environment_.initSockets) environment_.initSockets = initSockets;
    if (environment_.programFolder.empty())
        environment_.programFolder = tsy::CTscCommon::getProductFolder(tsy::CTscCommon::Programs);
}

FtpApp::~FtpApp() {
    uitexts::install(nullptr);
}

platform::Prompts& FtpApp::prompts() {
    if (environment_.prompts) return *environment_.prompts;
    if (!ownPrompts_) ownPrompts_ = std::make_unique<QtPrompts>(nullptr, kTitleString);
    return *ownPrompts_;
}

std::string FtpApp::startFolderFrom(const QStringList& arguments) {
    std::string folder = arguments.mid(1).join(' ').toStdString();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

int FtpApp::run() {
    initInstance();
    exitInstance();
    return 0;
}

bool FtpApp::initInstance() {
    // The language module decides every text the user sees from here on.
    languageModule_ = std::make_unique<platform::ResourceLanguageModule>(
        "ftp", platform::TextTable::parse(builtinTexts()), environment_.programFolder);
    languageModule_->loadForLocale();
    uitexts::install(languageModule_.get());
    steps_.push_back("module");

    // The user's locale for everything but numbers, which keep the point as decimal
    // separator so that rates read alike in every language.
    std::setlocale(LC_ALL, "");
    steps_.push_back("locale");

    if (environment_.clock() < 0) {
        prompts().ask({kClockWrong, {}, platform::Buttons::Ok, platform::Icon::Warning});
        steps_.push_back("clock-wrong");
        return false;
    }
    steps_.push_back("clock");
    std::setlocale(LC_NUMERIC, "C");

    if (!environment_.initSockets()) {
        prompts().ask({kSocketsFailed, {}, platform::Buttons::Ok, platform::Icon::Error});
        steps_.push_back("sockets-failed");
        return false;
    }
    steps_.push_back("sockets");

    startFolder = startFolderFrom(arguments_);
    steps_.push_back("start-folder");

    settingsKey_ = "Software\\" + tsy::CTscCommon::getSetRegistryKey() + "\\" +
                   tsy::CTscCommon::key_trandel + "\\settings";
    steps_.push_back("registry-key");

    launchMigration();
    steps_.push_back("migration");
    openSiteDatabase();
    steps_.push_back("site-database");

    MainWindow window(MainWindow::Context{&siteDatabase, startFolder, settingsKey_});
    if (window.initialize()) {
        steps_.push_back("main-window");
        if (environment_.runWindow)
            environment_.runWindow(window);
        else
            window.exec();
    }
    return false;
}

void FtpApp::exitInstance() {
    uitexts::install(nullptr);
    if (languageModule_) languageModule_->unload();
    languageModule_.reset();
}

void FtpApp::launchMigration() {
    tsy::CRegistryBase settings(tsy::CTscCommon::getHKCUTsypageSettings(), tsy::HKEY_CURRENT_USER,
                                1);
    const std::uint32_t done = settings.GetValueDWORD(kMigrationDone, 0);
    const std::uint32_t never = settings.GetValueDWORD(kMigNeverShow, 0);
    if (never != 0) return;
    const std::string& folder = environment_.programFolder;
    if (folder.empty()) return;

    const auto outcome = platform::runAndWait(folder + "tsymig", {done != 0 ? "-m1" : "-m0"});
    // A program that did not start, or ended without an exit code (killed), is tried
    // again at the next start.
    if (outcome.started && outcome.exited && outcome.exitCode != 0) {
        settings.SetValueDWORD(kMigrationDone, 1);
        settings.SetValueDWORD(kMigNeverShow, 1);
    }
}

void FtpApp::openSiteDatabase() {
    session::openSiteDatabase(siteDatabase);
}
