#include "syscolorbitmapbutton.h"

#include <QEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "artwork.h"

int SysColorBitmapButton::neededWidth(QSize size, const QString& caption) const {
    // A wide button grows to hold its caption in any language, the picture left of the
    // text. A tall one keeps its width, which the window's layout is built on; its
    // caption, under the picture, is drawn smaller when it does not fit.
    const bool tall = size.height() > size.width() * 0.8;
    if (tall) return size.width();
    const int textWidth = fontMetrics().horizontalAdvance(caption);
    const int picture = std::min(size.height() - 6, 24);
    return std::max(size.width(), 5 + picture + 4 + textWidth + 8);
}

void SysColorBitmapButton::loadImages(const QString& baseName, QSize size) {
    base_ = baseName;
    size.setWidth(neededWidth(size));
    size_ = size;
    reload();
    setFixedSize(size);
}

void SysColorBitmapButton::reload() {
    if (base_.isEmpty()) return;
    // The image carries the caption; the button's own text stays for accessibility.
    const QString caption = text();
    normal_ = artwork::buttonImage(base_ + 'U', palette(), size_, caption, fitCaption_);
    pressed_ = artwork::buttonImage(base_ + 'D', palette(), size_, caption, fitCaption_);
    focused_ = artwork::buttonImage(base_ + 'F', palette(), size_, caption, fitCaption_);
    disabled_ = artwork::buttonImage(base_ + 'X', palette(), size_, caption, fitCaption_);
    update();
}

QString SysColorBitmapButton::currentImageName() const {
    if (!isEnabled()) return base_ + 'X';
    if (isDown() || isChecked()) return base_ + 'D';
    if (hasFocus()) return base_ + 'F';
    return base_ + 'U';
}

void SysColorBitmapButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    option.state &= ~QStyle::State_HasFocus;  // the focused image shows the focus
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QChar state = currentImageName().back();
    const QPixmap& image = state == 'X'   ? disabled_
                           : state == 'D' ? pressed_
                           : state == 'F' ? focused_
                                          : normal_;
    painter.drawPixmap(0, 0, image);
}

void SysColorBitmapButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) reload();
}
