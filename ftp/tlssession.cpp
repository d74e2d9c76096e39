// FtpSession's encryption: AUTH TLS or implicit TLS on the control connection, PBSZ and
// PROT for the data connections, and the TLS side of the sockets.
#include <sys/socket.h>

#include <cerrno>

#include "ftpsession.h"
#include "socketio.h"
#include "trace.h"

namespace ftp {

const CertificateFacts* FtpSession::certificate() const {
    return controlTls_ ? &controlTls_->certificate() : nullptr;
}

std::string FtpSession::tlsProtocol() const {
    return controlTls_ ? controlTls_->protocol() : std::string();
}

int FtpSession::handshakeControl() {
    tlsError_.clear();
    if (!tlsContext_) tlsContext_ = std::make_unique<TlsContext>(tlsAnchors);
    auto tls = TlsConnection::connect(*tlsContext_, controlSocket_.load(), hostName_, nullptr,
                                      kWaitSeconds, aborted_, tlsError_);
    if (!tls) {
        lastError = kTlsFailed;
        if (trace::traceEnabled()) trace::write("TLS handshake failed: " + tlsError_ + "\n");
        // Half a handshake leaves nothing to talk on, not even a QUIT.
        connected = false;
        closeControlSocket();
        return 0;
    }
    controlTls_ = std::move(tls);
    if (trace::traceEnabled()) {
        const CertificateFacts& facts = controlTls_->certificate();
        trace::write(
            "TLS up: " + controlTls_->protocol() + " " + controlTls_->cipher() + ", certificate " +
            facts.fingerprint +
            (facts.verified() ? " verified\n" : " not verified: " + facts.problemText + "\n"));
    }
    return 1;
}

int FtpSession::startTls() {
    if (!connected || controlTls_) return 0;
    std::string reply;
    const int code = sendAndRead("AUTH TLS", reply);
    if (code != 234) {
        refuse(code);
        return 0;
    }
    // Nothing the server sent before its handshake may count as a reply after it.
    controlBegin_ = controlEnd_ = 0;
    return handshakeControl();
}

int FtpSession::protectData() {
    if (!connected || !controlTls_) return 0;
    std::string reply;
    int code = sendAndRead("PBSZ 0", reply);
    if (code == 200) code = sendAndRead("PROT P", reply);
    if (code != 200) {
        refuse(code);
        return 0;
    }
    dataProtected_ = true;
    return 1;
}

int FtpSession::handshakeData() {
    if (!dataProtected_) return 1;
    if (!tlsContext_ || !controlTls_) return 0;
    std::string error;
    auto tls = TlsConnection::connect(*tlsContext_, dataSocket_.load(), hostName_,
                                      controlTls_.get(), dataIdleSeconds, aborted_, error, true);
    // The data connection must end at the server the user accepted.
    if (tls && tls->certificate().fingerprint != controlTls_->certificate().fingerprint) {
        tls.reset();
        error = "the data connection presented another certificate";
    }
    if (!tls) {
        tlsError_ = error;
        lastError = kTlsFailed;
        if (trace::traceEnabled()) trace::write("TLS data connection failed: " + error + "\n");
        closeDataSocket();
        return 0;
    }
    if (trace::traceEnabled())
        trace::write("TLS data connection: " + tls->protocol() +
                     (tls->resumed() ? ", session reused\n" : ", new session\n"));
    dataTls_ = std::move(tls);
    return 1;
}

ssize_t FtpSession::controlReceive(char* buffer, std::size_t n) {
    if (controlTls_) return controlTls_->read(buffer, n, kWaitSeconds);
    ssize_t got;
    do {
        got = ::recv(controlSocket_.load(), buffer, n, 0);
    } while (got < 0 && errno == EINTR);
    return got;
}

ssize_t FtpSession::controlSend(const char* data, std::size_t n) {
    if (!controlTls_) return sendAll(controlSocket_.load(), data, n);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t sent = controlTls_->write(data + done, n - done, kWaitSeconds);
        if (sent <= 0) return done == 0 ? -1 : static_cast<ssize_t>(done);
        done += static_cast<std::size_t>(sent);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace ftp
