// How a transfer job names things on the other side: server names are read in the
// server's encoding where they become local names or are shown, and local names are
// written in it where they go to the server. A listed name is always sent back as the
// bytes it came with.
#include "ftpsession.h"
#include "nameencoding.h"
#include "transferjob.h"

namespace transfer {

std::string TransferJob::shownRemote(const std::string& bytes) const {
    return ftp::nameForDisplay(bytes, session_->namesEncoding());
}

std::string TransferJob::localNameOf(const std::string& remoteName) {
    ftp::LocalName local = ftp::localFileName(remoteName, session_->namesEncoding());
    if (local.changed && !stopping_) {
        ui_.post([this, shown = shownRemote(remoteName), name = local.name] {
            host_.setStatusMessage(0, kLocalNameChanged, {shown, name});
        });
    }
    return std::move(local.name);
}

bool TransferJob::remoteNameOf(const std::string& localName, const std::string& full,
                               std::string& bytes) {
    if (ftp::nameForServer(localName, session_->namesEncoding(), bytes)) return true;
    notify(kNotEncodable, full);
    return false;
}

}  // namespace transfer
