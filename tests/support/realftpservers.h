#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A real FTP server from Debian, started on a free loopback port with a temporary root
// and stopped by PID. start() returns false and leaves the reason in error(); tests
// fail with that reason rather than skip.
class RealFtpServer {
public:
    enum class Login { Anonymous, User };
    // None: plain FTP. Explicit: AUTH TLS, required for login and data. Implicit: TLS from
    // the first byte (vsftpd only). The certificate is made at start-up for 127.0.0.1.
    enum class Tls { None, Explicit, Implicit };

    virtual ~RealFtpServer();
    virtual bool start() = 0;
    void stop();

    const char* kind() const { return kind_; }
    int port() const { return port_; }
    const std::string& root() const { return root_; }  // the directory the login sees
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    const std::string& error() const { return error_; }
    std::string log() const;
    // Before start(). The address the server listens on: "127.0.0.1" (the default) or
    // "::1" (IPv6 only).
    void setTls(Tls tls) { tls_ = tls; }
    void setAddress(std::string address) { address_ = std::move(address); }
    // False: FEAT does not offer EPSV and the command is unknown (pyftpdlib only).
    void setOffersEpsv(bool offers) { offersEpsv_ = offers; }
    const std::string& address() const { return address_; }
    Tls tls() const { return tls_; }
    // The certificate (PEM) the server shows, once started with TLS.
    std::string certificateFile() const { return work_ + "/cert.pem"; }

    // Gives a file or tree that a test created under root() to the login's system user,
    // so the server may change it (vsftpd sessions run as that user).
    void ownByLogin(const std::string& path) const;

protected:
    RealFtpServer(const char* kind, Login login);
    bool makeWorkDirectory();
    bool spawn(const std::vector<std::string>& argv);
    // A server counts as started only once a login on it has succeeded.
    bool waitUntilLoginWorks();
    bool fail(std::string why);
    bool makeCertificate();

    const char* kind_;
    Login login_;
    Tls tls_ = Tls::None;
    std::string address_ = "127.0.0.1";
    bool offersEpsv_ = true;
    int port_ = 0;
    pid_t pid_ = -1;
    std::string work_;  // temporary directory holding root, config and log
    std::string root_;
    std::string user_;
    std::string password_;
    std::string error_;
    uid_t uid_ = static_cast<uid_t>(-1);
    gid_t gid_ = static_cast<gid_t>(-1);
};

class PyftpdlibServer : public RealFtpServer {
public:
    explicit PyftpdlibServer(Login login = Login::User) : RealFtpServer("pyftpdlib", login) {}
    bool start() override;
};

// Needs root: the daemon runs as root and a local test user logs in.
class VsftpdServer : public RealFtpServer {
public:
    explicit VsftpdServer(Login login = Login::User) : RealFtpServer("vsftpd", login) {}
    bool start() override;
};

std::unique_ptr<RealFtpServer> makeRealServer(const std::string& kind, RealFtpServer::Login login);

// A free TCP port on 127.0.0.1 (or ::1 for AF_INET6) at the moment of the call.
int freeLoopbackPort(int family = AF_INET);

// Makes a self-signed certificate for name (a DNS name or an address), with its key, into
// certFile and keyFile (PEM). False when openssl failed.
bool makeSelfSignedCertificate(const std::string& name, const std::string& certFile,
                               const std::string& keyFile);

// The SHA-256 fingerprint of a PEM certificate, as the engine writes it ("AB:CD:...").
std::string certificateFingerprint(const std::string& certFile);

}  // namespace testsupport
