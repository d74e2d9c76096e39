// The two list panes of the main window: rows (through the listing comparison), sorting
// and the display modes.
#include <QAbstractButton>
#include <QButtonGroup>

#include "filelistview.h"
#include "filetypes.h"
#include "ftpsession.h"
#include "listingcomparison.h"
#include "mainwindow.h"
#include "uitexts.h"

namespace {

// Column headings by string number, and widths in pixels.
constexpr int kHeadings[] = {106, 107, 112, 108, 109};
const QList<int> kWidths = {100, 50, 100, 110, 110};

QStringList headings(int columns) {
    QStringList list;
    for (int i = 0; i < columns; ++i)
        list << uitexts::text(kHeadings[i]);
    return list;
}

}  // namespace

void MainWindow::createListModels() {
    fileTypeCache_ = std::make_unique<FileTypeCache>();
    remoteModel_ = new RemoteListModel(*fileTypeCache_, headings(5), this);
    localModel_ = new LocalListModel(*fileTypeCache_, headings(4), this);
    remoteList_->setModel(remoteModel_, kWidths);
    localList_->setModel(localModel_, kWidths.mid(0, 4));
}

int MainWindow::insertLocalItem(int, const std::string& name, std::int64_t size,
                                std::time_t modified, bool isDirectory) {
    LocalListModel::Row row;
    localTimeTexts(modified, row.item.dateText, row.item.timeKey);
    if (!comparison::passesComparison(filters_.local, name, row.item.dateText, *remoteModel_))
        return 0;
    const FileTypeCache::Type type = fileTypeCache_->lookupLocal(localPath_, name, isDirectory);
    row.item.name = name;
    row.item.typeName = type.typeName;
    row.item.size = size;
    row.item.isDirectory = isDirectory;
    row.text = QString::fromStdString(name);
    if (!isDirectory) row.size = QString::fromStdString(sizeText(size));
    row.icon = type.iconIndex;
    localModel_->append(std::move(row));
    return 1;
}

int MainWindow::insertRemoteItem(int, const std::string& name, std::int64_t size,
                                 const std::string& dateText, const std::string& attributes,
                                 ftp::EntryType entryType, bool isDirectory) {
    // Names compare with the local pane's as they read, whatever bytes the server uses.
    std::string shown = ftp::nameForDisplay(
        name, ftpSession() ? ftpSession()->namesEncoding() : ftp::NameEncoding::Utf8);
    if (!comparison::passesComparison(filters_.remote, shown, dateText, *localModel_)) return 0;
    RemoteListModel::Row row;
    const FileTypeCache::Type type =
        isDirectory ? fileTypeCache_->folderType() : fileTypeCache_->lookupRemote(shown);
    row.item.attributes = attributes;
    row.item.dateText = dateText;
    row.item.name = name;
    row.text = QString::fromStdString(shown);
    row.item.shownName = std::move(shown);
    row.item.typeName = type.typeName;
    row.item.size = size;
    row.item.isDirectory = isDirectory;
    row.item.entryType = entryType;
    if (!isDirectory) row.size = QString::fromStdString(sizeText(size));
    if (ftpSession() && ftpSession()->serverType == ftp::ServerType::Unix)
        row.attributes = QString::fromStdString(attributes);
    row.icon = type.iconIndex;
    remoteModel_->append(std::move(row));
    return 1;
}

void MainWindow::sortList(Side side, int column, int direction) {
    if (side == LocalSide)
        localModel_->sortList(column, direction);
    else
        remoteModel_->sortList(column, direction);
}

void MainWindow::columnClicked(Side side, int column) {
    int* flags = side == LocalSide ? localSortFlags_ : remoteSortFlags_;
    const int columns = side == LocalSide ? 4 : 5;
    if (column < 0 || column >= columns) return;
    const int direction = flags[column];
    flags[column] = direction ? 0 : 1;
    sortList(side, column, direction);
}

void MainWindow::applyDisplayMode(int mode) {
    if (mode < FileListView::SmallIcons || mode > FileListView::Details) return;
    displayMode_ = mode;
    displayModes_->button(1052 + mode)->setChecked(true);
    localList_->setMode(mode);
    remoteList_->setMode(mode);
}
