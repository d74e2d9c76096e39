#pragma once

#include <QDialog>

// The About box of either program (dialog 100 of its texts): the program icon, one line
// per text from 9001 up (program name, then product line and version as the program
// has them) and OK.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 100;
    explicit AboutDialog(QWidget* parent = nullptr);
};
