#pragma once

#include <QComboBox>
#include <QLineEdit>

// A directory combo box with an edit field. Enter in the edit field is not passed on
// (it would press the window's default button); the combo reports it instead.
class DirectoryCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DirectoryCombo(QWidget* parent = nullptr);

signals:
    void enterPressed(QLineEdit* edit);
    void focusChanged(bool focused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
