#include <QApplication>

#include "builtintexts.h"
#include "mainwindow.h"
#include "resourcelanguagemodule.h"
#include "uitexts.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::ResourceLanguageModule texts(
        "ftp", platform::TextTable::parse(builtinTexts()),
        QCoreApplication::applicationDirPath().toStdString());
    texts.loadForLocale();
    uitexts::install(&texts);
    MainWindow window;
    if (!window.initialize()) return 1;
    window.exec();
    uitexts::install(nullptr);
    return 0;
}
