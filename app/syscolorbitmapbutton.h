#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QString>

// A push button whose picture is one of four named images (normal U, pressed D,
// focused F, disabled X), drawn again from the current palette whenever the desktop's
// colours change. The caption is drawn into the image.
class SysColorBitmapButton : public QPushButton {
    Q_OBJECT
public:
    explicit SysColorBitmapButton(QWidget* parent = nullptr) : QPushButton(parent) {}

    // Loads the set baseName + U/D/F/X at the given size and sizes the button to it.
    void loadImages(const QString& baseName, QSize size);
    // The width an image of this height needs for the caption (at least size's width).
    int neededWidth(QSize size) const { return neededWidth(size, text()); }
    int neededWidth(QSize size, const QString& caption) const;
    // Buttons side by side draw their captions alike: at the size at which this text fits
    // as well as the button's own.
    void setCaptionToFit(const QString& text) { fitCaption_ = text; }
    // The name of the image the button shows now.
    QString currentImageName() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void reload();

    QString base_;
    QString fitCaption_;
    QSize size_;
    QPixmap normal_, pressed_, focused_, disabled_;
};
