// The connect worker's encryption steps: TLS before login, the certificate, and the
// protection of data connections after it.
#include <algorithm>

#include "connectworker.h"
#include "ftpsession.h"
#include "truststore.h"

namespace session {
namespace {

// Reasons of the certificate dialog.
constexpr int kSelfSigned = 1337, kExpired = 1338, kNotYetValid = 1339, kOtherName = 1340,
              kUnknownIssuer = 1341, kOtherProblem = 1342;

int reasonMessage(ftp::CertificateProblem problem) {
    switch (problem) {
        case ftp::CertificateProblem::SelfSigned:
            return kSelfSigned;
        case ftp::CertificateProblem::Expired:
            return kExpired;
        case ftp::CertificateProblem::NotYetValid:
            return kNotYetValid;
        case ftp::CertificateProblem::OtherName:
            return kOtherName;
        case ftp::CertificateProblem::UnknownIssuer:
            return kUnknownIssuer;
        case ftp::CertificateProblem::Other:
            break;
    }
    return kOtherProblem;
}

// A refusal of AUTH TLS that means "not offered" rather than "not now".
bool meansNotOffered(int code) {
    return code == 500 || code == 502 || code == 504;
}

}  // namespace

platform::CertificateQuestion certificateQuestion(const ftp::CertificateFacts& facts,
                                                  const std::string& host, int port,
                                                  const std::string& trustedFingerprint) {
    platform::CertificateQuestion question{host,
                                           port,
                                           facts.subject,
                                           facts.issuer,
                                           facts.validFrom,
                                           facts.validUntil,
                                           facts.fingerprint,
                                           {},
                                           {},
                                           trustedFingerprint};
    bool other = false;
    for (int code : facts.problems) {
        const int reason = reasonMessage(ftp::classifyProblem(code));
        if (reason == kOtherProblem) {
            other = true;
            continue;
        }
        if (std::find(question.reasons.begin(), question.reasons.end(), reason) ==
            question.reasons.end())
            question.reasons.push_back(reason);
    }
    // Anything without words of its own is named last, in the library's words.
    if (other || (question.reasons.empty() && !facts.problems.empty())) {
        question.reasons.push_back(kOtherProblem);
        question.detail = facts.problemText;
    }
    return question;
}

bool ConnectWorker::openSession(ftp::FtpSession& session, const std::string& hostName,
                                int failedMessage) {
    if (session.open()) return true;
    if (session.lastError == ftp::FtpSession::kTlsFailed)
        refuse(kTlsHandshakeFailed, {hostName, session.tlsError()});
    else
        refuse(failedMessage, {hostName});
    return false;
}

bool ConnectWorker::secureControl(ftp::FtpSession& session, const std::string& hostName) {
    const int mode = profile_.encryption;
    if (mode == kPlainFtp) return true;
    if (mode != kRequireImplicitTls && !session.startTls()) {
        const int code = session.lastError;
        if (code == ftp::FtpSession::kTlsFailed) {
            refuse(kTlsHandshakeFailed, {hostName, session.tlsError()});
            return false;
        }
        if (mode == kExplicitTlsIfAvailable && meansNotOffered(code)) return true;
        if (code < 0)
            refuse(kConnectFailed, {hostName});
        else
            refuse(kTlsRefused, {hostName});
        return false;
    }
    return acceptCertificate(session);
}

bool ConnectWorker::acceptCertificate(const ftp::FtpSession& session) {
    const std::string& hostName = session.hostName();
    const int port = session.connectedPort();
    const ftp::CertificateFacts* facts = session.certificate();
    if (!facts) return false;
    if (facts->verified()) return true;
    TrustStore store(trustStorePath_);
    if (store.check(hostName, port, facts->fingerprint) == TrustStore::Verdict::Trusted)
        return true;
    // Unknown, or changed since the user trusted another one: the user decides, warned.
    const platform::CertificateQuestion question =
        certificateQuestion(*facts, hostName, port, store.trusted(hostName, port));
    auto answer = platform::CertificateAnswer::Cancel;
    if (!onUi([&] { answer = host_.prompts().askCertificate(question); })) return false;
    if (answer == platform::CertificateAnswer::AlwaysTrust)
        store.remember(hostName, port, facts->fingerprint);
    return answer != platform::CertificateAnswer::Cancel;
}

bool ConnectWorker::secureData(ftp::FtpSession& session, const std::string& hostName) {
    if (!session.controlEncrypted() || session.protectData()) return true;
    // Files in clear after an encrypted login: only where encryption was optional.
    if (profile_.encryption == kExplicitTlsIfAvailable && session.lastError > 0) return true;
    refuse(session.lastError < 0 ? kConnectFailed : kDataProtectionRefused, {hostName});
    return false;
}

}  // namespace session
