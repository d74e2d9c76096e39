#include "mainwindow.h"
#include "controlids.h"

#include <unistd.h>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include "aboutdialog.h"
#include "artwork.h"
#include "connectioncontroller.h"
#include "directorycombo.h"
#include "drivecombo.h"
#include "filelistview.h"
#include "filetypes.h"
#include "ftpsession.h"
#include "helpdialog.h"
#include "localpanecontroller.h"
#include "qtprompts.h"
#include "remotepanecontroller.h"
#include "syscolorbitmapbutton.h"
#include "traceswitch.h"
#include "transfercontroller.h"
#include "uitexts.h"

namespace {

constexpr int kTitleString = 57344;
constexpr int kAboutString = 101;
constexpr int kLocalTitleString = 1270;
constexpr int kRemoteTitleString = 1271;
constexpr int kQuitWhileConnected = 105;
constexpr int kIconSize = 32;
constexpr int kRepaintDelayMs = 50;

}  // namespace

MainWindow::MainWindow(Context context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
    setObjectName(QString::number(kDialogId));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setMouseTracking(true);
    ownPrompts_ = std::make_unique<QtPrompts>(this, kTitleString);
    prompts_ = ownPrompts_.get();
    createControls();
    createStatusBar();
    createListModels();
    connection_ = new ConnectionController(*this);
    transfers_ = new TransferController(*this);
    connect(uploadButton_, &QPushButton::clicked, this, [this] { transfers_->startUpload(); });
    connect(downloadButton_, &QPushButton::clicked, this, [this] { transfers_->startDownload(); });
    optionsTimer_ = new QTimer(this);
    optionsTimer_->setObjectName("3104");
    optionsTimer_->setSingleShot(true);
    optionsTimer_->setInterval(1500);
    connect(optionsTimer_, &QTimer::timeout, this, &MainWindow::openOptionsSheet);
    localPane_ = new LocalPaneController(*this, *driveCombo_, *localDirectory_, this);
    remotePane_ = new RemotePaneController(*this, *remoteDirectory_, this);
    localPane_->setPartner(remotePane_);
    remotePane_->setPartner(localPane_);
    connect(localUp_, &QToolButton::clicked, localPane_, &LocalPaneController::upOneLevel);
    connect(remoteUp_, &QToolButton::clicked, remotePane_, &RemotePaneController::upOneLevel);
    connect(lockButton_, &QToolButton::clicked, this,
            [this] { setDirectoryLock(!directoryLock_); });
    qApp->installEventFilter(this);
    connect(connectButton_, &QPushButton::clicked, this, [this] {
        if (!refuseWhileTransferring()) connection_->toggleConnection();
    });
    connect(selectButton_, &QPushButton::clicked, this, &MainWindow::openOptionsSheet);
    connect(profileCombo_, qOverload<int>(&QComboBox::activated), this,
            &MainWindow::profileSelected);

    repaintTimer_ = new QTimer(this);
    repaintTimer_->setObjectName("10");
    repaintTimer_->setSingleShot(true);
    repaintTimer_->setInterval(kRepaintDelayMs);
    connect(repaintTimer_, &QTimer::timeout, this, [this] { update(); });
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    // Hidden while still whole: hiding moves the focus, and the controls' focus signals
    // reach this window, which the base class's destructor would no longer be.
    hide();
    for (QObject* control : children())
        control->disconnect(this);
    dispatcher_.shutDown();
    transfers_->stop();
    connection_->stopWorker();
    // The views go before the models and the type cache they read from.
    delete localList_;
    delete remoteList_;
}

void MainWindow::setPrompts(platform::Prompts* prompts) {
    prompts_ = prompts ? prompts : ownPrompts_.get();
}

