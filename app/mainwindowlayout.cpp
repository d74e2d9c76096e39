// Geometry of the main window: the layout, the splitter between the panes and the
// etched separator lines.
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "controlids.h"
#include "directorycombo.h"
#include "drivecombo.h"
#include "filelistview.h"
#include "mainwindow.h"
#include "syscolorbitmapbutton.h"
#include "windowsettings.h"

namespace {

constexpr int kSplitterBand = 10;
constexpr int kSplitterMargin = 100;

int rightOf(const QWidget* w) {
    return w->x() + w->width();
}
int bottomOf(const QWidget* w) {
    return w->y() + w->height();
}

void moveTo(QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
}

}  // namespace

void MainWindow::layoutControls() {
    const QRect frame = frameGeometry();
    const int W = frame.width();
    const int H = frame.height();
    windowWidth_ = W;
    windowHeight_ = H;
    if (!localList_) return;

    const int X0 = localList_->x();
    const int YL = localList_->y();
    const int LW = (W - 80) * listPos_ / 100;
    const int RW = W - 80 - LW;
    const int BW = uploadButton_->width();
    const int G = BW + 10;
    const int XR = X0 + LW + G;
    const int XE = XR + RW;
    int SB = statusBar_->sizeHint().height();
    if (SB == 0) SB = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    int LH = H - SB - bottomOf(driveCombo_) - localDirectory_->height() - 15;
    // Where the frame adds height to the outer size, keep the lists off the status bar.
    LH = std::min(LH, height() - SB - YL - 4);

    moveTo(localList_, X0, YL, LW, LH);
    moveTo(remoteList_, XR, YL, RW, LH);
    localUp_->move(X0, localUp_->y());
    {
        // A narrow local pane keeps a usable directory box; the remote box then starts
        // after it.
        const int x = rightOf(driveCombo_) + 2;
        const int usable = fontMetrics().averageCharWidth() * 12 + 20;
        moveTo(localDirectory_, x, localDirectory_->y(), std::max(X0 + LW - x, usable),
               localDirectory_->height());
    }
    remoteUp_->move(std::max(XR, rightOf(localDirectory_) + 4), remoteUp_->y());
    {
        const int x = remoteUp_->x() + remoteUp_->width() + 2;
        moveTo(remoteDirectory_, x, localDirectory_->y(), XE - x, localDirectory_->height());
    }
    localIcon_->move(X0, localIcon_->y());
    {
        const int oldRight = rightOf(localCaption_);
        const int x = X0 + localIcon_->width() + 5;
        moveTo(localCaption_, x, localCaption_->y(), oldRight - x, localCaption_->height());
    }
    remoteIcon_->move(XR, remoteIcon_->y());
    {
        const int x = XR + remoteIcon_->width() + 5;
        moveTo(remoteCaption_, x, remoteCaption_->y(), XE - x, remoteCaption_->height());
    }
    uploadButton_->move(X0 + LW + 5, uploadButton_->y());
    downloadButton_->move(X0 + LW + 5, downloadButton_->y());
    lockButton_->move(X0 + LW + (G - lockButton_->width()) / 2, lockButton_->y());
    {
        QAbstractButton* automatic = transferModes_->button(1023);
        const int d = (G - automatic->width()) / 2;
        for (QAbstractButton* radio : transferModes_->buttons())
            moveTo(radio, X0 + LW + d, radio->y(), G - 2 * d, radio->height());
    }
    moveTo(textField_, textField_->x(), YL + LH + 5, XE - textField_->x(), textField_->height());

    // The drive combo's selection field is as high as the directory combo next to it.
    driveCombo_->resize(driveCombo_->width(), localDirectory_->height());
    statusBar_->setGeometry(0, height() - SB, width(), SB);

    localListRect_ = localList_->geometry();
    remoteListRect_ = remoteList_->geometry();
    profileComboRect_ = control(controlid::kProfileCombo)->geometry();
    uploadRect_ = uploadButton_->geometry();
    downloadRect_ = downloadButton_->geometry();
    lockRect_ = lockButton_->geometry();
    textModeRect_ = transferModes_->button(1022)->geometry();
    splitterCentre_ = (localListRect_.x() + localListRect_.width() + XR) / 2;
}

void MainWindow::placeToolbarRow() {
    // Each control at its own place, or right after the one before when a caption in
    // another language made that one wider.
    int right = 0;
    using namespace controlid;
    for (int id : {kConnectButton, kConnectionIcon, kSelectButton, kSmallIconsButton, kListButton,
                   kDetailsButton, kHelpButton, kExitButton}) {
        QWidget* w = control(id);
        if (!w->property("templateX").isValid()) w->setProperty("templateX", w->x());
        const int x = std::max(w->property("templateX").toInt(), right + (right ? 4 : 0));
        w->move(x, w->y());
        right = rightOf(w);
    }
}

