#include "filelistmodel.h"

#include <QMimeData>
#include <algorithm>

#include "filetypes.h"

namespace {

std::string lowerAscii(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

const std::string& attributesOf(const LocalListItem&) {
    static const std::string none;
    return none;
}
const std::string& attributesOf(const RemoteListItem& item) {
    return item.attributes;
}

// The name rows sort and compare by: remote names as they read, not as their bytes.
const std::string& comparedName(const LocalListItem& item) {
    return item.name;
}
const std::string& comparedName(const RemoteListItem& item) {
    return item.shownName;
}

// Local rows with equal date texts fall back on the seconds; remote rows have none.
int secondsOrder(const LocalListItem& a, const LocalListItem& b) {
    return a.timeKey == b.timeKey ? 0 : a.timeKey < b.timeKey ? -1 : 1;
}
int secondsOrder(const RemoteListItem&, const RemoteListItem&) {
    return 0;
}

// True when a goes before b.
template <typename Item>
bool before(const Item& a, const Item& b, int column, int direction) {
    if (a.isDirectory != b.isDirectory) return a.isDirectory;
    if (column == 1) {
        if (a.size == b.size) return false;
        return direction == 0 ? a.size > b.size : a.size < b.size;
    }
    int order = 0;
    switch (column) {
        case 0:
            order = compareNoCase(comparedName(a), comparedName(b));
            break;
        case 2:
            order = compareNoCase(a.typeName, b.typeName);
            break;
        case 3:
            order = compareNoCase(a.dateText, b.dateText);
            if (order == 0) order = secondsOrder(a, b);
            break;
        case 4:
            order = compareNoCase(attributesOf(a), attributesOf(b));
            break;
        default:
            return false;
    }
    return direction == 0 ? order < 0 : order > 0;
}

}  // namespace

template <typename Item>
FileListModel<Item>::FileListModel(const FileTypeCache& types, QStringList headings,
                                   QObject* parent)
    : QAbstractTableModel(parent), types_(types), headings_(std::move(headings)) {}

template <typename Item>
int FileListModel<Item>::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || filling_ ? 0 : static_cast<int>(rows_.size());
}

template <typename Item>
int FileListModel<Item>::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

template <typename Item>
QVariant FileListModel<Item>::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || filling_ || index.row() >= size()) return {};
    const Row& r = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole || (role == Qt::EditRole && index.column() == 0)) {
        switch (index.column()) {
            case 0:
                return r.text;
            case 1:
                return r.size;
            case 2:
                return QString::fromStdString(r.item.typeName);
            case 3:
                return QString::fromStdString(r.item.dateText);
            case 4:
                return r.attributes;
        }
    }
    if (role == Qt::DecorationRole && index.column() == 0) return types_.icon(r.icon);
    if (role == Qt::TextAlignmentRole && (index.column() == 1 || index.column() == 2))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

template <typename Item>
QVariant FileListModel<Item>::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= headings_.size()) return {};
    if (role == Qt::DisplayRole) return headings_[section];
    if (role == Qt::TextAlignmentRole && (section == 1 || section == 2))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

template <typename Item>
Qt::ItemFlags FileListModel<Item>::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0) f |= Qt::ItemIsEditable;
    if (index.isValid() && dragData) f |= Qt::ItemIsDragEnabled;
    return f;
}

template <typename Item>
QStringList FileListModel<Item>::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

template <typename Item>
QMimeData* FileListModel<Item>::mimeData(const QModelIndexList& indexes) const {
    if (!dragData) return nullptr;
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty()) return nullptr;
    return dragData(rows).release();
}

template <typename Item>
Qt::DropActions FileListModel<Item>::supportedDragActions() const {
    // The drop target decides; the pane is not refreshed after either.
    return Qt::CopyAction | Qt::MoveAction;
}

template <typename Item>
bool FileListModel<Item>::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0) return false;
    // The list shows the outcome of the rename once the pane is refreshed, not before.
    if (onRename) onRename(index.row(), value.toString());
    return false;
}

template <typename Item>
void FileListModel<Item>::beginFill() {
    beginResetModel();
    filling_ = true;
    rows_.clear();
    nameIndexValid_ = false;
}

template <typename Item>
void FileListModel<Item>::append(Row row) {
    rows_.push_back(std::move(row));
}

template <typename Item>
void FileListModel<Item>::insertAtTop(Row row) {
    beginInsertRows({}, 0, 0);
    rows_.insert(rows_.begin(), std::move(row));
    nameIndexValid_ = false;
    endInsertRows();
}

template <typename Item>
void FileListModel<Item>::endFill() {
    filling_ = false;
    nameIndexValid_ = false;
    endResetModel();
}

template <typename Item>
void FileListModel<Item>::sortList(int column, int direction) {
    const bool announce = !filling_;
    if (announce) emit layoutAboutToBeChanged();
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        return before(a.item, b.item, column, direction);
    });
    nameIndexValid_ = false;
    if (announce) emit layoutChanged();
}

template <typename Item>
int FileListModel<Item>::findName(const std::string& name) const {
    if (!nameIndexValid_) {
        nameIndex_.clear();
        nameIndex_.reserve(rows_.size());
        // The first of equal names wins, as a search from the top of the list finds it.
        for (std::size_t i = rows_.size(); i-- > 0;)
            nameIndex_[lowerAscii(comparedName(rows_[i].item))] = static_cast<int>(i);
        nameIndexValid_ = true;
    }
    auto it = nameIndex_.find(lowerAscii(name));
    return it == nameIndex_.end() ? -1 : it->second;
}

template class FileListModel<LocalListItem>;
template class FileListModel<RemoteListItem>;
