#include "localpanecontroller.h"

#include <unistd.h>

#include <QApplication>
#include <QFileDialog>

#include "connectioncontroller.h"
#include "contextmenus.h"
#include "deleteconfirmdialog.h"
#include "directorycombo.h"
#include "dragdrop.h"
#include "drivecombo.h"
#include "filecommands.h"
#include "filetypes.h"
#include "localcommands.h"
#include "panehost.h"
#include "remotecommands.h"
#include "trash.h"
#include "uitexts.h"

namespace {

constexpr int kDriveUnreachable = 110;
constexpr int kCannotEnter = 1250;
constexpr int kRenameRefused = 1225;
constexpr int kChangeDirectoryTitle = 1231;
constexpr int kNewDirectoryName = 1232;

}  // namespace

LocalPaneController::LocalPaneController(PaneHost& host, DriveCombo& drives,
                                         DirectoryCombo& directories, QObject* parent)
    : PaneController(host, host.localList(), contextmenus::kLocalMenu, parent),
      drives_(drives),
      directories_(directories) {
    connect(&list_, &FileListView::rowActivated, this, &LocalPaneController::openRow);
    connect(&drives_, qOverload<int>(&QComboBox::activated), this,
            &LocalPaneController::driveChosen);
    connect(&directories_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        enter(directories_.itemText(index).toStdString());
        host_.refreshLocal();
    });
    connect(&directories_, &DirectoryCombo::enterPressed, this,
            [this](QLineEdit* edit) { pathTyped(edit->text().toStdString()); });
    host_.localModel().onRename = [this](int, const QString& text) {
        noteTyped(text.toStdString());
    };
    list_.enableDrags();
    host_.localModel().dragData = [this](const std::vector<int>& rows) {
        std::vector<std::string> names;
        for (int row : rows)
            names.push_back(host_.localModel().item(row).name);
        return dragdrop::localDragData(host_.localFolder(), names);
    };
}

void LocalPaneController::run(keys::Command command) {
    using keys::Command;
    switch (command) {
        case Command::UpOneLevelLocal:
            return upOneLevel();
        case Command::RefreshLocal:
            return host_.refreshLocal();
        case Command::SelectAllLocal:
            return selectAll();
        case Command::NewDirectoryLocal:
            return newDirectory();
        case Command::RenameLocal:
            return rename();
        case Command::ChangeLocalDirectory:
            return changeDirectory();
        case Command::LowerCaseNamesLocal:
            return lowerCaseNames();
        case Command::DeleteLocalToTrash:
            return deleteSelected(false);
        case Command::DeleteLocalPermanently:
            return deleteSelected(true);
        case Command::OpenLocalItem:
            return openRow(list_.currentRow());
        case Command::ListLocalMissingOnServer:
        case Command::ListNewerLocal:
            return compare(command);
        default:
            return;
    }
}

bool LocalPaneController::menuMayOpen() {
    return contextmenus::mayOpen(contextmenus::kLocalMenu, host_.transferRunning(),
                                 host_.ftpSession() != nullptr);
}

std::string LocalPaneController::firstSelectedName() const {
    const QList<int> rows = list_.selectedRows();
    if (rows.isEmpty()) return {};
    return host_.localModel().item(rows.front()).name;
}

void LocalPaneController::driveChosen(int index) {
    const std::string root = drives_.rootAt(index);
    if (root.empty()) return;
    if (!enter(root))
        host_.prompts().ask(
            {kDriveUnreachable, {root}, platform::Buttons::Ok, platform::Icon::Warning});
    host_.refreshLocal();
}

bool LocalPaneController::enter(const std::string& path) {
    // The process's directory is the pane's: the boxes, the profile's local directory and
    // the refresh read it.
    return ::chdir(path.c_str()) == 0;
}

void LocalPaneController::compare(keys::Command command) {
    const auto step = comparison::comparisonStep(command, host_.ftpSession() != nullptr, {});
    if (step != comparison::ComparisonStep::SetAndRefresh) return;
    comparison::PaneFilters& filters = host_.listingFilters().local;
    (command == keys::Command::ListNewerLocal ? filters.newer : filters.notOnOtherSide) = true;
    host_.refreshLocal();
}

