#include "migrationapp.h"

#include <QApplication>
#include <QCursor>
#include <clocale>

#include "ctsccommon.h"
#include "migrationdialog.h"
#include "migrationtexts.h"
#include "uitexts.h"

MigrationApp::MigrationApp(std::vector<std::string> arguments, Environment environment)
    : arguments_(std::move(arguments)), environment_(std::move(environment)) {
    if (environment_.programFolder.empty())
        environment_.programFolder = tsy::CTscCommon::getProductFolder(tsy::CTscCommon::Programs);
}

MigrationApp::~MigrationApp() {
    uitexts::install(nullptr);
    if (languageModule_) languageModule_->unload();
}

bool MigrationApp::start() {
    languageModule_ = std::make_unique<platform::ResourceLanguageModule>(
        "mig", platform::TextTable::parse(migrationBuiltinTexts()), environment_.programFolder);
    languageModule_->loadForLocale();
    uitexts::install(languageModule_.get());

    // The user's locale, with the point as decimal separator, as trandel runs.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    exitCode_ = migration::kNothingLeft;

    switch_ = migration::parseSwitch(arguments_);
    probes_ = migration::runProbes();
    return migration::dialogNeeded(probes_, switch_.done);
}

int MigrationApp::runDialog() {
    MigrationDialog dialog(probes_, switch_.done);
    const int result = environment_.runDialog ? environment_.runDialog(dialog) : dialog.exec();
    if (result != QDialog::Accepted) {
        exitCode_ = migration::kOfferAgain;
        return exitCode_;
    }
    const migration::Choices choices = dialog.choices();
    dialog.hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    exitCode_ = migration::carryOut(choices, probes_);
    QApplication::restoreOverrideCursor();
    return exitCode_;
}
