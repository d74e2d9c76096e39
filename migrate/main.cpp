#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "migrationapp.h"
#include "migrationplan.h"

namespace {

std::string noWindowText;
QtMessageHandler qtHandler = nullptr;

// Qt ends a program that cannot reach a window system with an abort, and an exit code
// that trandel would read as "done". Without a window the dialog is offered again.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        qtHandler(type, context, text);
        return;
    }
    std::fprintf(stderr, "tsymig: %s\n", noWindowText.c_str());
    std::fflush(stderr);
    std::_Exit(migration::kOfferAgain);
}

}  // namespace

int main(int argc, char** argv) {
    MigrationApp app(std::vector<std::string>(argv + 1, argv + argc));
    if (!app.start()) return app.exitCode();
    noWindowText = app.languageModule().string(MigrationApp::kNoWindowSystemText);
    qtHandler = qInstallMessageHandler(onQtMessage);
    QApplication application(argc, argv);
    qInstallMessageHandler(qtHandler);
    return app.runDialog();
}
