#pragma once

#include <memory>
#include <string>
#include <vector>

#include "messageformat.h"
#include "prompts.h"
#include "serverprofile.h"

namespace ftp {
class FtpSession;
class StatusSink;
}  // namespace ftp

namespace session {

// What the connect worker asks of the main window. Every call is made on the UI thread
// (the worker goes through its run-on-UI-thread helper).
class ConnectHost {
public:
    virtual ~ConnectHost() = default;

    // Loads the selected profile as for connecting; false when none is selected.
    virtual bool selectProfileForConnect(ServerProfile& profile, std::string& lastRemotePath) = 0;
    virtual void openOptionsSheet() = 0;
    // Where the worker's questions go.
    virtual platform::Prompts& prompts() = 0;
    // The options button and the profile combo.
    virtual void setProfileControlsEnabled(bool enabled) = 0;
    virtual void setStatusText(int pane, const std::string& text) = 0;
    // The sink the session reports through; it must accept calls from any thread.
    virtual ftp::StatusSink* statusSink() = 0;
    virtual void setStatusMessage(int pane, int stringId,
                                  const std::vector<platform::MessageArg>& args) = 0;
    virtual void setConnectionIcon(int state) = 0;
    // The window owns the session from its creation on; the worker keeps using it until
    // it has finished, and the window touches it only after that.
    virtual void adoptSession(std::unique_ptr<ftp::FtpSession> session) = 0;
    virtual void dropSession() = 0;
    virtual void setHomeDirectory(const std::string& path) = 0;
    // The connection is ready: the first listing runs now, while the worker waits. False
    // when the listing found the connection gone and the window dropped the session.
    virtual bool remoteReady() = 0;
    // Where the certificates the user trusts always are kept; empty keeps none.
    virtual std::string trustStorePath() { return {}; }
    // The worker is done: connected or not. It returns right after this call.
    virtual void connectFinished(bool connected) = 0;
};

}  // namespace session
