#pragma once

#include <optional>
#include <string>
#include <vector>

#include "messageformat.h"

namespace platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Question, Error };
enum class Answer { Ok, Cancel, Yes, No };

// A message box by string number: the text is that string with its placeholders filled.
struct Message {
    int id = 0;
    std::vector<MessageArg> args;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Warning;
};

// A server certificate the user must judge: one that did not verify, or one that differs
// from the certificate the user chose to trust always for that host and port.
struct CertificateQuestion {
    std::string host;
    int port = 0;
    std::string subject, issuer, validFrom, validUntil;
    std::string fingerprint;  // SHA-256
    // Why it did not verify: message numbers, the last of which may take detail.
    std::vector<int> reasons;
    std::string detail;
    // Set when another certificate was trusted for this host and port: its fingerprint.
    std::string trustedFingerprint;
    bool changed() const { return !trustedFingerprint.empty(); }
};
enum class CertificateAnswer { Cancel, AcceptOnce, AlwaysTrust };

// Every modal question the programs ask goes through this one interface: the window
// shows dialogs, tests install a scripted implementation that records the questions
// and gives chosen answers. Called on the UI thread only (workers go through their
// run-on-UI-thread helper).
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual Answer ask(const Message& message) = 0;
    // The password prompt for a host; nothing when the user cancels.
    virtual std::optional<std::string> askPassword(const std::string& host) = 0;
    // The certificate dialog. Whoever cannot show it refuses the connection.
    virtual CertificateAnswer askCertificate(const CertificateQuestion&) {
        return CertificateAnswer::Cancel;
    }
};

}  // namespace platform
