#pragma once

#include <QDialog>

#include "prompts.h"

// A server certificate that did not verify, or that is not the one trusted before: what it
// says, why it failed, and the choice of cancel (the default), accept once, or always
// trust. A changed certificate is shown as a warning, with the fingerprint trusted before.
class CertificateDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCaption = 1325;
    // Buttons, named by their texts' numbers.
    static constexpr int kAcceptOnce = 1335, kAlwaysTrust = 1336, kCancel = 2;

    CertificateDialog(QWidget* parent, const platform::CertificateQuestion& question);
    platform::CertificateAnswer answer() const { return answer_; }

private:
    platform::CertificateAnswer answer_ = platform::CertificateAnswer::Cancel;
};
