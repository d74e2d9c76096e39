#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "prompts.h"
#include "remotecommands.h"

namespace ftp {
class FtpSession;
}

// Changing the UNIX permissions of server entries with SITE CHMOD. A mode is three
// decimal digits, each an octal digit of the permissions: 755 is rwxr-xr-x.
namespace transfer {

// The mode of a listing's permission text such as "-rwxr-x---": 0 unless exactly ten
// characters; the first (the entry type) is ignored; "s" and "t" count as not executable.
int parsePermissionText(std::string_view text);

// The nine-character text of a mode: 750 gives "rwxr-x---".
std::string permissionText(int mode);

// The mode the dialog starts at: one entry its own, several 644.
int initialPermissionMode(const std::vector<std::string>& permissionTexts);

// A selected server entry: its name and its listing's permission text.
struct PermissionItem {
    std::string name;
    std::string attributes;
};

// Asks the user for the new mode, starting at the given one (the window's dialog);
// nothing when cancelled.
using AskPermissions = std::function<std::optional<int>(int initialMode)>;

// The change-permissions command: nothing selected (or no session) is reported (1221);
// NOOP; the dialog; then SITE CHMOD with the mode printed as a plain number (044 as 44)
// for each item in order. The first refusal stops the loop with 1222 and the server's
// name; the entries before it keep their new mode and the pane is left as it is.
RemoteOutcome changeRemotePermissions(ftp::FtpSession* session,
                                      const std::vector<PermissionItem>& items,
                                      const std::string& serverName, platform::Prompts& prompts,
                                      const AskPermissions& ask);

}  // namespace transfer
