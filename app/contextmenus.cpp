#include "contextmenus.h"

#include <QMenu>

#include "uitexts.h"

namespace contextmenus {
namespace {

using keys::Command;

constexpr MenuItem kRemoteItems[] = {
    {1220, Command::NewDirectoryRemote},
    {0, Command::None},
    {1221, Command::RenameRemote},
    {1222, Command::DeleteRemote},
    {1224, Command::ChangePermissionsRemote},
    {0, Command::None},
    {32783, Command::GoHomeRemote},
    {0, Command::None},
    {32787, Command::ListRemoteMissingLocally},
    {32789, Command::ListNewerRemote},
    {0, Command::None},
    {1223, Command::RefreshRemote},
    {0, Command::None},
    {32782, Command::SelectAllRemote},
};

constexpr MenuItem kLocalItems[] = {
    {32781, Command::ChangeLocalDirectory},
    {32780, Command::NewDirectoryLocal},
    {0, Command::None},
    {32779, Command::RenameLocal},
    {32778, Command::DeleteLocalToTrash},
    {32785, Command::LowerCaseNamesLocal},
    {0, Command::None},
    {32786, Command::ListLocalMissingOnServer},
    {32788, Command::ListNewerLocal},
    {0, Command::None},
    {32777, Command::RefreshLocal},
    {0, Command::None},
    {32784, Command::SelectAllLocal},
};

}  // namespace

std::span<const MenuItem> items(int menu) {
    if (menu == kRemoteMenu) return kRemoteItems;
    if (menu == kLocalMenu) return kLocalItems;
    return {};
}

Command commandOf(int menu, int id) {
    for (const MenuItem& item : items(menu))
        if (item.id == id && id != 0) return item.command;
    return Command::None;
}

bool mayOpen(int menu, bool transferRunning, bool hasSession) {
    return !transferRunning && (menu != kRemoteMenu || hasSession);
}

QMenu* build(int menu, QWidget* parent) {
    auto* result = new QMenu(parent);
    result->setObjectName(QString::number(menu));
    for (const MenuItem& item : items(menu)) {
        if (item.id == 0) {
            result->addSeparator();
            continue;
        }
        QAction* action = result->addAction(uitexts::menuText(menu, item.id));
        action->setObjectName(QString::number(item.id));
        action->setData(item.id);
    }
    return result;
}

}  // namespace contextmenus
