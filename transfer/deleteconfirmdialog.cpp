#include "deleteconfirmdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "artwork.h"
#include "uitexts.h"

namespace {

constexpr int kText = 1038;
constexpr int kIcon = 9001;

struct Wording {
    int caption;
    QString text;
};

Wording wording(const transfer::DeleteQuestion& question) {
    const std::string& name = question.subject;
    if (question.mode == 0) return {1275, uitexts::message(1276, {name})};
    if (question.mode == 1) return {1229, uitexts::message(1227, {name})};
    return {1228, uitexts::message(1226, {std::int64_t{question.mode}})};
}

}  // namespace

DeleteConfirmDialog::DeleteConfirmDialog(QWidget* parent, const transfer::DeleteQuestion& question)
    : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    const Wording words = wording(question);
    setWindowTitle(uitexts::text(words.caption));

    auto* icon = new QLabel(this);
    icon->setObjectName(QString::number(kIcon));
    icon->setPixmap(artwork::image(artwork::DeleteWarning, palette(), QSize(32, 32)));
    icon->setAlignment(Qt::AlignTop);
    QString text = words.text;
    if (question.permanent) text += "\n\n" + uitexts::text(1307);
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::number(kText));
    label->setWordWrap(true);
    label->setMinimumWidth(280);

    auto* yes = new QPushButton(uitexts::dialogText(kDialogId, kYes), this);
    yes->setObjectName(QString::number(kYes));
    yes->setDefault(true);
    auto* no = new QPushButton(uitexts::dialogText(kDialogId, kNo), this);
    no->setObjectName(QString::number(kNo));
    connect(yes, &QPushButton::clicked, this, [this] { done(kYes); });
    connect(no, &QPushButton::clicked, this, [this] { done(kNo); });

    auto* message = new QHBoxLayout;
    message->addWidget(icon);
    message->addWidget(label, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(no);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(message);
    layout->addLayout(buttons);
}

bool DeleteConfirmDialog::confirm(QWidget* parent, const transfer::DeleteQuestion& question) {
    DeleteConfirmDialog dialog(parent, question);
    return dialog.exec() == kYes;
}
