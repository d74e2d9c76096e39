// The profile combo of the main window and the profile record behind it.
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <algorithm>
#include <cstdlib>

#include "connectioncontroller.h"
#include "currentdirectory.h"
#include "filelistitems.h"
#include "mainwindow.h"
#include "optionssheet.h"
#include "profilestore.h"
#include "sitemgr50.h"
#include "sitestrings.h"
#include "transfercontroller.h"
#include "uitexts.h"

namespace {

constexpr int kTransferFinishing = 1291;

}  // namespace

bool MainWindow::workerRunning() const {
    return connection_->workerRunning() || transfers_->running();
}

bool MainWindow::refuseWhileTransferring() {
    if (!transfers_->running()) return false;
    setStatusText(0, uitexts::text(kTransferFinishing));
    return true;
}

void MainWindow::fillProfileCombo() {
    profileCombo_->clear();
    if (!context_.siteDatabase) return;
    std::vector<std::string> names =
        tsy::enumNames(*context_.siteDatabase, &tsy::SiteMgr50::EnumServProf);
    // The combo lists the profiles sorted, letters of either case together.
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return compareNoCase(a, b) < 0;
    });
    for (const auto& name : names)
        profileCombo_->addItem(QString::fromStdString(name));
    profileCombo_->setCurrentIndex(-1);
}

int MainWindow::selectProfile(int connecting) {
    const int index = profileCombo_->currentIndex();
    if (index < 0) {
        session::clearProfile(profile_);
        return 0;
    }
    const std::string name = profileCombo_->itemText(index).toStdString();
    if (name.empty()) return 0;
    if (context_.siteDatabase) {
        session::loadProfile(*context_.siteDatabase, name, profile_);
        session::loadAsciiSuffixes(*context_.siteDatabase, name, profile_,
                                   uitexts::text(session::kDefaultAsciiSuffixesText).toStdString());
    }
    localPath_ = profile_.mruLocalDir;
    lastRemotePath_ = profile_.mruRemoteDir;
    if (connecting) {
        if (localPath_.empty()) localPath_ = platform::currentDirectory();
    } else if (localPath_.empty() || ::chdir(localPath_.c_str()) != 0) {
        localPath_ = platform::currentDirectory();
    }
    directoryLock_ = profile_.lockDir != 0;
    remoteCaption_->setText(QString::fromStdString(profile_.host));
    return 1;
}

void MainWindow::profileSelected(int index) {
    if (index < 0) return;
    lastRemotePath_.clear();
    lastUsedProfile_ = index;
    session::clearProfile(profile_);
    selectProfile(0);
    refreshLocal();
}

void MainWindow::openOptionsSheet() {
    if (!context_.siteDatabase) return;
    const int previous = profileCombo_->currentIndex();
    const std::string current =
        previous >= 0 ? profileCombo_->itemText(previous).toStdString() : "";
    const auto outcome = options::runOptionsSheet(this, *context_.siteDatabase, prompts(), current);
    // A deletion counts whatever closed the sheet.
    if (outcome.profileDeleted) session::clearProfile(profile_);
    if (!outcome.accepted) return;
    if (outcome.asciiSuffixes) profile_.asciiSuffixes = *outcome.asciiSuffixes;
    fillProfileCombo();
    const int found = outcome.profileName.empty()
                          ? -1
                          : profileCombo_->findText(QString::fromStdString(outcome.profileName),
                                                    Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0) {
        profileCombo_->setCurrentIndex(found);
        profileSelected(found);
    } else {
        profileCombo_->setCurrentIndex(previous < profileCombo_->count() ? previous : -1);
    }
}
