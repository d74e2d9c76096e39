#pragma once

#include <QObject>
#include <memory>

#include "coalesceddisplay.h"
#include "transferhost.h"
#include "transferjob.h"

class TransferWindow;
class TransferProgressDialog;

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

    // transfer::TransferHost
    platform::Prompts& prompts() override;
    void setStatusMessage(int pane, int stringId,
                          const std::vector<platform::MessageArg>& args) override;
    void finishTransferUi() override;
    void refreshRemote() override;
    void refreshLocal() override;
    void connectionLost() override;

private:
    // The checks and the set-up that both directions share; false when no job starts.
    bool prepare(int count, bool upload);
    transfer::JobSettings settings() const;

    TransferWindow& window_;
    transfer::CoalescedDisplay display_;
    transfer::TransferJob job_;
    std::unique_ptr<TransferProgressDialog> dialog_;
};
