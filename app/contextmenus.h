#pragma once

#include <span>

#include "keydispatcher.h"

class QMenu;
class QWidget;

// The context menus of the two lists: 134 for the server list, 135 for the local list.
namespace contextmenus {

constexpr int kRemoteMenu = 134;
constexpr int kLocalMenu = 135;

// One item in menu order; id 0 is a separator. The text is the menu's text of that id,
// with its key after a tab.
struct MenuItem {
    int id;
    keys::Command command;
};

std::span<const MenuItem> items(int menu);

// The command of a menu item; None for an id the menu does not have.
keys::Command commandOf(int menu, int id);

// Whether a right-click opens the menu: never while a transfer runs, and the server's
// only with a session.
bool mayOpen(int menu, bool transferRunning, bool hasSession);

// The menu with the loaded texts; each action's objectName and data are its id.
QMenu* build(int menu, QWidget* parent);

}  // namespace contextmenus
