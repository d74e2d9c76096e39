#pragma once

#include <QDialog>

// The program's help page, in the language of the loaded texts.
class HelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit HelpDialog(QWidget* parent = nullptr);
    // The resource path of the page for the current language.
    static QString pagePath();
};
