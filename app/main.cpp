#include <QApplication>

#include "filetypes.h"
#include "ftpapp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    useDesktopIconTheme();
    FtpApp app(QApplication::arguments());
    return app.run();
}
