#pragma once

#include <QAbstractItemView>
#include <QWidget>

class QAbstractItemModel;
class QItemSelectionModel;
class QListView;
class QMimeData;
class QStackedLayout;
class QTreeView;

// One file list of the main window in its three display modes: small icons, list and
// details. The modes are two views over the same model and the same selection.
class FileListView : public QWidget {
    Q_OBJECT
public:
    enum Mode { SmallIcons = 1, List = 2, Details = 3 };

    explicit FileListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model, const QList<int>& columnWidths);
    QAbstractItemModel* model() const { return model_; }
    QItemSelectionModel* selectionModel() const;

    // Changes the view only when the mode differs.
    void setMode(int mode);
    int mode() const { return mode_; }

    QAbstractItemView* currentView() const;
    QTreeView* detailsView() const { return details_; }
    QListView* iconView() const { return icons_; }

    // The selected rows, top to bottom.
    QList<int> selectedRows() const;
    void selectRow(int row, bool add = false);
    int currentRow() const;
    // Opens the in-place name editor on the row.
    void editRow(int row);
    // Whether this focus is an open in-place name editor of this list.
    bool editorOwnsFocus(const QWidget* focus) const;

    // Whether this widget or one of its views has the keyboard focus.
    bool ownsFocus(const QWidget* focus) const;

    // Rows can be dragged out (the model gives the data).
    void enableDrags();
    // Drops of URLs are taken and reported with filesDropped.
    void acceptUrlDrops();

signals:
    void columnClicked(int column);
    // A double-click or Enter on a row: the one way a row is opened.
    void rowActivated(int row);
    void focused();
    // An in-place name editor closed; cancelled by Escape, otherwise its text was
    // handed to the model first.
    void editorClosed(bool cancelled);
    void filesDropped(const QMimeData& data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Over a list that takes URLs: any other drag is refused, a drag of URLs is accepted as
    // a copy and its drop reported. The view's own item moves never run.
    bool takeDrop(QEvent* event);
    void fitGrid();
    // Size and date columns as wide as their widest text, the name column taking what
    // is left; never narrower than the widths given with the model.
    void fitColumns();

    QStackedLayout* stack_ = nullptr;
    QTreeView* details_ = nullptr;
    QListView* icons_ = nullptr;
    QAbstractItemModel* model_ = nullptr;
    QList<int> minimumWidths_;
    bool acceptsUrlDrops_ = false;
    int mode_ = Details;
};
