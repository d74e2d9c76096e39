#include "directorycombo.h"

#include <QKeyEvent>

DirectoryCombo::DirectoryCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
}

bool DirectoryCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit enterPressed(lineEdit());
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && (watched == this || watched == lineEdit()))
        emit focusChanged(true);
    if (event->type() == QEvent::FocusOut && (watched == this || watched == lineEdit()))
        emit focusChanged(false);
    return QComboBox::eventFilter(watched, event);
}
