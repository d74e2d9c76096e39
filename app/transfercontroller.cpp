#include "transfercontroller.h"
#include "controlids.h"

#include "connectioncontroller.h"
#include "filelistview.h"
#include "ftpsession.h"
#include "profilestore.h"
#include "publishreportdialog.h"
#include "transferprogressdialog.h"
#include "transferwindow.h"
#include "trash.h"
#include "uidispatcher.h"
#include "uitexts.h"

TransferController::TransferController(TransferWindow& window)
    : QObject(window.dialogParent()), window_(window), job_(*this, display_, window.uiThread()) {}

TransferController::~TransferController() {
    job_.stop();
    // A job ended by the window's close still leaves its log, partial files named.
    if (reportPending_) writeLog(job_.report());
}

namespace {

std::string formatted(int id, const std::vector<platform::MessageArg>& args) {
    return uitexts::message(id, args).toStdString();
}

}  // namespace

QString TransferController::writeLog(const transfer::PublishReport& report) {
    reportPending_ = false;
    const std::string text = report.render(formatted);
    const std::string log = transfer::writeReportLog(transfer::reportLogDirectory(), text);
    QString shown = QString::fromStdString(text);
    if (!log.empty()) shown += uitexts::message(kLogFileLine, {log}) + "\n";
    return shown;
}

void TransferController::showReport(const transfer::PublishReport& report) {
    lastReport_ = writeLog(report);
    window_.setStatusToolTip(1, uitexts::text(kOpenReportTip));
    window_.setStatusText(1, uitexts::message(transfer::PublishReport::kVerifiedCount,
                                              {report.verified(),
                                               report.count(transfer::PublishReport::Kind::Sent)}));
    if (report.count(transfer::PublishReport::Kind::Skipped) +
            report.count(transfer::PublishReport::Kind::Failed) +
            report.count(transfer::PublishReport::Kind::LeftPartial) >
        0)
        showLastReport();
}

void TransferController::showLastReport() {
    if (!reportDialog_)
        reportDialog_ = std::make_unique<PublishReportDialog>(window_.dialogParent());
    reportDialog_->setReport(lastReport_);
    reportDialog_->show();
}

transfer::JobSettings TransferController::settings() const {
    transfer::JobSettings s;
    s.transferMode = window_.transferMode();
    // An empty list means the default one, which the loaded texts give.
    s.textExtensions =
        window_.currentProfile().asciiSuffixes.empty()
            ? session::workingSuffixes(
                  "", uitexts::text(session::kDefaultAsciiSuffixesText).toStdString())
            : window_.currentProfile().asciiSuffixes;
    s.serverName = window_.currentProfile().host;
    s.serverPort = session::connectionPort(window_.currentProfile());
    s.serverUser = window_.currentProfile().user;
    s.resumeStore = transfer::partialUploadsFile(transfer::reportLogDirectory());
    s.localPath = window_.localFolder();
    s.verify = window_.currentProfile().verifyTransfers != 0;
    s.moveToTrash = platform::moveToTrash;
    return s;
}

bool TransferController::prepare(int count, bool upload) {
    if (!window_.ftpSession() || count == 0 || job_.running()) return false;
    if (upload && !window_.connection().refreshIdle()) return false;
    if (!window_.connection().checkConnection()) return false;

    dialog_ = std::make_unique<TransferProgressDialog>(window_.dialogParent());
    dialog_->createModeless();
    dialog_->setFileCounter(count, 0);
    dialog_->setByteCounter(0, 0);
    display_.reset();
    dialog_->setProgressSource([this] { return job_.progress().read(); }, &display_);
    connect(dialog_.get(), &TransferProgressDialog::cancelRequested, this,
            [this] { job_.requestCancel(); });
    connect(dialog_.get(), &TransferProgressDialog::stopNowRequested, this,
            [this] { job_.requestStopNow(); });
    dialog_->show();

    reportPending_ = true;
    window_.enableTransferButtons(false);
    window_.control(controlid::kConnectButton)->setEnabled(false);
    return true;
}

void TransferController::startUpload() {
    const QList<int> rows = window_.localList().selectedRows();
    if (!prepare(static_cast<int>(rows.size()), true)) return;
    transfer::JobSettings s = settings();
    for (int row : rows) {
        const LocalListItem& item = window_.localModel().item(row);
        s.items.push_back({item.name,
                           item.isDirectory,
                           item.isDirectory ? ftp::EntryType::Directory : ftp::EntryType::File,
                           {}});
    }
    job_.startUpload(*window_.ftpSession(), std::move(s));
}

void TransferController::startUploadOf(const std::vector<std::string>& paths) {
    if (!prepare(1, true)) return;
    transfer::JobSettings s = settings();
    s.dropped = true;
    for (const auto& path : paths)
        s.items.push_back({{}, false, ftp::EntryType::File, path});
    dialog_->setFileCounter(static_cast<std::int64_t>(paths.size()), 0);
    job_.startUpload(*window_.ftpSession(), std::move(s));
}

void TransferController::startDownload() {
    const QList<int> rows = window_.remoteList().selectedRows();
    if (!prepare(static_cast<int>(rows.size()), false)) return;
    transfer::JobSettings s = settings();
    for (int row : rows) {
        const RemoteListItem& item = window_.remoteModel().item(row);
        // The listed size lets the engine tell a short binary transfer from a whole one.
        s.items.push_back({item.name, item.isDirectory, item.entryType, {}, item.size});
    }
    job_.startDownload(*window_.ftpSession(), std::move(s));
}

platform::Prompts& TransferController::prompts() {
    return window_.prompts();
}

void TransferController::setStatusMessage(int pane, int stringId,
                                          const std::vector<platform::MessageArg>& args) {
    window_.setStatusText(pane, uitexts::message(stringId, args));
}

void TransferController::finishTransferUi() {
    if (dialog_) {
        dialog_->releaseOwner();
        dialog_->hide();
    }
    window_.enableTransferButtons(true);
    window_.control(controlid::kConnectButton)->setEnabled(true);
    QWidget* window = window_.dialogParent();
    window->show();
    window->raise();
    window->activateWindow();
}

void TransferController::refreshRemote() {
    window_.connection().refreshRemote();
}

void TransferController::refreshLocal() {
    window_.refreshLocal();
}

void TransferController::connectionLost() {
    window_.connection().connectionLost();
}
