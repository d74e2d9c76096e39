#pragma once

#include <QDialog>

class QLineEdit;

// Asks the password of a host: the host in a read-only field, the password masked.
class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 187;
    PasswordDialog(QWidget* parent, const QString& host);
    QString password() const;

private:
    QLineEdit* password_ = nullptr;
};
