// The local pane: it shows the process's current directory; every move changes that
// directory first and then refreshes.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QStandardPaths>
#include <cstdlib>

#include "ctsccommon.h"
#include "currentdirectory.h"
#include "directorycombo.h"
#include "drivecombo.h"
#include "filelistview.h"
#include "mainwindow.h"
#include "profilestore.h"

namespace {

std::string withTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

}  // namespace

void MainWindow::refreshLocal() {
    localPath_ = platform::currentDirectory();
    const QString path = QString::fromStdString(localPath_);
    bool known = false;
    for (int i = 0; i < localDirectory_->count() && !known; ++i)
        known = localDirectory_->itemText(i) == path;  // names differing in case differ here
    if (!known) localDirectory_->addItem(path);
    showLocalTitle(path);
    enumerateLocal(localPath_);
    fillDriveCombo();
    localDirectory_->showPath(path);
    filters_.local.refreshEnded(true);
    writeBackDirectories();
}

int MainWindow::enumerateLocal(const std::string& directory) {
    localModel_->beginFill();
    std::string pattern;
    if (nameFilter_.active) {
        pattern = nameFilter_.text;
        nameFilter_.active = false;
    }
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) {
        localModel_->endFill();
        return 0;
    }
    const int fd = ::dirfd(dir);
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        // Windows patterns match letters of either case; hidden files are listed too.
        if (!pattern.empty() && ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0)
            continue;
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, 0) != 0 &&
            ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool isDirectory = S_ISDIR(st.st_mode);
        count +=
            insertLocalItem(count, name, isDirectory ? 0 : static_cast<std::int64_t>(st.st_size),
                            st.st_mtime, isDirectory);
    }
    ::closedir(dir);
    sortList(LocalSide, 0, 0);
    localModel_->endFill();
    return 1;
}

void MainWindow::fillDriveCombo() {
    driveCombo_->fill(platform::listMountPoints(), localPath_);
}

std::string MainWindow::defaultLocalFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty()) return withTrailingSlash(documents.toStdString());
    const std::string suite = tsy::CTscCommon::getProductFolder(tsy::CTscCommon::SuiteHome);
    if (!suite.empty()) return suite + "home/";
    return platform::currentDirectory();
}

void MainWindow::chooseStartDirectory() {
    if (!context_.startFolder.empty()) {
        [[maybe_unused]] int ignored = ::chdir(context_.startFolder.c_str());
    } else if (localPath_.empty()) {
        [[maybe_unused]] int ignored = ::chdir(defaultLocalFolder().c_str());
    }
    refreshLocal();
}

void MainWindow::writeBackDirectories() {
    if (!context_.siteDatabase || profile_.name.empty()) return;
    if (!localPath_.empty()) profile_.mruLocalDir = localPath_;
    profile_.mruRemoteDir = lastRemotePath_;
    profile_.lockDir = directoryLock_ ? 1 : 0;
    session::saveProfile(*context_.siteDatabase, profile_);
}
