#include <QApplication>
#include <QProxyStyle>

#include "filetypes.h"
#include "ftpapp.h"

namespace {

// The main window's tips show after half a second (they hide after 4.5 s by themselves).
class TipTimingStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay) return 500;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setStyle(new TipTimingStyle);
    useDesktopIconTheme();
    FtpApp app(QApplication::arguments());
    return app.run();
}
