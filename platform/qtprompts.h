#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "prompts.h"

// The production prompts: Qt message boxes over the given window, with the program's
// title as caption and the button texts of the program's language.
class QtPrompts : public platform::Prompts {
public:
    QtPrompts(QWidget* parent, int titleStringId) : parent_(parent), titleId_(titleStringId) {}
    platform::Answer ask(const platform::Message& message) override;
    std::optional<std::string> askPassword(const std::string& host) override;
    platform::CertificateAnswer askCertificate(
        const platform::CertificateQuestion& question) override;

private:
    QPointer<QWidget> parent_;
    int titleId_;
};

// The texts of the standard message box buttons, by their classic numbers
// (1 OK, 2 Cancel, 6 Yes, 7 No), kept in the text tables under dialog 0.
QString messageButtonText(int button);
