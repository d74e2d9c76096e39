#include "remotepanecontroller.h"

#include <QApplication>

#include "connectioncontroller.h"
#include "contextmenus.h"
#include "deleteconfirmdialog.h"
#include "directorycombo.h"
#include "dragdrop.h"
#include "filetypes.h"
#include "ftpsession.h"
#include "panehost.h"
#include "permissiondialog.h"
#include "permissions.h"
#include "remotecommands.h"
#include "uitexts.h"

namespace {

constexpr int kNothingSelected = 1221;
constexpr int kNewDirectoryName = 1232;
constexpr int kChosenDirectoryInvalid = 1257;

constexpr int kNotEncodable = 1357;

ftp::NameEncoding encodingOf(const ftp::FtpSession* session) {
    return session ? session->namesEncoding() : ftp::NameEncoding::Utf8;
}

// A server path or name as the user reads it.
QString shown(const ftp::FtpSession* session, const std::string& bytes) {
    return QString::fromStdString(ftp::nameForDisplay(bytes, encodingOf(session)));
}

// The window does not respond while an FTP exchange runs; the cursor says so.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

RemotePaneController::RemotePaneController(PaneHost& host, DirectoryCombo& directories,
                                           QObject* parent)
    : PaneController(host, host.remoteList(), contextmenus::kRemoteMenu, parent),
      directories_(directories) {
    connect(&list_, &FileListView::rowActivated, this, &RemotePaneController::openRow);
    connect(&directories_, qOverload<int>(&QComboBox::activated), this,
            &RemotePaneController::directoryChosen);
    connect(&directories_, &DirectoryCombo::enterPressed, this,
            [this](QLineEdit* edit) { pathTyped(edit->text().toStdString()); });
    list_.acceptUrlDrops();
    connect(&list_, &FileListView::filesDropped, this, &RemotePaneController::dropped);
    host_.remoteModel().onRename = [this](int, const QString& text) {
        noteTyped(text.toStdString());
    };
}

void RemotePaneController::run(keys::Command command) {
    using keys::Command;
    switch (command) {
        case Command::UpOneLevelRemote:
            return upOneLevel();
        case Command::GoHomeRemote:
            return goHome();
        case Command::RefreshRemote:
            return refresh();
        case Command::SelectAllRemote:
            return selectAll();
        case Command::NewDirectoryRemote:
            return newDirectory();
        case Command::RenameRemote:
            return rename();
        case Command::DeleteRemote:
            return deleteSelected();
        case Command::OpenRemoteItem:
            return openRow(list_.currentRow());
        case Command::ListRemoteMissingLocally:
        case Command::ListNewerRemote:
            return compare(command);
        case Command::ChangePermissionsRemote:
            return changePermissions();
        default:
            return;
    }
}

ftp::FtpSession* RemotePaneController::idleSession() {
    ftp::FtpSession* session = host_.ftpSession();
    if (!session || host_.refuseWhileTransferring()) return nullptr;
    return session;
}

bool RemotePaneController::menuMayOpen() {
    return contextmenus::mayOpen(contextmenus::kRemoteMenu, host_.transferRunning(),
                                 host_.ftpSession() != nullptr);
}

std::string RemotePaneController::firstSelectedName() const {
    const QList<int> rows = list_.selectedRows();
    if (rows.isEmpty()) return {};
    return host_.remoteModel().item(rows.front()).name;
}

void RemotePaneController::moved(const std::string& directory) {
    if (!directory.empty()) host_.rememberRemotePath(directory);
    host_.connection().refreshRemote();
}

void RemotePaneController::directoryChosen(int index) {
    ftp::FtpSession* session = idleSession();
    if (!session || index < 0 || !host_.connection().checkConnection()) return;
    // A path the box learned from the server goes back as its bytes; one typed into it
    // earlier as the server encodes it.
    const QVariant bytes = directories_.itemData(index);
    std::string path = bytes.toByteArray().toStdString();
    if (!bytes.isValid() && !serverName(*session, directories_.itemText(index).toStdString(), path))
        return;
    if (session->changeDirectory(path, false)) {
        host_.connection().refreshRemote();
        return;
    }
    host_.prompts().ask(
        {kChosenDirectoryInvalid, {}, platform::Buttons::Ok, platform::Icon::Warning});
    directories_.removeItem(index);
    std::string current;
    if (session->currentDirectory(current))
        directories_.setCurrentIndex(directories_.findText(shown(session, current)));
}

void RemotePaneController::pathTyped(const std::string& typed) {
    ftp::FtpSession* session = idleSession();
    if (!session || !host_.connection().refreshIdle() || !host_.connection().checkConnection())
        return;
    std::string text;
    if (!serverName(*session, typed, text)) return;
    const auto pattern = text.find("*.");
    if (pattern != std::string::npos) {
        host_.nameFilter() = {true, text.substr(pattern)};
        text.erase(pattern);
    }
    if (session->changeDirectory(text, false)) {
        host_.connection().refreshRemote();
        return;
    }
    directories_.showPath(shown(session, host_.connection().remotePath()));
}

void RemotePaneController::compare(keys::Command command) {
    ftp::FtpSession* session = host_.ftpSession();
    if (session && host_.refuseWhileTransferring()) return;
    const auto step = comparison::comparisonStep(
        command, session != nullptr, [session] { return session && session->checkAlive() == 0; });
    if (step == comparison::ComparisonStep::ConnectionLost && session)
        return host_.connection().connectionLost();
    if (step != comparison::ComparisonStep::SetAndRefresh) return;
    comparison::PaneFilters& filters = host_.listingFilters().remote;
    (command == keys::Command::ListNewerRemote ? filters.newer : filters.notOnOtherSide) = true;
    // A refresh that stops early (no session, a dead connection) keeps the flag for the next.
    host_.connection().refreshRemote();
}

void RemotePaneController::changePermissions() {
    ftp::FtpSession* session = host_.ftpSession();
    if (session && host_.refuseWhileTransferring()) return;
    std::vector<transfer::PermissionItem> items;
    for (int row : list_.selectedRows()) {
        const RemoteListItem& item = host_.remoteModel().item(row);
        items.push_back({item.name, item.attributes});
    }
    QWidget* parent = host_.dialogParent();
    const transfer::RemoteOutcome outcome = transfer::changeRemotePermissions(
        session, items, host_.serverName(), host_.prompts(),
        [parent](int mode) { return PermissionDialog::ask(parent, mode); });
    if (outcome == transfer::RemoteOutcome::ConnectionLost)
        return host_.connection().connectionLost();
    if (outcome == transfer::RemoteOutcome::Changed) host_.connection().refreshRemote();
}

void RemotePaneController::dropped(const QMimeData& data) {
    const dragdrop::DropDecision decision = dragdrop::decideDrop(
        host_.ftpSession() != nullptr, host_.transferRunning(), host_.connection().refreshIdle());
    if (decision != dragdrop::DropDecision::Upload) return;
    const dragdrop::DroppedPaths drop = dragdrop::readDrop(data);
    for (const dragdrop::DropRefusal& refusal : drop.refused)
        host_.connection().setStatusMessage(0, refusal.messageId, {refusal.subject});
    if (!drop.paths.empty()) host_.uploadPaths(drop.paths);
}

void RemotePaneController::openRow(int row) {
    RemoteListModel& model = host_.remoteModel();
    if (row < 0 || row >= model.size() || model.item(row).entryType != ftp::EntryType::Directory)
        return;
    ftp::FtpSession* session = idleSession();
    if (!session) return;
    const std::string name = transfer::remoteDirectoryName(model.item(row).name);
    WaitCursor wait;
    const transfer::RemoteMove move =
        transfer::openRemoteDirectory(*session, name, host_.prompts());
    if (move.outcome == transfer::RemoteOutcome::ConnectionLost)
        return host_.connection().connectionLost();
    if (move.outcome != transfer::RemoteOutcome::Changed) return;
    moved(move.directory);
    // The local folder of that name is the one a download of it makes.
    moveTogether(ftp::localFileName(name, session->namesEncoding()).name);
}

void RemotePaneController::upOneLevel() {
    ftp::FtpSession* session = idleSession();
    if (!session || !host_.connection().refreshIdle()) return;
    WaitCursor wait;
    const transfer::RemoteMove move =
        transfer::remoteUpOneLevel(*session, host_.connection().homeDirectory(), host_.prompts());
    if (move.outcome == transfer::RemoteOutcome::ConnectionLost)
        return host_.connection().connectionLost();
    if (move.outcome != transfer::RemoteOutcome::Changed) return;
    moved(move.directory);
    moveTogether("..");
}

void RemotePaneController::goHome() {
    ftp::FtpSession* session = idleSession();
    if (!session) return;
    WaitCursor wait;
    const transfer::RemoteMove move =
        transfer::remoteGoHome(*session, host_.connection().homeDirectory(), host_.prompts());
    if (move.outcome == transfer::RemoteOutcome::ConnectionLost)
        return host_.connection().connectionLost();
    if (move.outcome == transfer::RemoteOutcome::Changed) moved(move.directory);
}

void RemotePaneController::refresh() {
    // The refresh checks the connection itself (NOOP) before listing.
    if (idleSession()) host_.connection().refreshRemote();
}

bool RemotePaneController::follow(const std::string& name) {
    ftp::FtpSession* session = host_.ftpSession();
    if (!session || host_.transferRunning()) return true;
    std::string bytes;
    if (!serverName(*session, name, bytes)) return true;
    WaitCursor wait;
    const transfer::RemoteMove move = transfer::changeRemoteDirectory(*session, bytes);
    if (move.outcome == transfer::RemoteOutcome::ConnectionLost) {
        host_.connection().connectionLost();
        return false;
    }
    if (move.outcome == transfer::RemoteOutcome::Changed)
        moved(move.directory);
    else
        unlock();
    return true;
}

bool RemotePaneController::serverName(ftp::FtpSession& session, const std::string& text,
                                      std::string& bytes) {
    if (ftp::nameForServer(text, session.namesEncoding(), bytes)) return true;
    host_.prompts().ask({kNotEncodable, {text}, platform::Buttons::Ok, platform::Icon::Warning});
    return false;
}

void RemotePaneController::newDirectory() {
    if (!idleSession() || !host_.connection().checkConnection()) return;
    RemoteListModel::Row row;
    const FileTypeCache::Type folder = host_.fileTypeCache().folderType();
    row.item.name = uitexts::text(kNewDirectoryName).toStdString();
    row.item.shownName = row.item.name;
    row.item.dateText = nowText();
    row.item.typeName = folder.typeName;
    row.item.attributes = "---";
    row.item.entryType = ftp::EntryType::Directory;
    row.item.isDirectory = true;
    row.text = QString::fromStdString(row.item.name);
    row.attributes = QString::fromStdString(row.item.attributes);
    row.icon = folder.iconIndex;
    host_.remoteModel().insertAtTop(std::move(row));
    startEdit(0, Editing::NewDirectory);
}

void RemotePaneController::rename() {
    if (!host_.ftpSession() || list_.selectedRows().isEmpty()) {
        host_.prompts().ask({kNothingSelected, {}, platform::Buttons::Ok, platform::Icon::Warning});
        return;
    }
    if (!idleSession() || !host_.connection().checkConnection()) return;
    startEdit(list_.selectedRows().front(), Editing::Rename);
}

void RemotePaneController::editEnded(Editing kind, const std::optional<std::string>& typed) {
    ftp::FtpSession* session = host_.ftpSession();
    if (!session || host_.transferRunning()) return;
    WaitCursor wait;
    transfer::RemoteOutcome outcome = transfer::RemoteOutcome::Unchanged;
    if (kind == Editing::NewDirectory) {
        const std::string cancelled = uitexts::text(kNewDirectoryName).toStdString();
        std::string name;
        if (!serverName(*session, transfer::newDirectoryName(typed, cancelled), name)) name.clear();
        outcome = transfer::makeRemoteDirectory(*session, name);
        // The refresh drops the placeholder row, whatever MKD said.
        if (outcome != transfer::RemoteOutcome::ConnectionLost)
            outcome = transfer::RemoteOutcome::Changed;
    } else {
        const QList<int> rows = list_.selectedRows();
        if (rows.isEmpty() || !typed || typed->empty()) return;
        const RemoteListItem& item = host_.remoteModel().item(rows.front());
        std::string newName;
        if (*typed == item.shownName || !serverName(*session, *typed, newName)) return;
        outcome = transfer::renameRemote(*session, item.name, newName, host_.prompts());
    }
    if (outcome == transfer::RemoteOutcome::ConnectionLost)
        return host_.connection().connectionLost();
    if (outcome == transfer::RemoteOutcome::Changed) host_.connection().refreshRemote();
}

void RemotePaneController::deleteSelected() {
    ftp::FtpSession* session = host_.ftpSession();
    if (session && host_.refuseWhileTransferring()) return;
    std::vector<transfer::RemoteItem> items;
    for (int row : list_.selectedRows()) {
        const RemoteListItem& item = host_.remoteModel().item(row);
        items.push_back({item.name, item.isDirectory});
    }
    if (!session || items.empty()) {
        host_.prompts().ask({kNothingSelected, {}, platform::Buttons::Ok, platform::Icon::Warning});
        return;
    }
    WaitCursor wait;
    QWidget* parent = host_.dialogParent();
    const transfer::RemoteOutcome outcome = transfer::deleteRemoteItems(
        *session, items, host_.prompts(), [parent](const transfer::DeleteQuestion& question) {
            return DeleteConfirmDialog::confirm(parent, question);
        });
    if (outcome == transfer::RemoteOutcome::ConnectionLost)
        return host_.connection().connectionLost();
    if (outcome == transfer::RemoteOutcome::Changed) host_.connection().refreshRemote();
}
