#include "sortedlistbox.h"

#include <algorithm>

namespace options {

int compareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

SortedListBox::SortedListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

int SortedListBox::addSorted(const std::string& text) {
    int row = count();
    for (int i = 0; i < count(); ++i) {
        if (compareNoCase(text, entry(i)) < 0) {
            row = i;
            break;
        }
    }
    auto* item = new QListWidgetItem(QString::fromStdString(text));
    // The exact bytes stay with the entry: a stored name need not be valid UTF-8.
    item->setData(Qt::UserRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    insertItem(row, item);
    return row;
}

int SortedListBox::findExact(const std::string& text) const {
    for (int i = 0; i < count(); ++i)
        if (entry(i) == text) return i;
    return -1;
}

int SortedListBox::findNoCase(const std::string& text) const {
    for (int i = 0; i < count(); ++i)
        if (compareNoCase(entry(i), text) == 0) return i;
    return -1;
}

std::string SortedListBox::entry(int row) const {
    const QListWidgetItem* it = item(row);
    if (!it) return {};
    const QByteArray bytes = it->data(Qt::UserRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int SortedListBox::selectedRow() const {
    const auto selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

}  // namespace options