QWidget* MainWindow::control(int id) const {
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

bool MainWindow::initialize() {
    loadButtonImages();
    setWindowTitle(uitexts::text(kTitleString));
    resize(kInitialWidth, kInitialHeight);
    outerSizePending_ = true;
    // No button of the window is pressed by Enter: it belongs to the focused control.
    for (QPushButton* button : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setWindowIcon(QIcon(artwork::image(artwork::ProgramIcon, palette(), QSize(64, 64))));
    fillProfileCombo();
    loadSettings();
    applyDisplayMode(displayMode_);
    if (!selectProfile(0)) optionsTimer_->start();
    showLockState();
    layoutControls();
    chooseStartDirectory();
    enableTransferButtons(false);
    lockButton_->setEnabled(false);
    setConnectionIcon(0);
    createToolTips();
    connectButton_->setFocus();
    return true;
}

void MainWindow::loadButtonImages() {
    const QPalette& p = palette();
    auto icon = [&](int id, QSize size) { return QIcon(artwork::image(id, p, size)); };
    const QSize small = helpButton_->size() - QSize(6, 6);
    helpButton_->setIcon(icon(artwork::Help, small));
    helpButton_->setIconSize(small);
    closeButton_->setIcon(icon(artwork::CloseProgram, small));
    closeButton_->setIconSize(small);
    const std::pair<int, int> views[] = {
        {1053, artwork::SmallIconsView}, {1054, artwork::ListView}, {1055, artwork::DetailsView}};
    for (auto [id, image] : views) {
        auto* button = displayModes_->button(id);
        button->setIcon(icon(image, small));
        button->setIconSize(small);
    }
    for (QToolButton* up : {localUp_, remoteUp_}) {
        const QSize size = up->size() - QSize(4, 4);
        up->setIcon(icon(artwork::UpFolder, size));
        up->setIconSize(size);
    }
    showLockState();
    localIcon_->setPixmap(artwork::image(artwork::Computer, p, QSize(kIconSize, kIconSize)));
    remoteIcon_->setPixmap(artwork::image(artwork::Server, p, QSize(kIconSize, kIconSize)));
    setConnectionIcon(connectionIcon_);

    // Upload and Download share one width, the middle column's.
    const int width = std::max(uploadButton_->neededWidth(uploadButton_->size()),
                               downloadButton_->neededWidth(downloadButton_->size()));
    uploadButton_->setCaptionToFit(downloadButton_->text());
    downloadButton_->setCaptionToFit(uploadButton_->text());
    uploadButton_->loadImages("UPLOAD", QSize(width, uploadButton_->height()));
    downloadButton_->loadImages("DOWNLOAD", QSize(width, downloadButton_->height()));
    selectButton_->loadImages("OPTION", selectButton_->size());
    // Connect is as wide as the longer of its two captions, so that it keeps its place
    // in the row when it turns into Disconnect.
    const QSize connectSize = connectButton_->size();
    connectButton_->resize(
        std::max(connectButton_->neededWidth(connectSize, uitexts::dialogText(kDialogId, 1019)),
                 connectButton_->neededWidth(connectSize,
                                             uitexts::dialogText(kDialogId, kDisconnectText))),
        connectSize.height());
    connectButton_->loadImages(connected_ ? "DISCONNECT" : "CONNECT", connectButton_->size());
    placeToolbarRow();
}

void MainWindow::showConnectButton(bool connected) {
    auto* button = connectButton_;
    button->setText(uitexts::dialogText(kDialogId, connected ? kDisconnectText : 1019));
    button->loadImages(connected ? "DISCONNECT" : "CONNECT", button->size());
    button->repaint();
}

void MainWindow::setDirectoryLock(bool locked) {
    directoryLock_ = locked;
    showLockState();
}

ftp::FtpSession* MainWindow::ftpSession() {
    return connection_->session();
}

bool MainWindow::connected() const {
    return connected_ || connection_->session() != nullptr;
}

bool MainWindow::transferRunning() const {
    return transfers_->running();
}

void MainWindow::showLockState() {
    const QSize size = lockButton_->size() - QSize(8, 8);
    lockButton_->setIcon(QIcon(
        artwork::image(directoryLock_ ? artwork::Locked : artwork::Unlocked, palette(), size)));
    lockButton_->setIconSize(size);
}

void MainWindow::createToolTips() {
    using namespace controlid;
    const std::pair<int, int> tips[] = {
        {kConnectButton, 1238}, {kUploadButton, 1239},     {kDownloadButton, 1240},
        {kLockButton, 1241},    {kSelectButton, 1242},     {kProfileCombo, 1243},
        {kExitButton, 1244},    {kHelpButton, 1277},       {kLocalUp, 1278},
        {kRemoteUp, 1278},      {kSmallIconsButton, 1246}, {kListButton, 1247},
        {kDetailsButton, 1248}, {kAutoMode, 1279},         {kBinaryMode, 1280},
        {kTextMode, 1281},
    };
    for (auto [id, string] : tips) {
        QWidget* widget = control(id);
        widget->setToolTip(uitexts::text(string));
        widget->installEventFilter(this);
    }
}

void MainWindow::setStatusText(int pane, const QString& text) {
    if (!statusBar_ || pane < 0 || pane > 1) return;
    statusPanes_[pane]->setText(text);
    statusPanes_[pane]->repaint();
}

QString MainWindow::statusText(int pane) const {
    return pane >= 0 && pane <= 1 ? statusPanes_[pane]->text() : QString();
}

void MainWindow::setConnectionIcon(int state) {
    connectionIcon_ = state;
    connectionLabel_->setPixmap(artwork::image(artwork::ConnectionIdle + std::clamp(state, 0, 3),
                                               palette(), QSize(kIconSize, kIconSize)));
    connectionLabel_->repaint();
}

void MainWindow::showLock(Lock lock, const QString& tip) {
    if (!lockLabel_) return;
    if (lock != Lock::Hidden) {
        const int image = lock == Lock::Encrypted ? artwork::Locked : artwork::Unlocked;
        lockLabel_->setPixmap(artwork::image(image, palette(), QSize(16, 16)));
    }
    lockLabel_->setToolTip(tip);
    lockLabel_->setVisible(lock != Lock::Hidden);
}

void MainWindow::enableTransferButtons(bool enable) {
    uploadButton_->setEnabled(enable);
    downloadButton_->setEnabled(enable);
}

keys::Side MainWindow::focusedSide() const {
    return sideOf(QApplication::focusWidget());
}

keys::Side MainWindow::sideOf(const QWidget* focus) const {
    using keys::Side;
    if (!focus || !localDirectory_->lineEdit() || !remoteDirectory_->lineEdit()) return Side::None;
    if (localList_->ownsFocus(focus)) return Side::Local;
    for (const QWidget* w : std::initializer_list<const QWidget*>{
             localUp_, driveCombo_, localDirectory_, localDirectory_->lineEdit()})
        if (focus == w) return Side::Local;
    if (remoteList_->ownsFocus(focus)) return Side::Remote;
    for (const QWidget* w : std::initializer_list<const QWidget*>{remoteUp_, remoteDirectory_,
                                                                  remoteDirectory_->lineEdit()})
        if (focus == w) return Side::Remote;
    return Side::None;
}

void MainWindow::showLocalTitle(const QString& folder) {
    setWindowTitle(uitexts::message(kLocalTitleString, {folder.toStdString()}));
}

void MainWindow::showRemoteTitle(const QString& remotePath) {
    setWindowTitle(uitexts::message(kRemoteTitleString, {remotePath.toStdString()}));
}

void MainWindow::showHelpMenu() {
    QMenu menu(this);
    menu.addAction(uitexts::text(1277), this, &MainWindow::showHelp);
    const QString about = uitexts::text(kAboutString);
    if (!about.isEmpty()) {
        menu.addSeparator();
        menu.addAction(about, this, &MainWindow::showAbout);
    }
    menu.exec(helpButton_->mapToGlobal(QPoint(0, helpButton_->height())));
}

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::showHelp() {
    HelpDialog help(this);
    help.exec();
}

void MainWindow::checkTransferModeRadio() {
    const int ids[] = {controlid::kAutoMode, controlid::kBinaryMode, controlid::kTextMode};
    // A stored mode outside 0 to 2 checks none of the radios.
    transferModes_->setExclusive(false);
    for (int i = 0; i < 3; ++i)
        transferModes_->button(ids[i])->setChecked(i == static_cast<int>(transferMode_));
    transferModes_->setExclusive(true);
}

bool MainWindow::confirmClose() {
    if (closingConfirmed_) return true;
    if (connected()) {
        const platform::Answer answer = prompts().ask(
            {kQuitWhileConnected, {}, platform::Buttons::OkCancel, platform::Icon::Question});
        if (answer != platform::Answer::Ok) return false;
    }
    closingConfirmed_ = true;
    emit closing();
    dispatcher_.shutDown();
    // A worker still at work is stopped; otherwise the session ends with QUIT.
    if (transfers_->running() || connection_->workerRunning()) {
        transfers_->stop();
        connection_->stopWorker();
    } else {
        connection_->closeSession();
    }
    optionsTimer_->stop();
    saveSettings();
    writeBackDirectories();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    QDialog::reject();
    event->accept();
}

void MainWindow::reject() {
    // Escape must not close the window; the Close button and the window's close go
    // through closeEvent.
}

void MainWindow::accept() {
    if (confirmClose()) QDialog::accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes nothing; Enter that no control took presses no button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool MainWindow::dispatchKey(QObject* watched, QKeyEvent* key) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || key->isAutoRepeat()) return false;
    // A key no control took travels up to the parents and passes here again.
    if (key == lastKey_ && lastKeyTarget_ && widget != lastKeyTarget_ &&
        widget->isAncestorOf(lastKeyTarget_))
        return false;
    lastKey_ = key;
    lastKeyTarget_ = widget;
    keys::KeyContext context;
    context.side = sideOf(widget);
    context.listFocused = localList_->ownsFocus(widget) || remoteList_->ownsFocus(widget);
    context.editorOpen =
        localList_->editorOwnsFocus(widget) || remoteList_->editorOwnsFocus(widget);
    context.comboFocused = directoryComboFocused_;
    const keys::KeyDecision decision =
        keys_.press(key->key(), static_cast<int>(key->modifiers()), context);
    // Enter on a row reaches the list, which opens the row as a double-click does.
    if (decision.command == keys::Command::OpenLocalItem ||
        decision.command == keys::Command::OpenRemoteItem)
        return false;
    if (decision.command == keys::Command::ToggleTrace)
        traceSwitch_->toggle();
    else if (context.side == keys::Side::Local)
        localPane_->run(decision.command);
    else if (context.side == keys::Side::Remote)
        remotePane_->run(decision.command);
    return decision.swallow;
}

void MainWindow::setStatusToolTip(int pane, const QString& text) {
    if (pane >= 0 && pane <= 1) statusPanes_[pane]->setToolTip(text);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The verified count opens the last job's report again.
    if (watched == statusPanes_[1] && event->type() == QEvent::MouseButtonRelease &&
        transfers_->hasReport()) {
        transfers_->showLastReport();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        if (dispatchKey(watched, static_cast<QKeyEvent*>(event))) return true;
    }
    if (event->type() == QEvent::ToolTip) {
        // The tips appear after half a second and hide after 4.5 s, whatever their length.
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* help = static_cast<QHelpEvent*>(event);
        if (widget && !widget->toolTip().isEmpty()) {
            QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(), 4500);
            return true;
        }
    }
    if (watched == trackLine_ && event->type() == QEvent::Paint) {
        QPainter painter(trackLine_);
        painter.setPen(QPen(QColor(100, 100, 100), 2, Qt::DashLine));
        painter.drawLine(1, 0, 1, trackLine_->height());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && connectButton_) loadButtonImages();
}

void MainWindow::uploadPaths(const std::vector<std::string>& paths) {
    transfers_->startUploadOf(paths);
}
