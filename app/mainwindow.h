#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <ctime>
#include <memory>

#include "connectionwindow.h"
#include "filelistmodel.h"
#include "keydispatcher.h"
#include "panehost.h"
#include "prompts.h"
#include "remoterefresh.h"
#include "serverprofile.h"
#include "transferwindow.h"
#include "uidispatcher.h"
#include "windowsettings.h"

namespace tsy {
class SiteMgr50;
}

class QButtonGroup;
class QKeyEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTimer;
class QToolButton;
class TraceSwitch;
class ConnectionController;
class TransferController;
class DirectoryCombo;
class DriveCombo;
class FileListView;
class FileTypeCache;
class DialogUnits;
class LocalPaneController;
class RemotePaneController;
namespace ftp {
class FtpSession;
}

// What the application hands the main window.
struct MainWindowContext {
    tsy::SiteMgr50* siteDatabase = nullptr;
    std::string startFolder;
    std::string settingsKey;  // empty: settings are neither read nor written
};
class SysColorBitmapButton;

// The dual-pane main window: toolbar row, local pane on the left, remote pane on the
// right, the transfer buttons between them and a two-pane status bar. Controls carry
// their classic numbers as object names. The controllers that own the window's
// behaviour see it through the narrow interfaces it implements.
class MainWindow : public QDialog, public PaneHost, public ConnectionWindow, public TransferWindow {
    Q_OBJECT
public:
    static constexpr int kDialogId = 102;
    static constexpr int kMinimumWidth = 570;
    static constexpr int kMinimumHeight = 440;
    static constexpr int kInitialWidth = 640;
    static constexpr int kInitialHeight = 480;

    using Context = MainWindowContext;

    explicit MainWindow(Context context = {}, QWidget* parent = nullptr);
    ~MainWindow() override;
    const Context& context() const { return context_; }

    // The first-show initialisation, in its fixed order.
    bool initialize();

    // Status bar, connection icon, buttons, focus.
    void setStatusText(int pane, const QString& text) override;
    void setStatusToolTip(int pane, const QString& text) override;
    QString statusText(int pane) const;
    void setConnectionIcon(int state) override;
    void showLock(Lock lock, const QString& tip) override;
    void showConnectButton(bool connected) override;
    int connectionIconState() const { return connectionIcon_; }
    void enableTransferButtons(bool enable) override;
    // 1 local, 2 remote, 0 neither: which pane the keyboard focus belongs to.
    keys::Side focusedSide() const;
    void showLocalTitle(const QString& folder) override;
    void showRemoteTitle(const QString& remotePath) override;

    // Window and view settings kept between runs.
    void loadSettings();
    void saveSettings();
    // 0 automatic, 1 binary, 2 text.
    ftp::TransferMode transferMode() const override { return transferMode_; }
    // 1 small icons, 2 list, 3 details.
    int displayMode() const { return displayMode_; }
    int lastUsedProfile() const { return lastUsedProfile_; }
    void checkTransferModeRadio();
    WindowPlacement currentPlacement() const;

    // Geometry.
    void layoutControls();
    void loadButtonImages();
    void createToolTips();
    // The lock button's icon follows the directory lock.
    void showLockState();
    // The splitter's place, in percent of the width.
    int listPos() const { return listPos_; }
    void setListPos(int percent) { listPos_ = percent; }
    int windowWidth() const { return windowWidth_; }
    int windowHeight() const { return windowHeight_; }
    bool splitterHot() const { return splitterHot_; }
    bool splitterDragging() const { return splitterDragging_; }
    int trackLineX() const { return trackLineX_; }
    // True when a pointer at this client position is over the splitter.
    bool onSplitter(QPoint position) const;

    // The control with this classic number, or null.
    QWidget* control(int id) const override;
    template <typename T>
    T* control(int id) const {
        return qobject_cast<T*>(control(id));
    }

