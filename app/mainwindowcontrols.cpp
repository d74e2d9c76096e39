// The window's controls at their template places, and what each one's signals do.
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>

#include "connectioncontroller.h"
#include "controlids.h"
#include "dialogunits.h"
#include "directorycombo.h"
#include "drivecombo.h"
#include "filelistview.h"
#include "ftpsession.h"
#include "mainwindow.h"
#include "syscolorbitmapbutton.h"
#include "traceswitch.h"
#include "uitexts.h"

namespace {

constexpr int kIconSize = 32;
constexpr int kStatusPaneWidthString = 1269;
constexpr int kRateString = 1272;
constexpr double kLargestRate = 9999999.9;

QString dialogText(int id) {
    return uitexts::dialogText(MainWindow::kDialogId, id);
}

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

void MainWindow::createControls() {
    const DialogUnits du(font());
    createToolbarRow(du);
    createPanes(du);
    createMiddleColumn(du);
    wireControls();
}

void MainWindow::createToolbarRow(const DialogUnits& du) {
    profileCombo_ = new QComboBox(this);
    profileCombo_->setObjectName(QString::number(controlid::kProfileCombo));
    const QRect profileRect = du.rect(5, 5, 85, 12);
    profileCombo_->setGeometry(profileRect.x(), profileRect.y(), profileRect.width(),
                               profileCombo_->sizeHint().height());

    connectButton_ = new SysColorBitmapButton(this);
    connectButton_->setObjectName(QString::number(controlid::kConnectButton));
    connectButton_->setText(dialogText(controlid::kConnectButton));
    connectButton_->setGeometry(du.rect(95, 3, 45, 17));

    connectionLabel_ = new QLabel(this);
    connectionLabel_->setObjectName(QString::number(controlid::kConnectionIcon));
    connectionLabel_->setGeometry(du.x(150), 0, kIconSize, kIconSize);

    selectButton_ = new SysColorBitmapButton(this);
    selectButton_->setObjectName(QString::number(controlid::kSelectButton));
    selectButton_->setText(dialogText(controlid::kSelectButton));
    selectButton_->setGeometry(du.rect(175, 3, 30, 17));

    displayModes_ = new QButtonGroup(this);
    const int displayIds[] = {controlid::kDisplayModeBase + 1, controlid::kDisplayModeBase + 2,
                              controlid::kDisplayModeBase + 3};
    for (int i = 0; i < 3; ++i) {
        QToolButton* button = makeToolButton(this, displayIds[i], true);
        button->setGeometry(du.rect(220 + 17 * i, 3, 17, 17));
        displayModes_->addButton(button, displayIds[i]);
    }
    helpButton_ = makeToolButton(this, controlid::kHelpButton);
    helpButton_->setGeometry(du.rect(275, 3, 17, 17));
    closeButton_ = makeToolButton(this, controlid::kExitButton);
    closeButton_->setGeometry(du.rect(293, 3, 17, 17));
}

void MainWindow::createPanes(const DialogUnits& du) {
    localIcon_ = new QLabel(this);
    localIcon_->setObjectName(QString::number(controlid::kLocalIcon));
    localIcon_->setGeometry(du.x(5), du.y(35), kIconSize, kIconSize);
    localCaption_ = new QLabel(dialogText(controlid::kLocalCaption), this);
    localCaption_->setObjectName(QString::number(controlid::kLocalCaption));
    localCaption_->setGeometry(du.rect(30, 45, 60, 8).adjusted(0, 0, 0, 4));

    localUp_ = makeToolButton(this, controlid::kLocalUp);
    driveCombo_ = new DriveCombo(this);
    driveCombo_->setObjectName(QString::number(controlid::kDriveCombo));
    localDirectory_ = new DirectoryCombo(this);
    localDirectory_->setObjectName(QString::number(controlid::kLocalDirectory));
    const int comboHeight = localDirectory_->sizeHint().height();
    localUp_->setGeometry(du.x(5), du.y(60), du.x(15), comboHeight);
    driveCombo_->setGeometry(du.x(20), du.y(60), du.x(48), comboHeight);
    localDirectory_->setGeometry(du.x(69), du.y(60), du.x(76), comboHeight);
    localList_ = makeList(this, controlid::kLocalList);
    localList_->setGeometry(du.rect(5, 75, 140, 200));

    remoteIcon_ = new QLabel(this);
    remoteIcon_->setObjectName(QString::number(controlid::kRemoteIcon));
    remoteIcon_->setGeometry(du.x(180), du.y(35), kIconSize, kIconSize);
    remoteCaption_ = new QLabel(dialogText(controlid::kRemoteCaption), this);
    remoteCaption_->setObjectName(QString::number(controlid::kRemoteCaption));
    remoteCaption_->setGeometry(du.rect(205, 45, 70, 8).adjusted(0, 0, 0, 4));
    remoteUp_ = makeToolButton(this, controlid::kRemoteUp);
    remoteUp_->setGeometry(du.x(180), du.y(60), du.x(15), comboHeight);
    remoteDirectory_ = new DirectoryCombo(this);
    remoteDirectory_->setObjectName(QString::number(controlid::kRemoteDirectory));
    remoteDirectory_->setGeometry(du.x(195), du.y(60), du.x(125), comboHeight);
    remoteList_ = makeList(this, controlid::kRemoteList);
    remoteList_->setGeometry(du.rect(180, 75, 140, 201));
}

void MainWindow::createMiddleColumn(const DialogUnits& du) {
    uploadButton_ = new SysColorBitmapButton(this);
    uploadButton_->setObjectName(QString::number(controlid::kUploadButton));
    uploadButton_->setText(dialogText(controlid::kUploadButton));
    uploadButton_->setGeometry(du.rect(150, 90, 26, 24));
    downloadButton_ = new SysColorBitmapButton(this);
    downloadButton_->setObjectName(QString::number(controlid::kDownloadButton));
    downloadButton_->setText(dialogText(controlid::kDownloadButton));
    downloadButton_->setGeometry(du.rect(150, 115, 26, 24));
    lockButton_ = makeToolButton(this, controlid::kLockButton);
    lockButton_->setGeometry(du.rect(150, 155, 26, 24));

    transferModes_ = new QButtonGroup(this);
    const int modeIds[] = {controlid::kAutoMode, controlid::kBinaryMode, controlid::kTextMode};
    for (int i = 0; i < 3; ++i) {
        QToolButton* button = makeToolButton(this, modeIds[i], true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setText(dialogText(modeIds[i]));
        button->setGeometry(du.rect(150, 180 + 17 * i, 26, 17));
        transferModes_->addButton(button, modeIds[i]);
    }

    textField_ = new QLineEdit(this);
    textField_->setObjectName(QString::number(controlid::kTextField));
    textField_->setReadOnly(true);
    textField_->setGeometry(du.rect(5, 281, 315, 12));
    textField_->hide();

    // The drag line of the splitter: a thin child above everything, moved while dragging.
    trackLine_ = new QWidget(this);
    trackLine_->setObjectName("trackLine");
    trackLine_->setAttribute(Qt::WA_TransparentForMouseEvents);
    trackLine_->hide();
    trackLine_->installEventFilter(this);
}

void MainWindow::wireControls() {
    connect(closeButton_, &QToolButton::clicked, this, [this] { close(); });
    connect(transferModes_, &QButtonGroup::idClicked, this, [this](int id) {
        transferMode_ = id == controlid::kAutoMode     ? ftp::TransferMode::Automatic
                        : id == controlid::kBinaryMode ? ftp::TransferMode::Binary
                                                       : ftp::TransferMode::Text;
    });

    connect(helpButton_, &QToolButton::clicked, this, &MainWindow::showHelpMenu);
    for (DirectoryCombo* combo : {localDirectory_, remoteDirectory_})
        connect(combo, &DirectoryCombo::focusChanged, this,
                [this](bool focused) { directoryComboFocused_ = focused; });
    connect(localList_, &FileListView::focused, this,
            [this] { showLocalTitle(QString::fromStdString(localPath_)); });
    connect(remoteList_, &FileListView::focused, this, [this] {
        if (ftpSession()) showRemoteTitle(remoteDirectory_->currentText());
    });
    connect(displayModes_, &QButtonGroup::idClicked, this,
            [this](int id) { applyDisplayMode(id - controlid::kDisplayModeBase); });
    connect(localList_, &FileListView::columnClicked, this,
            [this](int column) { columnClicked(LocalSide, column); });
    connect(remoteList_, &FileListView::columnClicked, this,
            [this](int column) { columnClicked(RemoteSide, column); });
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
    lockLabel_ = new QLabel(statusBar_);
    lockLabel_->setObjectName(QStringLiteral("lock"));
    lockLabel_->hide();
    statusBar_->addPermanentWidget(lockLabel_);
    traceSwitch_ = new TraceSwitch(statusBar_);
    statusBar_->addPermanentWidget(traceSwitch_);
    traceSwitch_->showState();
}
