#include "mainwindow.h"

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
#include "qtprompts.h"
#include "syscolorbitmapbutton.h"
#include "traceswitch.h"
#include "transfercontroller.h"
#include "uitexts.h"

namespace {

constexpr int kTitleString = 57344;
constexpr int kAboutString = 101;
constexpr int kStatusPaneWidthString = 1269;
constexpr int kLocalTitleString = 1270;
constexpr int kRemoteTitleString = 1271;
constexpr int kQuitWhileConnected = 105;
constexpr int kIconSize = 32;
constexpr int kRepaintDelayMs = 50;
constexpr int kDriveUnreachable = 110;
constexpr int kRateString = 1272;
constexpr double kLargestRate = 9999999.9;

// Converts template positions to pixels with the dialog font, as dialog templates are.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        QFontMetrics metrics(font);
        const QString letters =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
        baseY_ = metrics.height();
    }
    int x(int units) const { return units * baseX_ / 4; }
    int y(int units) const { return units * baseY_ / 8; }
    QRect rect(int x0, int y0, int w, int h) const { return QRect(x(x0), y(y0), x(w), y(h)); }

private:
    int baseX_ = 6;
    int baseY_ = 13;
};

QToolButton* makeToolButton(QWidget* parent, int id, bool checkable = false) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::number(id));
    button->setCheckable(checkable);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

FileListView* makeList(QWidget* parent, int id) {
    auto* list = new FileListView(parent);
    list->setObjectName(QString::number(id));
    return list;
}

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
    traceChord_ = new QTimer(this);
    traceChord_->setObjectName("3105");
    traceChord_->setSingleShot(true);
    traceChord_->setInterval(500);
    connect(traceChord_, &QTimer::timeout, this, [this] { traceArmed_ = false; });
    qApp->installEventFilter(this);
    connect(connectButton_, &QPushButton::clicked, this, [this] {
        if (!refuseWhileTransferring()) connection_->toggleConnection();
    });
    connect(selectButton_, &QPushButton::clicked, this, &MainWindow::openOptionsSheet);
    connect(profileCombo_, qOverload<int>(&QComboBox::activated), this,
            &MainWindow::profileSelected);
    connect(remoteDirectory_, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { connection_->remoteDirectoryChosen(index); });
    connect(remoteDirectory_, &DirectoryCombo::enterPressed, this,
            [this](QLineEdit* edit) { connection_->remotePathTyped(edit->text().toStdString()); });

    repaintTimer_ = new QTimer(this);
    repaintTimer_->setObjectName("10");
    repaintTimer_->setSingleShot(true);
    repaintTimer_->setInterval(kRepaintDelayMs);
    connect(repaintTimer_, &QTimer::timeout, this, [this] { update(); });
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
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

