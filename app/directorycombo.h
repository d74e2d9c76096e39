#pragma once

#include <QComboBox>
#include <QLineEdit>

// A directory combo box with an edit field. Enter in the edit field is not passed on
// (it would reach the window); the combo reports it instead. Typed text stays as typed:
// completions are offered in a popup, never written into the field.
class DirectoryCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DirectoryCombo(QWidget* parent = nullptr);
    // Shows the text in the field, unselected, with the caret at its end.
    void showPath(const QString& text);
    void caretToEnd();

signals:
    void enterPressed(QLineEdit* edit);
    void focusChanged(bool focused);

protected:
    // The combo keeps the focus for its field, so Enter arrives here, not at the field.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
