#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "migrationplan.h"
#include "resourcelanguagemodule.h"

class MigrationDialog;

// What a test may replace in the application object. Production leaves it at its default.
struct MigrationAppEnvironment {
    std::string programFolder;                       // where the language modules are
    std::function<int(MigrationDialog&)> runDialog;  // default: exec()
};

// tsymig's application object. start() needs no window system: when nothing is to be
// offered the program ends without ever opening a display.
class MigrationApp {
public:
    using Environment = MigrationAppEnvironment;

    // Said on stderr when the dialog is due but no window system can be reached.
    static constexpr int kNoWindowSystemText = 112;

    explicit MigrationApp(std::vector<std::string> arguments, Environment environment = {});
    ~MigrationApp();

    // Texts, locale, the switch and the probes. True when the dialog is to be shown;
    // otherwise exitCode() is final.
    bool start();
    // Shows the dialog (a QApplication must exist), does the chosen work after OK and
    // returns the exit code.
    int runDialog();

    int exitCode() const { return exitCode_; }
    const migration::Probes& probes() const { return probes_; }
    platform::ResourceLanguageModule& languageModule() { return *languageModule_; }

private:
    std::vector<std::string> arguments_;
    Environment environment_;
    std::unique_ptr<platform::ResourceLanguageModule> languageModule_;
    migration::MigrationSwitch switch_;
    migration::Probes probes_;
    int exitCode_ = migration::kNothingLeft;
};