void MainWindow::createControls() {
    const DialogUnits du(font());
    auto text = [](int id) { return uitexts::dialogText(kDialogId, id); };

    profileCombo_ = new QComboBox(this);
    profileCombo_->setObjectName("1000");
    const QRect profileRect = du.rect(5, 5, 85, 12);
    profileCombo_->setGeometry(profileRect.x(), profileRect.y(), profileRect.width(),
                               profileCombo_->sizeHint().height());

    connectButton_ = new SysColorBitmapButton(this);
    connectButton_->setObjectName("1019");
    connectButton_->setText(text(1019));
    connectButton_->setGeometry(du.rect(95, 3, 45, 17));

    connectionLabel_ = new QLabel(this);
    connectionLabel_->setObjectName("1004");
    connectionLabel_->setGeometry(du.x(150), 0, kIconSize, kIconSize);

    selectButton_ = new SysColorBitmapButton(this);
    selectButton_->setObjectName("1020");
    selectButton_->setText(text(1020));
    selectButton_->setGeometry(du.rect(175, 3, 30, 17));

    displayModes_ = new QButtonGroup(this);
    const int displayIds[] = {1053, 1054, 1055};
    for (int i = 0; i < 3; ++i) {
        QToolButton* button = makeToolButton(this, displayIds[i], true);
        button->setGeometry(du.rect(220 + 17 * i, 3, 17, 17));
        displayModes_->addButton(button, displayIds[i]);
    }
    helpButton_ = makeToolButton(this, 57670);
    helpButton_->setGeometry(du.rect(275, 3, 17, 17));
    closeButton_ = makeToolButton(this, 2);
    closeButton_->setGeometry(du.rect(293, 3, 17, 17));

    localIcon_ = new QLabel(this);
    localIcon_->setObjectName("1034");
    localIcon_->setGeometry(du.x(5), du.y(35), kIconSize, kIconSize);
    localCaption_ = new QLabel(text(1039), this);
    localCaption_->setObjectName("1039");
    localCaption_->setGeometry(du.rect(30, 45, 60, 8).adjusted(0, 0, 0, 4));

    localUp_ = makeToolButton(this, 1057);
    driveCombo_ = new DriveCombo(this);
    driveCombo_->setObjectName("1001");
    localDirectory_ = new DirectoryCombo(this);
    localDirectory_->setObjectName("1031");
    const int comboHeight = localDirectory_->sizeHint().height();
    localUp_->setGeometry(du.x(5), du.y(60), du.x(15), comboHeight);
    driveCombo_->setGeometry(du.x(20), du.y(60), du.x(48), comboHeight);
    localDirectory_->setGeometry(du.x(69), du.y(60), du.x(76), comboHeight);
    localList_ = makeList(this, 1030);
    localList_->setGeometry(du.rect(5, 75, 140, 200));

    remoteIcon_ = new QLabel(this);
    remoteIcon_->setObjectName("1033");
    remoteIcon_->setGeometry(du.x(180), du.y(35), kIconSize, kIconSize);
    remoteCaption_ = new QLabel(text(1037), this);
    remoteCaption_->setObjectName("1037");
    remoteCaption_->setGeometry(du.rect(205, 45, 70, 8).adjusted(0, 0, 0, 4));
    remoteUp_ = makeToolButton(this, 1058);
    remoteUp_->setGeometry(du.x(180), du.y(60), du.x(15), comboHeight);
    remoteDirectory_ = new DirectoryCombo(this);
    remoteDirectory_->setObjectName("1002");
    remoteDirectory_->setGeometry(du.x(195), du.y(60), du.x(125), comboHeight);
    remoteList_ = makeList(this, 1025);
    remoteList_->setGeometry(du.rect(180, 75, 140, 201));

    uploadButton_ = new SysColorBitmapButton(this);
    uploadButton_->setObjectName("1027");
    uploadButton_->setText(text(1027));
    uploadButton_->setGeometry(du.rect(150, 90, 26, 24));
    downloadButton_ = new SysColorBitmapButton(this);
    downloadButton_->setObjectName("1029");
    downloadButton_->setText(text(1029));
    downloadButton_->setGeometry(du.rect(150, 115, 26, 24));
    lockButton_ = makeToolButton(this, 1056);
    lockButton_->setGeometry(du.rect(150, 155, 26, 24));

    transferModes_ = new QButtonGroup(this);
    const int modeIds[] = {1023, 1021, 1022};
    for (int i = 0; i < 3; ++i) {
        QToolButton* button = makeToolButton(this, modeIds[i], true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setText(text(modeIds[i]));
        button->setGeometry(du.rect(150, 180 + 17 * i, 26, 17));
        transferModes_->addButton(button, modeIds[i]);
    }

    textField_ = new QLineEdit(this);
    textField_->setObjectName("1047");
    textField_->setReadOnly(true);
    textField_->setGeometry(du.rect(5, 281, 315, 12));
    textField_->hide();

    // The drag line of the splitter: a thin child above everything, moved while dragging.
    trackLine_ = new QWidget(this);
    trackLine_->setObjectName("trackLine");
    trackLine_->setAttribute(Qt::WA_TransparentForMouseEvents);
    trackLine_->hide();
    trackLine_->installEventFilter(this);

    connect(closeButton_, &QToolButton::clicked, this, [this] { close(); });
    connect(transferModes_, &QButtonGroup::idClicked, this, [this](int id) {
        transferMode = id == 1023 ? 0 : id == 1021 ? 1 : 2;
    });

    connect(helpButton_, &QToolButton::clicked, this, &MainWindow::showHelpMenu);
    for (DirectoryCombo* combo : {localDirectory_, remoteDirectory_})
        connect(combo, &DirectoryCombo::focusChanged, this,
                [this](bool focused) { directoryComboFocused_ = focused; });
    connect(localList_, &FileListView::focused, this,
            [this] { showLocalTitle(QString::fromStdString(localPath)); });
    connect(remoteList_, &FileListView::focused, this, [this] {
        if (session) showRemoteTitle(remoteDirectory_->currentText());
    });
    connect(displayModes_, &QButtonGroup::idClicked, this,
            [this](int id) { applyDisplayMode(id - 1052); });
    connect(localList_, &FileListView::columnClicked, this,
            [this](int column) { columnClicked(LocalSide, column); });
    connect(remoteList_, &FileListView::columnClicked, this,
            [this](int column) { columnClicked(RemoteSide, column); });
    connect(driveCombo_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const std::string root = driveCombo_->rootAt(index);
        if (root.empty()) return;
        if (::chdir(root.c_str()) != 0)
            prompts().ask(
                {kDriveUnreachable, {root}, platform::Buttons::Ok, platform::Icon::Warning});
        refreshLocal();
    });
    connect(localDirectory_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const std::string path = localDirectory_->itemText(index).toStdString();
        [[maybe_unused]] int ignored = ::chdir(path.c_str());
        refreshLocal();
    });
    connect(localDirectory_, &DirectoryCombo::enterPressed, this,
            [this](QLineEdit* edit) { localPathTyped(edit->text()); });
}

