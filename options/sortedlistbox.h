#pragma once

#include <QListWidget>
#include <string>

namespace options {

// Case-insensitive for ASCII letters, byte order otherwise: the order in which the main
// window's profile combo lists its names, so that equal positions name the same entry.
int compareNoCase(const std::string& a, const std::string& b);

// A list box that keeps its entries sorted as they are added. Entries that compare equal
// keep the order in which they came.
class SortedListBox : public QListWidget {
    Q_OBJECT
public:
    explicit SortedListBox(QWidget* parent = nullptr);

    // Inserts the text at its sorted place and returns its row.
    int addSorted(const std::string& text);
    // The row of the entry equal to the text (exact bytes), or -1.
    int findExact(const std::string& text) const;
    // The row of the first entry equal to the text with ASCII letters of either case, or -1.
    int findNoCase(const std::string& text) const;
    std::string entry(int row) const;
    // The selected row, or -1.
    int selectedRow() const;
};

}  // namespace options
