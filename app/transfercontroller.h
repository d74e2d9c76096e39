#pragma once

#include <QObject>
#include <memory>

#include "coalesceddisplay.h"
#include "transferhost.h"
#include "transferjob.h"

class TransferWindow;
class TransferProgressDialog;
class PublishReportDialog;

// The main window's side of uploads and downloads: the two buttons, the progress
// dialog, and the window calls a running job makes.
class TransferController : public QObject, public transfer::TransferHost {
    Q_OBJECT
public:
    explicit TransferController(TransferWindow& window);
    ~TransferController() override;

    void startUpload();
    void startDownload();
    // Starts an upload of these local paths instead of the selection (a drop).
    void startUploadOf(const std::vector<std::string>& paths);
    bool running() const { return job_.running(); }
    bool uploadRunning() const { return job_.uploadRunning(); }
    bool downloadRunning() const { return job_.downloadRunning(); }
    // Ends a running job at once, for the window's close.
    void stop() { job_.stop(); }
    TransferProgressDialog* progressDialog() const { return dialog_.get(); }
    // The report of the last job, in a dialog of its own; opened by itself when a file
    // was skipped or failed or left partial on the server.
    void showLastReport();
    bool hasReport() const { return !lastReport_.isEmpty(); }
    PublishReportDialog* reportDialog() const { return reportDialog_.get(); }
    const QString& lastReport() const { return lastReport_; }

    // transfer::TransferHost
    platform::Prompts& prompts() override;
    void setStatusMessage(int pane, int stringId,
                          const std::vector<platform::MessageArg>& args) override;
    void finishTransferUi() override;
    void refreshRemote() override;
    void refreshLocal() override;
    void connectionLost() override;
    void showReport(const transfer::PublishReport& report) override;

private:
    // The checks and the set-up that both directions share; false when no job starts.
    bool prepare(int count, bool upload);
    transfer::JobSettings settings() const;
    // Writes the job log; the report as shown, with the log's path.
    QString writeLog(const transfer::PublishReport& report);
    static constexpr int kLogFileLine = 1395;
    static constexpr int kOpenReportTip = 1399;

    TransferWindow& window_;
    transfer::CoalescedDisplay display_;
    transfer::TransferJob job_;
    std::unique_ptr<TransferProgressDialog> dialog_;
    std::unique_ptr<PublishReportDialog> reportDialog_;
    QString lastReport_;
    // A job has started whose report is not written yet (the window may close first).
    bool reportPending_ = false;
};
