#include <QApplication>

#include "ftpapp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    FtpApp app(QApplication::arguments());
    return app.run();
}
