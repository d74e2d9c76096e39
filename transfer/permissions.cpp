#include "permissions.h"

#include "ftpsession.h"

namespace transfer {
namespace {

constexpr int kNothingSelected = 1221;
constexpr int kNotSupported = 1222;
constexpr int kSeveralEntriesMode = 644;

void tell(platform::Prompts& prompts, int id, std::vector<platform::MessageArg> args) {
    prompts.ask({id, std::move(args), platform::Buttons::Ok});
}

}  // namespace

int parsePermissionText(std::string_view text) {
    if (text.size() != 10) return 0;
    int mode = 0;
    for (int triple = 0; triple < 3; ++triple) {
        const std::string_view bits = text.substr(1 + 3 * triple, 3);
        const int digit =
            (bits[0] == 'r' ? 4 : 0) + (bits[1] == 'w' ? 2 : 0) + (bits[2] == 'x' ? 1 : 0);
        mode = mode * 10 + digit;
    }
    return mode;
}

std::string permissionText(int mode) {
    std::string text;
    for (int divisor : {100, 10, 1}) {
        const int digit = mode / divisor % 10;
        text += digit & 4 ? 'r' : '-';
        text += digit & 2 ? 'w' : '-';
        text += digit & 1 ? 'x' : '-';
    }
    return text;
}

int initialPermissionMode(const std::vector<std::string>& permissionTexts) {
    if (permissionTexts.size() == 1) return parsePermissionText(permissionTexts.front());
    return kSeveralEntriesMode;
}

RemoteOutcome changeRemotePermissions(ftp::FtpSession* session,
                                      const std::vector<PermissionItem>& items,
                                      const std::string& serverName, platform::Prompts& prompts,
                                      const AskPermissions& ask) {
    if (!session || items.empty()) {
        tell(prompts, kNothingSelected, {});
        return RemoteOutcome::Unchanged;
    }
    session->lastError = 0;
    if (session->checkAlive() != 0) return RemoteOutcome::ConnectionLost;
    std::vector<std::string> texts;
    for (const auto& item : items)
        texts.push_back(item.attributes);
    const std::optional<int> mode = ask(initialPermissionMode(texts));
    if (!mode) return RemoteOutcome::Unchanged;
    const std::string modeText = std::to_string(*mode);
    for (const auto& item : items) {
        // A name that would break the command line is never sent.
        if (!isSafeListingName(item.name)) continue;
        if (session->changeMode(modeText, item.name)) continue;
        if (session->lastError < 0) return RemoteOutcome::ConnectionLost;
        tell(prompts, kNotSupported, {serverName});
        return RemoteOutcome::Unchanged;
    }
    return RemoteOutcome::Changed;
}

}  // namespace transfer