void MainWindow::createStatusBar() {
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QString::number(0xE801));
    statusBar_->setSizeGripEnabled(true);
    for (int pane = 0; pane < 2; ++pane) {
        statusPanes_[pane] = new QLabel(statusBar_);
        statusPanes_[pane]->setObjectName(QStringLiteral("pane%1").arg(pane));
        statusPanes_[pane]->setTextFormat(Qt::PlainText);
    }
    statusPanes_[0]->setMinimumWidth(1);
    statusBar_->addWidget(statusPanes_[0], 1);
    // As wide as its blanks, and as the largest rate the texts can show.
    std::string rate;
    if (!ftp::formatRate(uitexts::text(kRateString).toStdString(), kLargestRate, rate))
        ftp::formatRate(ftp::FtpSession::kDefaultRateFormat, kLargestRate, rate);
    const QFontMetrics metrics = statusPanes_[1]->fontMetrics();
    const int margin = 2 * statusPanes_[1]->margin() + statusPanes_[1]->frameWidth() * 2 + 8;
    statusPanes_[1]->setFixedWidth(
        std::max({metrics.horizontalAdvance(uitexts::text(kStatusPaneWidthString)),
                  metrics.horizontalAdvance(QString::fromStdString(rate)) + margin, 60}));
    statusBar_->addPermanentWidget(statusPanes_[1]);
    traceSwitch_ = new TraceSwitch(statusBar_);
    statusBar_->addPermanentWidget(traceSwitch_);
    traceSwitch_->showState();
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
    applyDisplayMode(displayMode);
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

void MainWindow::showLockState() {
    const QSize size = lockButton_->size() - QSize(8, 8);
    lockButton_->setIcon(QIcon(
        artwork::image(directoryLock ? artwork::Locked : artwork::Unlocked, palette(), size)));
    lockButton_->setIconSize(size);
}

void MainWindow::createToolTips() {
    const std::pair<int, int> tips[] = {
        {1019, 1238}, {1027, 1239},  {1029, 1240}, {1056, 1241}, {1020, 1242}, {1000, 1243},
        {2, 1244},    {57670, 1277}, {1057, 1278}, {1058, 1278}, {1053, 1246}, {1054, 1247},
        {1055, 1248}, {1023, 1279},  {1021, 1280}, {1022, 1281},
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

void MainWindow::enableTransferButtons(bool enable) {
    uploadButton_->setEnabled(enable);
    downloadButton_->setEnabled(enable);
}

int MainWindow::focusedSide() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !localDirectory_->lineEdit() || !remoteDirectory_->lineEdit()) return 0;
    if (localList_->ownsFocus(focus)) return 1;
    for (QWidget* w : std::initializer_list<QWidget*>{localUp_, driveCombo_, localDirectory_,
                                                      localDirectory_->lineEdit()})
        if (focus == w) return 1;
    if (remoteList_->ownsFocus(focus)) return 2;
    for (QWidget* w :
         std::initializer_list<QWidget*>{remoteUp_, remoteDirectory_, remoteDirectory_->lineEdit()})
        if (focus == w) return 2;
    return 0;
}

void MainWindow::showLocalTitle(const QString& localPath) {
    setWindowTitle(uitexts::message(kLocalTitleString, {localPath.toStdString()}));
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
    const int ids[] = {1023, 1021, 1022};
    // A stored mode outside 0 to 2 checks none of the radios.
    transferModes_->setExclusive(false);
    for (int i = 0; i < 3; ++i)
        transferModes_->button(ids[i])->setChecked(i == transferMode);
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
    } else if (session) {
        session->close();
        session.reset();
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

bool MainWindow::traceChordKey(QKeyEvent* key) {
    if (key->key() == Qt::Key_Control) {
        traceArmed_ = true;
        traceChord_->start();
        return false;
    }
    const bool toggle = traceArmed_ && key->key() == Qt::Key_QuoteLeft;
    traceArmed_ = false;
    traceChord_->stop();
    if (!toggle) return false;
    traceSwitch_->toggle();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Keys reach the focused control first; the chord belongs to the whole window.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && !static_cast<QKeyEvent*>(event)->isAutoRepeat() &&
            traceChordKey(static_cast<QKeyEvent*>(event)))
            return true;
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
