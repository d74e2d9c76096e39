#include "permissiondialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "permissions.h"
#include "uitexts.h"

namespace {

constexpr int kFirstBox = 1100;
constexpr int kDigits[3] = {1109, 1111, 1112};
constexpr int kText = 1110;
constexpr int kFirstGroup = 9001;
constexpr int kTextLabel = 9004;
constexpr int kWeights[3] = {4, 2, 1};

QString dialogText(int control) {
    return uitexts::dialogText(PermissionDialog::kDialogId, control);
}

QLineEdit* readOnlyEdit(int id, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

}  // namespace

PermissionDialog::PermissionDialog(int initialMode, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));
    auto* classes = new QHBoxLayout;
    for (int c = 0; c < 3; ++c) {
        auto* group = new QGroupBox(dialogText(kFirstGroup + c), this);
        auto* column = new QGridLayout(group);
        for (int b = 0; b < 3; ++b) {
            const int id = kFirstBox + 3 * c + b;
            auto* box = boxes_[3 * c + b] = new QCheckBox(dialogText(id), group);
            box->setObjectName(QString::number(id));
            connect(box, &QCheckBox::clicked, this, [this, c] { boxClicked(c); });
            column->addWidget(box, b, 0);
        }
        digits_[c] = readOnlyEdit(kDigits[c], group);
        digits_[c]->setMaximumWidth(digits_[c]->fontMetrics().horizontalAdvance("0000") + 12);
        column->addWidget(digits_[c], 1, 1);
        classes->addWidget(group);
    }
    auto* label = new QLabel(dialogText(kTextLabel), this);
    label->setObjectName(QString::number(kTextLabel));
    text_ = readOnlyEdit(kText, this);
    label->setBuddy(text_);

    auto* ok = new QPushButton(dialogText(kOk), this);
    ok->setObjectName(QString::number(kOk));
    ok->setDefault(true);
    auto* cancel = new QPushButton(dialogText(kCancel), this);
    cancel->setObjectName(QString::number(kCancel));
    connect(ok, &QPushButton::clicked, this, [this] { done(kOk); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(kCancel); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label);
    bottom->addWidget(text_, 1);
    bottom->addSpacing(16);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(classes);
    layout->addLayout(bottom);

    bits_[0] = initialMode / 100 % 10;
    bits_[1] = initialMode % 100 / 10;
    bits_[2] = initialMode % 10;
    synchronise();
}

void PermissionDialog::boxClicked(int permissionClass) {
    int bits = 0;
    for (int b = 0; b < 3; ++b)
        if (boxes_[3 * permissionClass + b]->isChecked()) bits += kWeights[b];
    bits_[permissionClass] = bits;
    synchronise();
}

void PermissionDialog::synchronise() {
    resultMode_ = bits_[0] * 100 + bits_[1] * 10 + bits_[2];
    for (int c = 0; c < 3; ++c) {
        for (int b = 0; b < 3; ++b)
            boxes_[3 * c + b]->setChecked((bits_[c] & kWeights[b]) != 0);
        digits_[c]->setText(QString::number(bits_[c]));
    }
    text_->setText(QString::fromStdString(transfer::permissionText(resultMode_)));
}

std::optional<int> PermissionDialog::ask(QWidget* parent, int initialMode) {
    PermissionDialog dialog(initialMode, parent);
    if (dialog.exec() != kOk) return std::nullopt;
    return dialog.resultMode();
}
