#include "panecontroller.h"

#include <QAbstractItemView>
#include <QListView>
#include <QMenu>
#include <QTreeView>
#include <ctime>

#include "contextmenus.h"
#include "filelistview.h"
#include "panehost.h"

namespace {
constexpr int kLockReleased = 111;
}

PaneController::PaneController(PaneHost& host, FileListView& list, int menu, QObject* parent)
    : QObject(parent), host_(host), list_(list), menu_(menu) {
    connect(&list_, &FileListView::editorClosed, this, &PaneController::editorClosed);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(list_.detailsView()),
                                    static_cast<QAbstractItemView*>(list_.iconView())}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { showMenu(view->viewport()->mapToGlobal(at)); });
    }
}

void PaneController::selectAll() {
    if (QAbstractItemView* view = list_.currentView()) view->selectAll();
}

void PaneController::startEdit(int row, Editing kind) {
    editing_ = kind;
    typed_.reset();
    list_.editRow(row);
}

void PaneController::editorClosed(bool cancelled) {
    // An edit the user started by clicking a selected name is a rename.
    const Editing kind = editing_.value_or(Editing::Rename);
    std::optional<std::string> typed = cancelled ? std::nullopt : typed_;
    editing_.reset();
    typed_.reset();
    editEnded(kind, typed);
}

void PaneController::showMenu(const QPoint& position) {
    if (!menuMayOpen()) return;
    QMenu* menu = contextmenus::build(menu_, &list_);
    QAction* chosen = menu->exec(position);
    const int id = chosen ? chosen->data().toInt() : 0;
    menu->deleteLater();
    if (id) run(contextmenus::commandOf(menu_, id));
}

bool PaneController::moveTogether(const std::string& name) {
    return !host_.directoryLocked() || !partner_ || partner_->follow(name);
}

void PaneController::unlock() {
    host_.setDirectoryLock(false);
    host_.prompts().ask({kLockReleased, {}, platform::Buttons::Ok, platform::Icon::Information});
}

std::string PaneController::nowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d", local.tm_year % 100,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}
