#include "qtprompts.h"

#include <QMessageBox>
#include <QPushButton>

#include "certificatedialog.h"
#include "passworddialog.h"
#include "uitexts.h"

namespace {

constexpr int kButtonOk = 1, kButtonCancel = 2, kButtonYes = 6, kButtonNo = 7;

QMessageBox::Icon iconFor(platform::Icon icon) {
    switch (icon) {
        case platform::Icon::Information:
            return QMessageBox::Information;
        case platform::Icon::Warning:
            return QMessageBox::Warning;
        case platform::Icon::Question:
            return QMessageBox::Question;
        case platform::Icon::Error:
            return QMessageBox::Critical;
        case platform::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString messageButtonText(int button) {
    QString text = uitexts::dialogText(0, button);
    if (!text.isEmpty()) return text;
    switch (button) {
        case kButtonOk:
            return QStringLiteral("OK");
        case kButtonCancel:
            return QStringLiteral("Cancel");
        case kButtonYes:
            return QStringLiteral("&Yes");
        case kButtonNo:
            return QStringLiteral("&No");
    }
    return {};
}

platform::Answer QtPrompts::ask(const platform::Message& message) {
    using platform::Answer;
    QMessageBox box(iconFor(message.icon), uitexts::text(titleId_),
                    uitexts::message(message.id, message.args), QMessageBox::NoButton, parent_);
    struct Choice {
        int number;
        QMessageBox::ButtonRole role;
        Answer answer;
    };
    std::vector<Choice> choices;
    switch (message.buttons) {
        case platform::Buttons::Ok:
            choices = {{kButtonOk, QMessageBox::AcceptRole, Answer::Ok}};
            break;
        case platform::Buttons::OkCancel:
            choices = {{kButtonOk, QMessageBox::AcceptRole, Answer::Ok},
                       {kButtonCancel, QMessageBox::RejectRole, Answer::Cancel}};
            break;
        case platform::Buttons::YesNo:
            choices = {{kButtonYes, QMessageBox::YesRole, Answer::Yes},
                       {kButtonNo, QMessageBox::NoRole, Answer::No}};
            break;
        case platform::Buttons::YesNoCancel:
            choices = {{kButtonYes, QMessageBox::YesRole, Answer::Yes},
                       {kButtonNo, QMessageBox::NoRole, Answer::No},
                       {kButtonCancel, QMessageBox::RejectRole, Answer::Cancel}};
            break;
    }
    std::vector<std::pair<QAbstractButton*, Answer>> buttons;
    for (const auto& choice : choices)
        buttons.emplace_back(box.addButton(messageButtonText(choice.number), choice.role),
                             choice.answer);
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front().first));
    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button) return answer;
    // Closed without a button: the escape answer of the box.
    switch (message.buttons) {
        case platform::Buttons::Ok:
            return Answer::Ok;
        case platform::Buttons::YesNo:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

std::optional<std::string> QtPrompts::askPassword(const std::string& host) {
    PasswordDialog dialog(parent_, QString::fromStdString(host));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.password().toStdString();
}

platform::CertificateAnswer QtPrompts::askCertificate(
    const platform::CertificateQuestion& question) {
    CertificateDialog dialog(parent_, question);
    dialog.exec();
    return dialog.answer();
}
