#include "aboutdialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "artwork.h"
#include "uitexts.h"

namespace {
// The lines of the About box are its texts from this number up, the program name first.
constexpr int kFirstLine = 9001;
constexpr int kMaxLines = 10;
}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));
    auto text = [](int id) { return uitexts::dialogText(kDialogId, id); };

    auto* icon = new QLabel(this);
    icon->setPixmap(artwork::image(artwork::ProgramIcon, palette(), QSize(48, 48)));
    icon->setAlignment(Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    for (int id = kFirstLine; id < kFirstLine + kMaxLines && !text(id).isEmpty(); ++id) {
        auto* line = new QLabel(text(id), this);
        line->setObjectName(QString::number(id));
        if (id == kFirstLine) {
            QFont bold = line->font();
            bold.setBold(true);
            bold.setPointSizeF(bold.pointSizeF() * 1.2);
            line->setFont(bold);
        }
        texts->addWidget(line);
    }
    texts->addStretch();
    // The dialog's size is fixed to its contents: wide enough for its title in the window
    // frame as well, with room for the frame's buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    const int wanted =
        std::max(300, QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 160);
    texts->addStrut(wanted - 48 - 12 - 2 * style()->pixelMetric(QStyle::PM_LayoutLeftMargin));
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
}
