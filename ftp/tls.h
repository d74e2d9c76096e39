#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace ftp {

// What the server's certificate says, and what verifying it against the trust store with
// the host name found.
struct CertificateFacts {
    std::string subject;
    std::string issuer;
    std::string validFrom;  // "2026-12-08 14:00:00 UTC"
    std::string validUntil;
    std::string fingerprint;  // SHA-256, upper-case hex pairs joined by ':'
    // The verification's findings (X509_V_ERR_* codes), each once, in the order found;
    // empty when the certificate verified.
    std::vector<int> problems;
    // The library's words for the first finding.
    std::string problemText;
    bool verified() const { return !fingerprint.empty() && problems.empty(); }
};

// Findings of a verification, as the dialogs group them.
enum class CertificateProblem { SelfSigned, Expired, NotYetValid, OtherName, UnknownIssuer, Other };
CertificateProblem classifyProblem(int verifyCode);

// The client side of TLS 1.2 or newer: the trust store (the system's, plus an optional
// file of further anchors) and the settings every connection of one session shares.
class TlsContext {
public:
    explicit TlsContext(const std::string& extraAnchors = {});
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;
    bool ok() const { return context_ != nullptr; }
    SSL_CTX* get() const { return context_; }

private:
    SSL_CTX* context_ = nullptr;
};

// One TLS connection over a connected socket that the caller owns and closes. The socket
// is switched to non-blocking: every wait is a poll() with a time limit, and a socket shut
// down by another thread (an abort) ends any wait at once.
class TlsConnection {
public:
    ~TlsConnection();
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    // Handshake as the client. host is what the certificate must name (a DNS name or an
    // address); resume, when given, offers that connection's session (data connections
    // reuse the control connection's). bulk: a data connection, read ahead in large pieces.
    // Null on failure, with the reason in error.
    static std::unique_ptr<TlsConnection> connect(const TlsContext& context, int socket,
                                                  const std::string& host,
                                                  const TlsConnection* resume, int seconds,
                                                  const std::atomic<bool>& aborted,
                                                  std::string& error, bool bulk = false);

    // Like recv()/send() on a blocking socket whose calls give up after `seconds` without
    // progress: bytes moved, 0 once the peer has closed (read), or -1 with errno
    // (ETIMEDOUT, ECONNRESET, EPIPE, EPROTO for a TLS failure, ECANCELED after an abort).
    ssize_t read(char* buffer, std::size_t n, int seconds);
    ssize_t write(const char* data, std::size_t n, int seconds);
    // Decrypted bytes already here, which poll() on the socket cannot see.
    bool pending() const;

    // Sends close_notify, unless the connection failed. With waitForPeer the peer's own
    // end is awaited (up to `seconds`), so that closing the socket cannot reset a
    // connection whose last bytes the peer has not read yet.
    void shutdown(bool waitForPeer, int seconds);

    bool resumed() const;
    std::string protocol() const;  // "TLSv1.3"
    std::string cipher() const;
    const CertificateFacts& certificate() const { return facts_; }

private:
    TlsConnection(SSL* ssl, int socket, const std::atomic<bool>& aborted);
    // One step of a TLS operation that could not complete: waits for what it needs.
    // Returns false with errno set when the connection cannot go on.
    bool wait(int result, int seconds);
    void readCertificate();

    SSL* ssl_;
    int socket_;
    const std::atomic<bool>& aborted_;
    bool failed_ = false;
    bool peerClosed_ = false;
    CertificateFacts facts_;
};

}  // namespace ftp
