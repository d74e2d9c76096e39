#include "drivecombo.h"

#include <QEvent>
#include <QPainter>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "artwork.h"

namespace {

class DriveItemDelegate : public QStyledItemDelegate {
public:
    explicit DriveItemDelegate(DriveCombo* combo) : QStyledItemDelegate(combo), combo_(combo) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->fillRect(option.rect, option.palette.color(QPalette::Base));
        combo_->paintItem(*painter, option.rect, index.row(), option.state & QStyle::State_Selected,
                          option.state & QStyle::State_HasFocus);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        return QSize(size.width() + 40, std::max(DriveCombo::kItemHeight + 2, size.height()));
    }

private:
    DriveCombo* combo_;
};

int imageFor(platform::DriveType type) {
    switch (type) {
        case platform::DriveType::Removable:
            return 0;
        case platform::DriveType::Fixed:
            return 1;
        case platform::DriveType::Optical:
            return 2;
        case platform::DriveType::Network:
            return 3;
        case platform::DriveType::Other:
            break;
    }
    return -1;
}

}  // namespace

DriveCombo::DriveCombo(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new DriveItemDelegate(this));
    loadImages();
}

void DriveCombo::loadImages() {
    const int ids[] = {artwork::RemovableDrive, artwork::FixedDrive, artwork::OpticalDrive,
                       artwork::NetworkDrive};
    for (int i = 0; i < 4; ++i)
        images_[i] = artwork::image(ids[i], palette(), QSize(20, 16));
}

void DriveCombo::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) loadImages();
}

void DriveCombo::fill(const std::vector<platform::MountPoint>& mounts, const std::string& path) {
    const QSignalBlocker quiet(this);
    clear();
    for (const auto& mount : mounts) {
        addItem(QString::fromStdString(mount.path));
        const int index = count() - 1;
        setItemData(index, QString::fromStdString(mount.path), RootRole);
        setItemData(index, static_cast<int>(mount.type), TypeRole);
    }
    setCurrentIndex(platform::mountIndexOf(path, mounts));
}

std::string DriveCombo::rootAt(int index) const {
    return index >= 0 && index < count() ? itemData(index, RootRole).toString().toStdString()
                                         : std::string();
}

void DriveCombo::paintItem(QPainter& painter, const QRect& rect, int index, bool selected,
                           bool focused) const {
    if (index < 0 || index >= count()) return;
    const QString label = itemText(index);
    const int textWidth = painter.fontMetrics().horizontalAdvance(label);
    const QRect textRect(rect.left() + 22, rect.top(), 12 + textWidth, rect.height());
    painter.fillRect(textRect, palette().color(selected ? QPalette::Highlight : QPalette::Base));
    const int image = imageFor(static_cast<platform::DriveType>(itemData(index, TypeRole).toInt()));
    if (focused) {
        QPen dotted(palette().color(QPalette::Text), 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.drawRect(textRect.adjusted(0, 0, -1, -1));
    }
    if (image >= 0)
        painter.drawPixmap(rect.left() + 4, rect.top() + (rect.height() - kItemHeight) / 2,
                           images_[image]);
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(textRect.adjusted(6, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, label);
}

void DriveCombo::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setClipRect(field);
    paintItem(painter, field.adjusted(-2, 0, 0, 0), currentIndex(), false, false);
}
