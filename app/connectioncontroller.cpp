#include "connectioncontroller.h"
#include "controlids.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include "connectionwindow.h"
#include "directorycombo.h"
#include "filelistview.h"
#include "ftpsession.h"
#include "profilestore.h"
#include "truststore.h"
#include "uidispatcher.h"
#include "uitexts.h"

namespace {

constexpr int kEncryptedTip = 1320;
constexpr int kConnectionLost = 1249;
constexpr int kDirectoryInvalid = 1255;

QString fromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ConnectionController::ConnectionController(ConnectionWindow& window)
    : QObject(window.dialogParent()), window_(window), worker_(*this, window.uiThread()) {}

ConnectionController::~ConnectionController() {
    stopWorker();
}

void ConnectionController::stopWorker() {
    worker_.stop();
}

void ConnectionController::toggleConnection() {
    if (workerActive_) return;
    if (!session_) {
        window_.control(controlid::kConnectButton)->setEnabled(false);
        workerActive_ = true;
        worker_.start();
        return;
    }
    disconnect();
}

void ConnectionController::disconnect() {
    refreshIdle_ = false;
    window_.showLocalTitle(QString::fromStdString(window_.localFolder()));
    if (session_) {
        // A connection known to be gone gets no PWD and no QUIT: each would only wait
        // for the retries of a dead connection. Either way a directory that PWD does not
        // confirm is not remembered; the status bar keeps nothing of a dead connection.
        std::string confirmed;
        if (session_->lastError >= 0) {
            session_->currentDirectory(confirmed);
            session_->close();
        } else {
            window_.setStatusText(0, QString());
        }
        window_.rememberRemotePath(confirmed);
        if (workerActive_) worker_.forgetSession();  // it waits for the first listing
        session_.reset();
    }
    setConnectionIcon(0);
    window_.setStatusText(1, QString());
    auto& remote = window_.remoteModel();
    remote.beginFill();
    remote.endFill();
    remoteCombo()->clear();
    window_.enableTransferButtons(false);
    window_.control(controlid::kLockButton)->setEnabled(false);
    setProfileControlsEnabled(true);
    window_.writeBackDirectories();
    window_.showConnectButton(false);
    refreshIdle_ = true;
}

bool ConnectionController::checkConnection() {
    if (!session_) return false;
    if (session_->checkAlive()) {
        connectionLost();
        return false;
    }
    return true;
}

void ConnectionController::connectionLost() {
    const platform::Answer answer = window_.prompts().ask(
        {kConnectionLost, {}, platform::Buttons::YesNo, platform::Icon::Question});
    // Not through toggleConnection, which ignores the button while the connect worker
    // waits for the first listing.
    disconnect();
    if (answer != platform::Answer::Yes) return;
    // During the first listing the connect worker is still waiting for this thread: the
    // new connection starts once it has finished.
    if (workerActive_)
        reconnectPending_ = true;
    else
        toggleConnection();
}

bool ConnectionController::refreshRemote() {
    if (!session_) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    refreshIdle_ = false;
    session::NameFilter filter = window_.nameFilter();
    const auto outcome = session::refreshRemote(*session_, *this, filter);
    window_.nameFilter() = filter;
    refreshIdle_ = true;
    QApplication::restoreOverrideCursor();

    switch (outcome) {
        case session::RefreshOutcome::Listed:
        case session::RefreshOutcome::ListRefused:
            window_.listingFilters().remote.refreshEnded(true);
            return outcome == session::RefreshOutcome::Listed;
        case session::RefreshOutcome::ConnectionLost:
            connectionLost();
            return false;
        case session::RefreshOutcome::DirectoryInvalid:
            window_.prompts().ask(
                {kDirectoryInvalid, {}, platform::Buttons::Ok, platform::Icon::Warning});
            disconnect();
            return false;
    }
    return false;
}

void ConnectionController::showRemotePath(const std::string& path) {
    remotePath_ = path;
    auto* combo = remoteCombo();
    const QString text = QString::fromStdString(
        ftp::nameForDisplay(path, session_ ? session_->namesEncoding() : ftp::NameEncoding::Utf8));
    // The item keeps the path's bytes: choosing it goes back to exactly that folder.
    if (combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        combo->addItem(text, QByteArray::fromStdString(path));
    combo->setEditText(text);
    window_.showRemoteTitle(text);
}

void ConnectionController::showRemoteRows(const std::vector<session::RemoteRow>& rows) {
    auto& model = window_.remoteModel();
    model.beginFill();
    int count = 0;
    for (const auto& row : rows)
        count += window_.insertRemoteItem(count, row.name, row.size, row.dateText, row.attributes,
                                          row.entryType, row.isDirectory);
    window_.sortList(ConnectionWindow::RemoteSide, 0, 0);
    model.endFill();
    if (QLineEdit* edit = remoteCombo()->lineEdit()) {
        edit->deselect();
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
    }
}

bool ConnectionController::selectProfileForConnect(session::ServerProfile& profile,
                                                   std::string& lastRemotePath) {
    if (!window_.selectProfile(1)) return false;
    profile = window_.currentProfile();
    lastRemotePath = window_.lastRemotePath();
    return true;
}

void ConnectionController::openOptionsSheet() {
    window_.openOptionsSheet();
}

platform::Prompts& ConnectionController::prompts() {
    return window_.prompts();
}

void ConnectionController::setProfileControlsEnabled(bool enabled) {
    window_.control(controlid::kSelectButton)->setEnabled(enabled);
    window_.control(controlid::kProfileCombo)->setEnabled(enabled);
}

void ConnectionController::setStatusText(int pane, const std::string& text) {
    if (QThread::currentThread() == thread()) {
        window_.setStatusText(pane, fromBytes(text));
        return;
    }
    // From a worker: the text waits for the UI thread, the worker does not. A burst of
    // commands and replies shows its latest, in order.
    if (pane < 0 || pane > 1) return;
    std::lock_guard lock(statusMutex_);
    postedStatus_[pane] = text;
    statusChanged_[pane] = true;
    if (statusPosted_) return;
    statusPosted_ = true;
    window_.uiThread().post([this] { applyPostedStatus(); });
}

void ConnectionController::applyPostedStatus() {
    std::string texts[2];
    bool changed[2];
    {
        std::lock_guard lock(statusMutex_);
        for (int pane = 0; pane < 2; ++pane) {
            texts[pane] = postedStatus_[pane];
            changed[pane] = statusChanged_[pane];
            statusChanged_[pane] = false;
        }
        statusPosted_ = false;
    }
    for (int pane = 0; pane < 2; ++pane)
        if (changed[pane]) window_.setStatusText(pane, fromBytes(texts[pane]));
}

void ConnectionController::setStatusMessage(int pane, int stringId,
                                            const std::vector<platform::MessageArg>& args) {
    window_.setStatusText(pane, uitexts::message(stringId, args));
}

void ConnectionController::setConnectionIcon(int state) {
    window_.setConnectionIcon(state);
    if (state == 0) window_.showLock(ConnectionWindow::Lock::Hidden, {});
}

void ConnectionController::showEncryption() {
    const std::string& host = window_.currentProfile().host;
    if (session_->controlEncrypted()) {
        window_.showLock(ConnectionWindow::Lock::Encrypted,
                         uitexts::message(kEncryptedTip, {session_->tlsProtocol()}));
    } else if (window_.currentProfile().encryption != session::kPlainFtp) {
        const QString text = uitexts::message(session::ConnectWorker::kTlsUnavailable, {host});
        window_.showLock(ConnectionWindow::Lock::Unencrypted, text);
        window_.setStatusText(0, text);
    } else {
        window_.showLock(ConnectionWindow::Lock::Hidden, {});
    }
}

std::string ConnectionController::trustStorePath() {
    const std::string folder = session::siteDatabaseFolder();
    return folder.empty() ? std::string() : folder + session::TrustStore::kFileName;
}

void ConnectionController::adoptSession(std::unique_ptr<ftp::FtpSession> session) {
    session_ = std::move(session);
    session_->setRateFormat(uitexts::text(1272).toStdString());
}

void ConnectionController::closeSession() {
    if (!session_) return;
    session_->close();
    session_.reset();
}

void ConnectionController::dropSession() {
    session_.reset();
    window_.showLock(ConnectionWindow::Lock::Hidden, {});
}

void ConnectionController::setHomeDirectory(const std::string& path) {
    homeDirectory_ = path;
}

bool ConnectionController::remoteReady() {
    refreshRemote();
    if (!session_) return false;  // the first listing found the connection gone
    setConnectionIcon(3);
    window_.enableTransferButtons(true);
    window_.control(controlid::kLockButton)->setEnabled(true);
    setStatusMessage(0, session::ConnectWorker::kConnected, {window_.currentProfile().host});
    showEncryption();
    refreshIdle_ = true;
    return true;
}

void ConnectionController::connectFinished(bool connected) {
    workerActive_ = false;
    window_.control(controlid::kConnectButton)->setEnabled(true);
    if (connected) {
        window_.showConnectButton(true);
    } else {
        setProfileControlsEnabled(true);
    }
    if (reconnectPending_) {
        reconnectPending_ = false;
        // The worker returns right after this call; the new one starts after it.
        QMetaObject::invokeMethod(
            this, [this] { toggleConnection(); }, Qt::QueuedConnection);
    }
}

QComboBox* ConnectionController::remoteCombo() const {
    return qobject_cast<QComboBox*>(window_.control(controlid::kRemoteDirectory));
}