void LocalPaneController::pathTyped(const std::string& typed) {
    std::string text = typed;
    const auto slash = text.rfind('/');
    // A wildcard after the last "/" narrows the next listing; without a "/" it is just
    // a (strange) directory name.
    if (text.find_first_of("*?") != std::string::npos && slash != std::string::npos) {
        host_.nameFilter() = {true, text.substr(slash + 1)};
        text.erase(slash + 1);
    }
    if (enter(text)) return host_.refreshLocal();
    directories_.showPath(QString::fromStdString(host_.localFolder()));
}

void LocalPaneController::openRow(int row) {
    LocalListModel& model = host_.localModel();
    if (row < 0 || row >= model.size() || !model.item(row).isDirectory) return;
    const std::string name = model.item(row).name;
    if (!enter(host_.localFolder() + name)) {
        host_.prompts().ask({kCannotEnter, {name}, platform::Buttons::Ok, platform::Icon::Warning});
        return;
    }
    if (moveTogether(name)) host_.refreshLocal();
}

void LocalPaneController::upOneLevel() {
    if (!enter(host_.localFolder() + "..")) {
        host_.prompts().ask({kCannotEnter, {".."}, platform::Buttons::Ok, platform::Icon::Warning});
        return;
    }
    if (moveTogether("..")) host_.refreshLocal();
}

bool LocalPaneController::follow(const std::string& name) {
    if (enter(host_.localFolder() + name))
        host_.refreshLocal();
    else
        unlock();
    return true;
}

void LocalPaneController::changeDirectory() {
    const QString chosen = QFileDialog::getExistingDirectory(
        host_.dialogParent(), uitexts::text(kChangeDirectoryTitle),
        QString::fromStdString(host_.localFolder()));
    if (!chosen.isEmpty() && enter(chosen.toStdString())) host_.refreshLocal();
}

void LocalPaneController::newDirectory() {
    LocalListModel::Row row;
    const FileTypeCache::Type folder = host_.fileTypeCache().folderType();
    row.item.name = uitexts::text(kNewDirectoryName).toStdString();
    row.item.dateText = nowText();
    row.item.typeName = folder.typeName;
    row.item.isDirectory = true;
    row.text = QString::fromStdString(row.item.name);
    row.icon = folder.iconIndex;
    host_.localModel().insertAtTop(std::move(row));
    startEdit(0, Editing::NewDirectory);
}

void LocalPaneController::rename() {
    const QList<int> rows = list_.selectedRows();
    if (!rows.isEmpty()) startEdit(rows.front(), Editing::Rename);
}

void LocalPaneController::editEnded(Editing kind, const std::optional<std::string>& typed) {
    const std::string dir = host_.localFolder();
    if (kind == Editing::NewDirectory) {
        const std::string cancelled = uitexts::text(kNewDirectoryName).toStdString();
        // A failure is silent; the refresh shows what there is.
        transfer::makeLocalDirectory(dir, transfer::newDirectoryName(typed, cancelled));
        host_.refreshLocal();
        return;
    }
    const std::string oldName = firstSelectedName();
    if (!typed || typed->empty() || oldName.empty() || *typed == oldName) return;
    if (transfer::renameNoReplace(dir + oldName, dir + *typed) != 0) {
        host_.prompts().ask(
            {kRenameRefused, {oldName, *typed}, platform::Buttons::Ok, platform::Icon::Warning});
        return;
    }
    host_.refreshLocal();
}

void LocalPaneController::deleteSelected(bool permanently) {
    std::vector<transfer::LocalItem> items;
    for (int row : list_.selectedRows()) {
        const LocalListItem& item = host_.localModel().item(row);
        items.push_back({item.name, item.isDirectory});
    }
    if (items.empty()) return;
    QWidget* parent = host_.dialogParent();
    const auto outcomes = transfer::deleteLocalItems(
        host_.localFolder(), items, permanently,
        [parent](const transfer::DeleteQuestion& question) {
            return DeleteConfirmDialog::confirm(parent, question);
        },
        [](const std::string& path) { return platform::moveToTrash(path); }, host_.prompts());
    if (!outcomes.empty()) host_.refreshLocal();
}

void LocalPaneController::lowerCaseNames() {
    std::vector<std::string> names;
    for (int row : list_.selectedRows())
        names.push_back(host_.localModel().item(row).name);
    if (names.empty()) return;
    transfer::lowerCaseNames(host_.localFolder(), names, host_.prompts());
    host_.refreshLocal();
}
