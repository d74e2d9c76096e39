#include "aboutdialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "artwork.h"
#include "uitexts.h"

namespace {
// Numbers of the texts of the About box in the text tables.
constexpr int kNameText = 1001;
constexpr int kProductText = 1002;
constexpr int kVersionText = 1003;
}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));
    auto text = [](int id) { return uitexts::dialogText(kDialogId, id); };

    auto* icon = new QLabel(this);
    icon->setPixmap(artwork::image(artwork::ProgramIcon, palette(), QSize(48, 48)));
    icon->setAlignment(Qt::AlignTop);
    auto* name = new QLabel(text(kNameText), this);
    name->setObjectName(QString::number(kNameText));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    name->setFont(bold);
    auto* product = new QLabel(text(kProductText), this);
    product->setObjectName(QString::number(kProductText));
    auto* version = new QLabel(text(kVersionText), this);
    version->setObjectName(QString::number(kVersionText));

    auto* texts = new QVBoxLayout;
    for (QLabel* line : {name, product, version}) {
        texts->addWidget(line);
        if (line->text().isEmpty()) line->hide();
    }
    texts->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(text(1), QDialogButtonBox::AcceptRole);
    ok->setObjectName("1");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(300);
}
