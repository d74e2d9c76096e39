#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "filelistitems.h"

class FileTypeCache;
class QMimeData;

// The rows of one file list. Rows are filled between beginFill() and endFill() so that a
// listing of any size reaches the views as one reset; each row owns its record.
template <typename Item>
class FileListModel : public QAbstractTableModel {
public:
    struct Row {
        Item item;
        QString text;        // column 0: the name as shown
        QString size;        // column 1: empty for directories
        QString attributes;  // column 4 (remote): empty unless the server is UNIX style
        int icon = 0;
    };

    FileListModel(const FileTypeCache& types, QStringList headings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    void beginFill();
    void append(Row row);
    void endFill();
    // A row put above the others until the next fill (a new directory being named).
    void insertAtTop(Row row);
    bool filling() const { return filling_; }

    // Sorts by a column: direction 0 ascending texts / descending sizes, 1 the reverse;
    // directories always first.
    void sortList(int column, int direction);

    const Item& item(int row) const { return rows_[static_cast<std::size_t>(row)].item; }
    const Row& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    int size() const { return static_cast<int>(rows_.size()); }

    // The row whose name equals this one ignoring case, or -1 (the lists' exact-string
    // search). Indexed once per fill, so that comparing two large listings stays fast.
    int findName(const std::string& name) const;

    // Called with the row and the new text when the user finishes editing a name.
    std::function<void(int, const QString&)> onRename;
    // The drag data of rows given top to bottom. Unset: nothing can be dragged.
    std::function<std::unique_ptr<QMimeData>(const std::vector<int>& rows)> dragData;

private:
    const FileTypeCache& types_;
    QStringList headings_;
    std::vector<Row> rows_;
    bool filling_ = false;
    mutable std::unordered_map<std::string, int> nameIndex_;
    mutable bool nameIndexValid_ = false;
};

using LocalListModel = FileListModel<LocalListItem>;
using RemoteListModel = FileListModel<RemoteListItem>;
