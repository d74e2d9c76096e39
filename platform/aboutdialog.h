#pragma once

#include <QDialog>

// The About box of either program (dialog 100 of its texts): program icon, name, product
// line, version and OK. A line whose text the program's table lacks is left out.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 100;
    explicit AboutDialog(QWidget* parent = nullptr);
};
