#pragma once

#include <QDialog>

// The About box: program icon, name, product line, version and OK.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 100;
    explicit AboutDialog(QWidget* parent = nullptr);
};
