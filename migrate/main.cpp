#include <QApplication>
#include <string>
#include <vector>

#include "migrationapp.h"

int main(int argc, char** argv) {
    MigrationApp app(std::vector<std::string>(argv + 1, argv + argc));
    if (!app.start()) return app.exitCode();
    QApplication application(argc, argv);
    return app.runDialog();
}
