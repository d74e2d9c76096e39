#include "helpdialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "qtprompts.h"
#include "uitexts.h"

// The pages live in the resources of a static library, which are registered only when
// asked for.
static void registerHelpPages() {
    Q_INIT_RESOURCE(resources);
}

QString HelpDialog::pagePath() {
    const auto* module = uitexts::module();
    const bool english =
        module && module->moduleLoaded() && module->languageAbbreviation().rfind("EN", 0) == 0;
    return english ? QStringLiteral(":/help/trandel_en.html")
                   : QStringLiteral(":/help/trandel_zh.html");
}

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("help");
    setWindowTitle(uitexts::text(1277));
    auto* browser = new QTextBrowser(this);
    browser->setOpenExternalLinks(false);
    registerHelpPages();
    QFile page(pagePath());
    if (page.open(QIODevice::ReadOnly)) browser->setHtml(QString::fromUtf8(page.readAll()));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(messageButtonText(1), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    resize(560, 480);
}
