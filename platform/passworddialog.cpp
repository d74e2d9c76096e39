#include "passworddialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qtprompts.h"
#include "uitexts.h"

PasswordDialog::PasswordDialog(QWidget* parent, const QString& host) : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));
    auto* hostField = new QLineEdit(host, this);
    hostField->setObjectName("1069");
    hostField->setReadOnly(true);
    password_ = new QLineEdit(this);
    password_->setObjectName("1067");
    password_->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(uitexts::dialogText(kDialogId, 9001), hostField);
    form->addRow(uitexts::dialogText(kDialogId, 9002), password_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(messageButtonText(1), QDialogButtonBox::AcceptRole);
    ok->setObjectName("1");
    ok->setDefault(true);
    buttons->addButton(messageButtonText(2), QDialogButtonBox::RejectRole)->setObjectName("2");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(320);
    password_->setFocus();
}

QString PasswordDialog::password() const {
    return password_->text();
}
