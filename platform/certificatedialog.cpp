#include "certificatedialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "qtprompts.h"
#include "uitexts.h"

namespace {

constexpr int kUnverified = 1326, kChanged = 1327, kSubject = 1328, kIssuer = 1329,
              kValidFrom = 1330, kValidUntil = 1331, kFingerprint = 1332, kProblem = 1333,
              kTrustedBefore = 1334, kOtherProblem = 1342;

QLabel* valueLabel(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString reasonsText(const platform::CertificateQuestion& question) {
    QStringList lines;
    for (int reason : question.reasons)
        lines << (reason == kOtherProblem ? uitexts::message(reason, {question.detail})
                                          : uitexts::text(reason));
    return lines.join('\n');
}

}  // namespace

CertificateDialog::CertificateDialog(QWidget* parent, const platform::CertificateQuestion& question)
    : QDialog(parent) {
    setObjectName(QString::number(kCaption));
    setWindowTitle(uitexts::text(kCaption));

    const int introId = question.changed() ? kChanged : kUnverified;
    auto* icon = new QLabel(this);
    const auto standard =
        question.changed() ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning;
    icon->setPixmap(style()->standardIcon(standard).pixmap(32, 32));
    auto* intro =
        new QLabel(uitexts::message(introId, {question.host, std::int64_t{question.port}}), this);
    intro->setObjectName(QString::number(introId));
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);
    if (question.changed()) {
        QFont bold = intro->font();
        bold.setBold(true);
        intro->setFont(bold);
    }
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(intro, 1);

    auto* form = new QFormLayout;
    auto row = [&](int id, QLabel* value) {
        value->setObjectName(QString::number(id));
        form->addRow(uitexts::text(id), value);
    };
    row(kSubject, valueLabel(question.subject, this));
    row(kIssuer, valueLabel(question.issuer, this));
    row(kValidFrom, valueLabel(question.validFrom, this));
    row(kValidUntil, valueLabel(question.validUntil, this));
    row(kFingerprint, valueLabel(question.fingerprint, this));
    if (question.changed()) row(kTrustedBefore, valueLabel(question.trustedFingerprint, this));
    auto* reasons = new QLabel(reasonsText(question), this);
    reasons->setTextFormat(Qt::PlainText);
    reasons->setWordWrap(true);
    row(kProblem, reasons);

    // Cancel is the default: Enter must never trust a certificate.
    auto* buttons = new QDialogButtonBox(this);
    auto add = [&](int id, const QString& text, platform::CertificateAnswer answer) {
        QPushButton* button = buttons->addButton(text, QDialogButtonBox::ActionRole);
        button->setObjectName(QString::number(id));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, answer] {
            answer_ = answer;
            answer == platform::CertificateAnswer::Cancel ? reject() : accept();
        });
        return button;
    };
    add(kAcceptOnce, uitexts::text(kAcceptOnce), platform::CertificateAnswer::AcceptOnce);
    add(kAlwaysTrust, uitexts::text(kAlwaysTrust), platform::CertificateAnswer::AlwaysTrust);
    QPushButton* cancel =
        add(kCancel, messageButtonText(kCancel), platform::CertificateAnswer::Cancel);
    cancel->setDefault(true);
    cancel->setFocus();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(560);
}
