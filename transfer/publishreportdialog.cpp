#include "publishreportdialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "uitexts.h"

PublishReportDialog::PublishReportDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kCaption));
    setWindowTitle(uitexts::text(kCaption));
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // "Close", as the main window's own button reads, in the window's language.
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(uitexts::dialogText(kMainWindowDialog, 2), QDialogButtonBox::RejectRole)
        ->setObjectName("2");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    resize(640, 360);
}

void PublishReportDialog::setReport(const QString& text) {
    text_->setPlainText(text);
}

QString PublishReportDialog::report() const {
    return text_->toPlainText();
}