    // Every modal question goes through these prompts; tests install scripted ones.
    platform::Prompts& prompts() override { return *prompts_; }
    void setPrompts(platform::Prompts* prompts);
    UiDispatcher& uiThread() override { return dispatcher_; }

    // The two list panes.
    int insertLocalItem(int index, const std::string& name, std::int64_t size, std::time_t modified,
                        bool isDirectory);
    int insertRemoteItem(int index, const std::string& name, std::int64_t size,
                         const std::string& dateText, const std::string& attributes,
                         ftp::EntryType entryType, bool isDirectory) override;
    void sortList(Side side, int column, int direction) override;
    void applyDisplayMode(int mode);
    LocalListModel& localModel() override { return *localModel_; }
    RemoteListModel& remoteModel() override { return *remoteModel_; }
    FileListView& localList() override { return *localList_; }
    FileListView& remoteList() override { return *remoteList_; }
    FileTypeCache& fileTypeCache() override { return *fileTypeCache_; }
    comparison::ListingFilters& listingFilters() override { return filters_; }

    // The local pane: it always shows the process's current directory.
    void refreshLocal() override;
    int enumerateLocal(const std::string& directory);
    void fillDriveCombo();
    void chooseStartDirectory();
    static std::string defaultLocalFolder();
    // Enter in the local directory combo's edit field.
    // The pattern the next listing of either pane is narrowed to.
    session::NameFilter& nameFilter() override { return nameFilter_; }
    std::string serverName() const override { return profile_.host; }
    void uploadPaths(const std::vector<std::string>& paths) override;

    // The profile of the profile combo, and the directories written back into it.
    session::ServerProfile& currentProfile() { return profile_; }
    const session::ServerProfile& currentProfile() const override { return profile_; }
    const std::string& lastRemotePath() const override { return lastRemotePath_; }
    bool directoryLocked() const override { return directoryLock_; }
    // Flips the lock and its icon (button 1056, command 1003).
    void setDirectoryLock(bool locked) override;
    void writeBackDirectories() override;

    ConnectionController& connection() override { return *connection_; }
    TransferController& transfers() { return *transfers_; }
    // True, with a word in the status bar, while a transfer job still owns the session:
    // FTP commands of the window wait until it has ended.
    bool refuseWhileTransferring() override;

    // Server profiles: the profile combo and the profile record.
    void fillProfileCombo();
    // Loads the combo's selection into `profile`; connecting 1 keeps the process's
    // directory, 0 moves into the profile's local directory. 0 when nothing usable is
    // selected.
    int selectProfile(int connecting) override;
    void profileSelected(int index);
    // The options sheet, opened by the Select button, timer 3104 and a connect without
    // a profile.
    void openOptionsSheet() override;
    static constexpr int kDisconnectText = 9001;  // the Connect button's caption while connected

    // Whether an FTP connection exists (asked before closing).
    bool connected() const;
    bool workerRunning() const;
    void setConnected(bool connected) { connected_ = connected; }

    // PaneHost
    QWidget* dialogParent() override { return this; }
    // The connection controller's session; null while disconnected.
    ftp::FtpSession* ftpSession() override;
    bool transferRunning() const override;
    const std::string& localFolder() const override { return localPath_; }
    void rememberRemotePath(const std::string& path) override { lastRemotePath_ = path; }
    LocalPaneController& localPane() { return *localPane_; }
    RemotePaneController& remotePane() { return *remotePane_; }

signals:
    void closing();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;
    void accept() override;

private:
    void createControls();
    void createToolbarRow(const DialogUnits& du);
    void createPanes(const DialogUnits& du);
    void createMiddleColumn(const DialogUnits& du);
    void wireControls();
    void createStatusBar();
    void showHelpMenu();
    void showAbout();
    void showHelp();
    void updateSplitterState(QPoint position);
    // Moves the controls right of Connect along so that none covers another.
    void placeToolbarRow();
    // The shared steps of both close paths; false when the user kept the window open.
    bool confirmClose();

