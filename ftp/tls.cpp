#include "tls.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "socketio.h"

namespace ftp {
namespace {

constexpr std::size_t kBulkReadBuffer = 256 * 1024;

// Where the verification callback finds the findings of the connection being verified.
int problemsIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Every finding is noted and the handshake goes on: whether to go on with an unverified
// certificate is the user's choice, made before anything but the handshake was sent.
int recordProblem(int ok, X509_STORE_CTX* store) {
    if (ok) return 1;
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* problems =
        ssl ? static_cast<std::vector<int>*>(SSL_get_ex_data(ssl, problemsIndex())) : nullptr;
    const int code = X509_STORE_CTX_get_error(store);
    if (problems && std::find(problems->begin(), problems->end(), code) == problems->end())
        problems->push_back(code);
    return 1;
}

std::string bioText(BIO* bio) {
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    std::string text(data ? data : "", n > 0 ? static_cast<std::size_t>(n) : 0);
    BIO_free(bio);
    return text;
}

std::string nameText(const X509_NAME* name) {
    BIO* bio = BIO_new(BIO_s_mem());
    // UTF-8 as it stands, not escaped: names may be Chinese.
    X509_NAME_print_ex(bio, name, 0, (XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB));
    return bioText(bio);
}

std::string timeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string fingerprintOf(const X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1) return {};
    static const char* const hex = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0) text.push_back(':');
        text.push_back(hex[digest[i] >> 4]);
        text.push_back(hex[digest[i] & 0xF]);
    }
    return text;
}

bool isAddress(const std::string& host) {
    in_addr v4{};
    in6_addr v6{};
    return ::inet_pton(AF_INET, host.c_str(), &v4) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

// The socket as TLS sees it. OpenSSL's own socket layer writes without MSG_NOSIGNAL, and
// a server that resets the connection must give the engine an error, not end the process.
int socketWrite(BIO* bio, const char* data, int n) {
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
    ssize_t sent;
    do {
        sent = ::send(fd, data, static_cast<std::size_t>(n), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int socketRead(BIO* bio, char* buffer, int n) {
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
    ssize_t got;
    do {
        got = ::recv(fd, buffer, static_cast<std::size_t>(n), 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_read(bio);
    return static_cast<int>(got);
}

long socketControl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

// Made once and kept for the life of the process.
const BIO_METHOD* socketMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ftp socket");
        if (made) {
            BIO_meth_set_write(made, socketWrite);
            BIO_meth_set_read(made, socketRead);
            BIO_meth_set_ctrl(made, socketControl);
        }
        return made;
    }();
    return method;
}

std::string libraryError() {
    const unsigned long code = ERR_peek_last_error();
    if (code == 0) return {};
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

}  // namespace

CertificateProblem classifyProblem(int verifyCode) {
    switch (verifyCode) {
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
            return CertificateProblem::SelfSigned;
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return CertificateProblem::Expired;
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return CertificateProblem::NotYetValid;
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return CertificateProblem::OtherName;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
            return CertificateProblem::UnknownIssuer;
        default:
            return CertificateProblem::Other;
    }
}

TlsContext::TlsContext(const std::string& extraAnchors) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) return;
    bool ok = SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) == 1 &&
              SSL_CTX_set_default_verify_paths(context) == 1;
    if (ok && !extraAnchors.empty())
        ok = SSL_CTX_load_verify_locations(context, extraAnchors.c_str(), nullptr) == 1;
    if (!ok) {
        SSL_CTX_free(context);
        return;
    }
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, recordProblem);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    context_ = context;
}

TlsContext::~TlsContext() {
    SSL_CTX_free(context_);
}

TlsConnection::TlsConnection(SSL* ssl, int socket, const std::atomic<bool>& aborted)
    : ssl_(ssl), socket_(socket), aborted_(aborted) {}

TlsConnection::~TlsConnection() {
    SSL_free(ssl_);
}