bool MainWindow::onSplitter(QPoint p) const {
    if (p.x() < splitterCentre_ - kSplitterBand || p.x() > splitterCentre_ + kSplitterBand)
        return false;
    auto bottom = [](const QRect& r) { return r.y() + r.height(); };
    const int y = p.y();
    return (y >= bottom(profileComboRect_) && y <= uploadRect_.y()) ||
           (y >= bottom(downloadRect_) && y <= lockRect_.y()) ||
           (y >= bottom(textModeRect_) && y <= bottom(localListRect_));
}

void MainWindow::updateSplitterState(QPoint position) {
    if (onSplitter(position)) {
        splitterHot_ = true;
        setCursor(Qt::SplitHCursor);
    } else if (!splitterDragging_) {
        splitterHot_ = false;
        unsetCursor();
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    updateSplitterState(position);
    if (splitterDragging_) {
        // Only the line moves while dragging; the layout waits for the release.
        trackLineX_ = position.x();
        trackLine_->setGeometry(trackLineX_ - 1, 0, 2, height());
        trackLine_->show();
        trackLine_->raise();
    }
    QDialog::mouseMoveEvent(event);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (splitterHot_) {
            setCursor(Qt::SplitHCursor);
            splitterDragging_ = true;
            trackLineX_ = -1;
        } else {
            splitterDragging_ = false;
        }
    }
    QDialog::mousePressEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && splitterDragging_) {
        const int W = windowWidth_ > 0 ? windowWidth_ : width();
        int x = event->position().toPoint().x();
        if (x < kSplitterMargin)
            x = kSplitterMargin;
        else if (x > W - kSplitterMargin)
            x = W - kSplitterMargin;
        listPos_ = x * 100 / W;
        layoutControls();
        splitterDragging_ = false;
        splitterHot_ = onSplitter(event->position().toPoint());
        if (!splitterHot_) unsetCursor();
        update();
    }
    trackLineX_ = -1;
    trackLine_->hide();
    QDialog::mouseReleaseEvent(event);
}

void MainWindow::leaveEvent(QEvent* event) {
    // The pointer went into a child or out of the window.
    if (!splitterDragging_) {
        splitterHot_ = false;
        unsetCursor();
    }
    QDialog::leaveEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutControls();
    repaint();
    repaintTimer_->start();
}

void MainWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The smallest outer size; the frame, if any, is known once the window shows.
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    setMinimumSize(kMinimumWidth - frameExtra.width(), kMinimumHeight - frameExtra.height());
    if (outerSizePending_) {
        outerSizePending_ = false;
        resize(kInitialWidth - frameExtra.width(), kInitialHeight - frameExtra.height());
    }
    layoutControls();
}

void MainWindow::loadSettings() {
    if (context_.settingsKey.empty()) {
        checkTransferModeRadio();
        return;
    }
    const ViewSettings settings = readViewSettings(context_.settingsKey);
    transferMode_ = settings.mode;
    checkTransferModeRadio();
    listPos_ = settings.listPos;
    displayMode_ = settings.dispMode;
    if (settings.placement.restorable()) {
        const WindowPlacement& p = settings.placement;
        outerSizePending_ = false;
        setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
        if (p.showCmd == 3) setWindowState(Qt::WindowMaximized);
        if (p.showCmd == 2) setWindowState(Qt::WindowMinimized);
    }
    lastUsedProfile_ = settings.lastUsedProfile;
    if (lastUsedProfile_ >= 0)
        profileCombo_->setCurrentIndex(lastUsedProfile_ < profileCombo_->count() ? lastUsedProfile_
                                                                                 : -1);
    else
        profileCombo_->setCurrentIndex(-1);
}

WindowPlacement MainWindow::currentPlacement() const {
    WindowPlacement placement;
    placement.showCmd = isMaximized() ? 3 : isMinimized() ? 2 : 1;
    // The rectangle restored at the next start is this one, the window without its frame:
    // before it is shown, a window's frame is not known on every desktop.
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    placement.top = normal.top();
    placement.left = normal.left();
    placement.bottom = normal.top() + normal.height();
    placement.right = normal.left() + normal.width();
    return placement;
}

void MainWindow::saveSettings() {
    if (context_.settingsKey.empty()) return;
    ViewSettings settings;
    settings.mode = transferMode_;
    settings.listPos = listPos_;
    settings.dispMode = displayMode_;
    settings.placement = currentPlacement();
    settings.lastUsedProfile = lastUsedProfile_;
    writeViewSettings(context_.settingsKey, settings);
}

void MainWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (isMinimized()) return;
    QPainter painter(this);
    const int W = windowWidth_ > 0 ? windowWidth_ : width();
    const int P = profileComboRect_.y() + profileComboRect_.height();
    const int L = localListRect_.y() + localListRect_.height();
    const int XM = splitterCentre_;

    painter.setPen(QPen(palette().color(QPalette::Dark), 1));
    painter.drawLine(XM - 1, P + 8, XM - 1, L - 1);
    painter.drawLine(2, P + 5, W - 5, P + 5);
    painter.drawLine(2, L, W - 5, L);
    painter.setPen(QPen(palette().color(QPalette::Light), 1));
    painter.drawLine(XM, P + 8, XM, L - 1);
    painter.drawLine(2, P + 6, W - 5, P + 6);
    painter.drawLine(2, L + 1, W - 5, L + 1);
}
