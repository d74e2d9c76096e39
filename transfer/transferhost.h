#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "messageformat.h"
#include "prompts.h"
#include "publishreport.h"

namespace transfer {

// The progress dialog's lines and counters, as a job shows them.
class TransferDisplay {
public:
    virtual ~TransferDisplay() = default;
    virtual void setSourceLine(const std::string& path, const std::string& name,
                               char separator) = 0;
    virtual void setTargetLine(const std::string& path, const std::string& name,
                               char separator) = 0;
    virtual void setModeLine(bool binary) = 0;
    virtual void setFileCounter(std::int64_t total, std::int64_t done) = 0;
    virtual void setDirectionIcon(int direction) = 0;
    virtual void setServerName(const std::string& name) = 0;
};

// What a transfer job asks of the window. Every call is made on the UI thread (the
// worker goes through its run-on-UI-thread helper).
class TransferHost {
public:
    virtual ~TransferHost() = default;

    virtual platform::Prompts& prompts() = 0;
    virtual void setStatusMessage(int pane, int stringId,
                                  const std::vector<platform::MessageArg>& args) = 0;

    // The end of a job: the dialog releases the window, the buttons come back, the
    // window shows; then the pane of the target side is listed anew. A job that found
    // the control connection gone has the window handle that instead.
    virtual void finishTransferUi() = 0;
    virtual void refreshRemote() = 0;
    virtual void refreshLocal() = 0;
    virtual void connectionLost() = 0;
    // The job's record, at its end, before finishTransferUi().
    virtual void showReport(const PublishReport& report) { (void)report; }
};

}  // namespace transfer