    // Controls.
    QComboBox* profileCombo_ = nullptr;
    SysColorBitmapButton* connectButton_ = nullptr;
    QLabel* connectionLabel_ = nullptr;
    SysColorBitmapButton* selectButton_ = nullptr;
    QButtonGroup* displayModes_ = nullptr;
    QToolButton* helpButton_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QLabel* localIcon_ = nullptr;
    QLabel* localCaption_ = nullptr;
    QToolButton* localUp_ = nullptr;
    DriveCombo* driveCombo_ = nullptr;
    DirectoryCombo* localDirectory_ = nullptr;
    FileListView* localList_ = nullptr;
    QLabel* remoteIcon_ = nullptr;
    QLabel* remoteCaption_ = nullptr;
    QToolButton* remoteUp_ = nullptr;
    DirectoryCombo* remoteDirectory_ = nullptr;
    FileListView* remoteList_ = nullptr;
    SysColorBitmapButton* uploadButton_ = nullptr;
    SysColorBitmapButton* downloadButton_ = nullptr;
    QToolButton* lockButton_ = nullptr;
    QButtonGroup* transferModes_ = nullptr;
    QLineEdit* textField_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusPanes_[2] = {nullptr, nullptr};
    QWidget* trackLine_ = nullptr;
    QTimer* repaintTimer_ = nullptr;

    // Layout results read by painting and the splitter.
    QRect localListRect_, remoteListRect_, profileComboRect_, uploadRect_, downloadRect_, lockRect_,
        textModeRect_;
    int splitterCentre_ = 0;
    bool splitterHot_ = false;
    bool splitterDragging_ = false;
    int trackLineX_ = -1;

    ftp::TransferMode transferMode_ = ftp::TransferMode::Automatic;
    int displayMode_ = 3;
    int lastUsedProfile_ = 0;
    int listPos_ = 50;
    int windowWidth_ = 0;
    int windowHeight_ = 0;
    comparison::ListingFilters filters_;
    // The local pane's directory, ending in "/"; it is also the process's.
    std::string localPath_;
    session::NameFilter nameFilter_;
    // The profile of the profile combo, and the directories written back into it.
    session::ServerProfile profile_;
    std::string lastRemotePath_;

    int connectionIcon_ = 0;
    // Navigating on one side does the same on the other; kept in the profile.
    bool directoryLock_ = false;
    bool connected_ = false;
    bool closingConfirmed_ = false;
    bool directoryComboFocused_ = false;
    // The initial size is an outer size; the frame is known only once the window shows.
    bool outerSizePending_ = false;

    void createListModels();
    void columnClicked(Side side, int column);

    ConnectionController* connection_ = nullptr;
    TransferController* transfers_ = nullptr;
    QTimer* optionsTimer_ = nullptr;
    TraceSwitch* traceSwitch_ = nullptr;
    QLabel* lockLabel_ = nullptr;
    LocalPaneController* localPane_ = nullptr;
    RemotePaneController* remotePane_ = nullptr;
    // Every key-down of the window passes here before the focused control has it.
    keys::KeyDispatcher keys_;
    const QEvent* lastKey_ = nullptr;
    // The widget the last key went to first; an editor it went to may be gone since.
    QPointer<QWidget> lastKeyTarget_;
    bool dispatchKey(QObject* watched, QKeyEvent* key);
    keys::Side sideOf(const QWidget* widget) const;
    std::unique_ptr<FileTypeCache> fileTypeCache_;
    LocalListModel* localModel_ = nullptr;
    RemoteListModel* remoteModel_ = nullptr;
    // Direction of the next sort by each column; a click uses it and then flips it.
    int localSortFlags_[4] = {1, 1, 1, 1};
    int remoteSortFlags_[5] = {1, 1, 1, 1, 1};

    Context context_;
    UiDispatcher dispatcher_;
    std::unique_ptr<platform::Prompts> ownPrompts_;
    platform::Prompts* prompts_ = nullptr;
};
