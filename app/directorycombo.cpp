#include "directorycombo.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>

namespace {

bool isEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

DirectoryCombo::DirectoryCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    // Inline completion would turn a typed /srv/www into a visited /srv/www-old/.
    completer()->setCompletionMode(QCompleter::PopupCompletion);
    completer()->setCaseSensitivity(Qt::CaseSensitive);
    completer()->popup()->installEventFilter(this);
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
}

void DirectoryCombo::showPath(const QString& text) {
    setEditText(text);
    caretToEnd();
}

void DirectoryCombo::caretToEnd() {
    lineEdit()->deselect();
    lineEdit()->setCursorPosition(static_cast<int>(lineEdit()->text().size()));
}

void DirectoryCombo::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        emit enterPressed(lineEdit());
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool DirectoryCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && isEnter(event)) {
        emit enterPressed(lineEdit());
        return true;
    }
    // Enter while completions are offered but none is picked takes the text as typed; a
    // picked one is chosen from the list like any entry of it.
    QAbstractItemView* popup = completer() ? completer()->popup() : nullptr;
    if (watched == popup && isEnter(event) && !popup->currentIndex().isValid()) {
        popup->hide();
        emit enterPressed(lineEdit());
        return true;
    }
    if (event->type() == QEvent::FocusIn && (watched == this || watched == lineEdit()))
        emit focusChanged(true);
    if (event->type() == QEvent::FocusOut && (watched == this || watched == lineEdit()))
        emit focusChanged(false);
    return QComboBox::eventFilter(watched, event);
}