std::unique_ptr<TlsConnection> TlsConnection::connect(const TlsContext& context, int socket,
                                                      const std::string& host,
                                                      const TlsConnection* resume, int seconds,
                                                      const std::atomic<bool>& aborted,
                                                      std::string& error, bool bulk) {
    error.clear();
    ERR_clear_error();
    SSL* ssl = context.ok() ? SSL_new(context.get()) : nullptr;
    if (!ssl) {
        error = "no TLS context: " + libraryError();
        return nullptr;
    }
    std::unique_ptr<TlsConnection> tls(new TlsConnection(ssl, socket, aborted));
    const int flags = ::fcntl(socket, F_GETFL);
    BIO* bio = socketMethod() ? BIO_new(socketMethod()) : nullptr;
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0 || !bio) {
        error = bio ? std::strerror(errno) : "no TLS socket layer";
        BIO_free(bio);
        return nullptr;
    }
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket)));
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl, bio, bio);
    SSL_set_ex_data(ssl, problemsIndex(), &tls->facts_.problems);
    if (isAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl, host.c_str());
        SSL_set1_host(ssl, host.c_str());
    }
    if (bulk) {
        // One recv() takes many records, and each record leaves at once: a record is less
        // than a segment on loopback, and Nagle would hold every second one back.
        SSL_set_read_ahead(ssl, 1);
        SSL_set_default_read_buffer_len(ssl, kBulkReadBuffer);
        const int one = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    if (resume) {
        if (SSL_SESSION* session = SSL_get1_session(resume->ssl_)) {
            SSL_set_session(ssl, session);
            SSL_SESSION_free(session);
        }
    }
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(ssl);
        if (result == 1) break;
        if (!tls->wait(result, seconds)) {
            const int reason = errno;
            const std::string detail = libraryError();
            error = !detail.empty() && reason == EPROTO ? detail : std::strerror(reason);
            return nullptr;
        }
    }
    tls->readCertificate();
    return tls;
}

bool TlsConnection::wait(int result, int seconds) {
    const int code = SSL_get_error(ssl_, result);
    const int systemError = errno;
    short events = 0;
    if (code == SSL_ERROR_WANT_READ) {
        events = POLLIN;
    } else if (code == SSL_ERROR_WANT_WRITE) {
        events = POLLOUT;
    } else {
        failed_ = true;
        if (aborted_)
            errno = ECANCELED;
        else if (code == SSL_ERROR_SYSCALL)
            errno = systemError != 0 ? systemError : ECONNRESET;
        else if (code == SSL_ERROR_SSL &&
                 ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)
            errno = ECONNRESET;  // closed without close_notify: possibly cut short
        else
            errno = EPROTO;
        return false;
    }
    const int ready = aborted_ ? -1 : waitForSocket(socket_, events, seconds, 0);
    if (ready > 0 && !aborted_) return true;
    failed_ = true;
    errno = aborted_ ? ECANCELED : ready == 0 ? ETIMEDOUT : errno;
    return false;
}

ssize_t TlsConnection::read(char* buffer, std::size_t n, int seconds) {
    if (peerClosed_) return 0;
    if (failed_) {
        errno = EPIPE;
        return -1;
    }
    const int size = static_cast<int>(std::min<std::size_t>(n, INT_MAX));
    for (;;) {
        ERR_clear_error();
        const int got = SSL_read(ssl_, buffer, size);
        if (got > 0) return got;
        if (SSL_get_error(ssl_, got) == SSL_ERROR_ZERO_RETURN) {
            peerClosed_ = true;
            return 0;
        }
        if (!wait(got, seconds)) return -1;
    }
}

ssize_t TlsConnection::write(const char* data, std::size_t n, int seconds) {
    if (failed_) {
        errno = EPIPE;
        return -1;
    }
    const int size = static_cast<int>(std::min<std::size_t>(n, INT_MAX));
    for (;;) {
        ERR_clear_error();
        const int sent = SSL_write(ssl_, data, size);
        if (sent > 0) return sent;
        if (!wait(sent, seconds)) return -1;
    }
}

bool TlsConnection::pending() const {
    return SSL_pending(ssl_) > 0;
}

void TlsConnection::shutdown(bool waitForPeer, int seconds) {
    if (failed_ || aborted_) return;
    for (;;) {
        ERR_clear_error();
        const int result = SSL_shutdown(ssl_);
        if (result >= 0) break;
        if (!wait(result, seconds)) return;
    }
    if (!waitForPeer) return;
    char rest[4096];
    while (read(rest, sizeof rest, seconds) > 0) {
    }
}

bool TlsConnection::resumed() const {
    return SSL_session_reused(ssl_) == 1;
}

std::string TlsConnection::protocol() const {
    return SSL_get_version(ssl_);
}

std::string TlsConnection::cipher() const {
    const char* name = SSL_get_cipher_name(ssl_);
    return name ? name : "";
}

void TlsConnection::readCertificate() {
    const X509* peer = SSL_get0_peer_certificate(ssl_);
    if (!peer) {
        facts_.problems.push_back(X509_V_ERR_UNSPECIFIED);
        facts_.problemText = "no certificate";
        return;
    }
    facts_.subject = nameText(X509_get_subject_name(peer));
    facts_.issuer = nameText(X509_get_issuer_name(peer));
    facts_.validFrom = timeText(X509_get0_notBefore(peer));
    facts_.validUntil = timeText(X509_get0_notAfter(peer));
    facts_.fingerprint = fingerprintOf(peer);
    const long result = SSL_get_verify_result(ssl_);
    if (result != X509_V_OK && facts_.problems.empty())
        facts_.problems.push_back(static_cast<int>(result));
    if (!facts_.problems.empty())
        facts_.problemText = X509_verify_cert_error_string(facts_.problems.front());
}

}  // namespace ftp
