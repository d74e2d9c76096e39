#include "filelistview.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QDropEvent>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMimeData>
#include <QStackedLayout>
#include <QTreeView>

namespace {

void setUpView(QAbstractItemView* view) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view->setIconSize(QSize(16, 16));
}

}  // namespace

FileListView::FileListView(QWidget* parent) : QWidget(parent) {
    details_ = new QTreeView(this);
    details_->setRootIsDecorated(false);
    details_->setUniformRowHeights(true);
    details_->setItemsExpandable(false);
    details_->setAllColumnsShowFocus(true);
    details_->setSortingEnabled(false);
    details_->header()->setSectionsMovable(false);
    details_->header()->setSectionsClickable(true);
    details_->header()->setStretchLastSection(false);
    setUpView(details_);

    icons_ = new QListView(this);
    icons_->setViewMode(QListView::ListMode);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setWrapping(true);
    icons_->setLayoutMode(QListView::Batched);
    icons_->setBatchSize(2000);
    icons_->setMovement(QListView::Static);
    setUpView(icons_);

    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->addWidget(details_);
    stack_->addWidget(icons_);
    setFocusProxy(details_);

    connect(details_->header(), &QHeaderView::sectionClicked, this, &FileListView::columnClicked);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(details_), static_cast<QAbstractItemView*>(icons_)}) {
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex& index) { emit rowActivated(index.row()); });
        view->installEventFilter(this);
        connect(view->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
                [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                    emit editorClosed(hint == QAbstractItemDelegate::RevertModelCache);
                });
    }
    details_->viewport()->installEventFilter(this);
    icons_->viewport()->installEventFilter(this);
}

void FileListView::enableDrags() {
    details_->setDragEnabled(true);
    icons_->setDragEnabled(true);
}

void FileListView::acceptUrlDrops() {
    acceptsUrlDrops_ = true;
    details_->setAcceptDrops(true);
    icons_->setAcceptDrops(true);
}

bool FileListView::takeDrop(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (!drop->mimeData()->hasUrls()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) emit filesDropped(*drop->mimeData());
    return true;
}

void FileListView::fitGrid() {
    if (mode_ == Details || !model_) return;
    // Every cell as wide as the widest name, as list views lay out their columns; a fixed
    // grid also spares the view from measuring each row of a large listing.
    const QFontMetrics metrics(icons_->font());
    int widest = 40;
    const int rows = model_->rowCount();
    for (int row = 0; row < rows; ++row)
        widest =
            std::max(widest, metrics.horizontalAdvance(model_->index(row, 0).data().toString()));
    const int width =
        std::min(widest, mode_ == SmallIcons ? 220 : 400) + icons_->iconSize().width() + 16;
    icons_->setGridSize(QSize(width, std::max(metrics.height(), icons_->iconSize().height()) + 4));
}

void FileListView::fitColumns() {
    if (!model_ || minimumWidths_.size() < 4) return;
    QHeaderView* header = details_->header();
    const QFontMetrics metrics(details_->font());
    const QFontMetrics headerMetrics(header->font());
    // Room for the cell's margins and the heading's sort indicator.
    const int padding = 2 * details_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 16;
    const int rows = model_->rowCount();
    for (int column : {1, 3}) {
        int widest =
            headerMetrics.horizontalAdvance(model_->headerData(column, Qt::Horizontal).toString());
        for (int row = 0; row < rows; ++row)
            widest = std::max(
                widest, metrics.horizontalAdvance(model_->index(row, column).data().toString()));
        details_->setColumnWidth(column, std::max(minimumWidths_[column], widest + padding));
    }
    int others = 0;
    for (int column = 1; column < header->count(); ++column)
        others += header->sectionSize(column);
    details_->setColumnWidth(0,
                             std::max(minimumWidths_[0], details_->viewport()->width() - others));
}

void FileListView::setModel(QAbstractItemModel* model, const QList<int>& columnWidths) {
    model_ = model;
    minimumWidths_ = columnWidths;
    connect(model, &QAbstractItemModel::modelReset, this, &FileListView::fitGrid);
    connect(model, &QAbstractItemModel::modelReset, this, &FileListView::fitColumns);
    details_->setModel(model);
    icons_->setModel(model);
    icons_->setSelectionModel(details_->selectionModel());
    for (int i = 0; i < columnWidths.size(); ++i)
        details_->setColumnWidth(i, columnWidths[i]);
    fitColumns();
}

QItemSelectionModel* FileListView::selectionModel() const {
    return details_->selectionModel();
}

void FileListView::setMode(int mode) {
    if (mode == mode_ || mode < SmallIcons || mode > Details) return;
    const bool hadFocus = ownsFocus(focusWidget());
    mode_ = mode;
    if (mode == Details) {
        stack_->setCurrentWidget(details_);
        setFocusProxy(details_);
    } else {
        // Small icons run left to right in rows; the list runs top to bottom in columns.
        icons_->setFlow(mode == SmallIcons ? QListView::LeftToRight : QListView::TopToBottom);
        fitGrid();
        stack_->setCurrentWidget(icons_);
        setFocusProxy(icons_);
    }
    if (hadFocus) currentView()->setFocus();
}

QAbstractItemView* FileListView::currentView() const {
    return mode_ == Details ? static_cast<QAbstractItemView*>(details_) : icons_;
}

QList<int> FileListView::selectedRows() const {
    QList<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows(0))
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FileListView::selectRow(int row, bool add) {
    if (!model_ || row < 0 || row >= model_->rowCount()) return;
    const auto flags = (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
                       QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(model_->index(row, 0), flags);
}

int FileListView::currentRow() const {
    return selectionModel() ? selectionModel()->currentIndex().row() : -1;
}

void FileListView::editRow(int row) {
    if (!model_ || row < 0 || row >= model_->rowCount()) return;
    QAbstractItemView* view = currentView();
    const QModelIndex index = model_->index(row, 0);
    selectRow(row);
    view->scrollTo(index);
    view->setFocus();
    view->edit(index);
}

bool FileListView::editorOwnsFocus(const QWidget* focus) const {
    return ownsFocus(focus) && focus != details_ && focus != icons_ && focus->inherits("QLineEdit");
}

bool FileListView::ownsFocus(const QWidget* focus) const {
    return focus && (focus == this || isAncestorOf(focus));
}

bool FileListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == details_->viewport() || watched == icons_->viewport()) {
        const QEvent::Type type = event->type();
        if (acceptsUrlDrops_ &&
            (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop))
            return takeDrop(event);
        if (watched == details_->viewport() && type == QEvent::Resize) fitColumns();
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn) emit focused();
    if (event->type() == QEvent::KeyPress) {
        // Enter opens the current row as a double-click does; the view would pass the key
        // on to the window otherwise. Enter that ends a name edit reaches the view too,
        // before the edit has closed: it opens nothing.
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* view = qobject_cast<QAbstractItemView*>(watched);
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && view) {
            if (view->currentIndex().isValid() && !editorOwnsFocus(QApplication::focusWidget()))
                emit rowActivated(view->currentIndex().row());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
