#include "realftpservers.h"

#include "testfiles.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

extern char** environ;

namespace testsupport {
namespace fs = std::filesystem;
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(15);
constexpr const char* kVsftpdUser = "trandeltest";
constexpr const char* kVsftpdPassword = "Tr4ndel-test";
constexpr const char* kVsftpdHome = "/var/tmp/trandeltest-home";

// A minimal client that is independent of the engine under test: it only needs to
// know whether a login works.
class RawControl {
public:
    RawControl(const std::string& address, int port) {
        sockaddr_in6 v6{};
        sockaddr_in v4{};
        const bool ipv6 = ::inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1;
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<uint16_t>(port));
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        v4.sin_port = htons(static_cast<uint16_t>(port));
        fd_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval tv{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        const int connected = ipv6 ? ::connect(fd_, reinterpret_cast<sockaddr*>(&v6), sizeof v6)
                                   : ::connect(fd_, reinterpret_cast<sockaddr*>(&v4), sizeof v4);
        if (connected != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~RawControl() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

    // The code of the next complete reply, 0 when none came; text gets its last line.
    int reply(std::string& text) {
        std::string line;
        int first = 0;
        for (;;) {
            line.clear();
            char c;
            while (::recv(fd_, &c, 1, 0) == 1 && c != '\n')
                line.push_back(c);
            if (line.empty()) return 0;
            text = line;
            if (line.size() < 4) continue;
            int code = std::atoi(line.substr(0, 3).c_str());
            if (first == 0) first = code;
            if (code == first && line[3] == ' ') return code;
        }
    }
    int command(const std::string& line, std::string& text) {
        std::string out = line + "\r\n";
        if (::send(fd_, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size()))
            return 0;
        return reply(text);
    }

private:
    int fd_ = -1;
};

void collectDescendants(pid_t pid, std::vector<pid_t>& out) {
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream children(task.path() / "children");
        pid_t child;
        while (children >> child) {
            out.push_back(child);
            collectDescendants(child, out);
        }
    }
}

bool alive(pid_t pid) {
    return ::kill(pid, 0) == 0;
}

// Creates the local user the vsftpd fixture logs in with. Serialised across test
// processes, which may start servers in parallel.
bool ensureVsftpdUser(std::string& error) {
    int lock = ::open("/tmp/trandel-vsftpd-user.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        error = "cannot lock /tmp/trandel-vsftpd-user.lock";
        return false;
    }
    bool ok = true;
    if (!::getpwnam(kVsftpdUser)) {
        std::string add = std::string("useradd -M -d ") + kVsftpdHome + " -s /bin/bash " +
                          kVsftpdUser + " >/dev/null 2>&1";
        ok = std::system(add.c_str()) == 0;
        if (!ok) error = std::string("useradd ") + kVsftpdUser + " failed";
    }
    // vsftpd enters the home directory before it changes to local_root.
    if (ok && ::mkdir(kVsftpdHome, 0755) != 0 && errno != EEXIST) {
        ok = false;
        error = std::string("cannot create ") + kVsftpdHome;
    }
    if (ok) {
        std::string set = std::string("echo '") + kVsftpdUser + ":" + kVsftpdPassword +
                          "' | chpasswd >/dev/null 2>&1";
        ok = std::system(set.c_str()) == 0;
        if (!ok) error = "chpasswd failed";
    }
    ::close(lock);
    return ok;
}

bool isAddress(const std::string& name) {
    in6_addr address{};
    return ::inet_pton(AF_INET, name.c_str(), &address) == 1 ||
           ::inet_pton(AF_INET6, name.c_str(), &address) == 1;
}

}  // namespace

bool makeSelfSignedCertificate(const std::string& name, const std::string& certFile,
                               const std::string& keyFile) {
    // An EC key: made in milliseconds, where RSA would cost each fixture a second.
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 "
        "-subj '/CN=" +
        name + "' -addext 'subjectAltName=" + (isAddress(name) ? "IP:" : "DNS:") + name +
        "' -keyout '" + keyFile + "' -out '" + certFile + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string certificateFingerprint(const std::string& certFile) {
    const std::string command = "openssl x509 -noout -fingerprint -sha256 -in '" + certFile + "'";
    std::string text;
    if (FILE* out = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, out))
            text += buffer;
        ::pclose(out);
    }
    const auto equals = text.find('=');
    if (equals == std::string::npos) return {};
    text = text.substr(equals + 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

int freeLoopbackPort(int family) {
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = in6addr_loopback;
    sockaddr* a =
        family == AF_INET6 ? reinterpret_cast<sockaddr*>(&v6) : reinterpret_cast<sockaddr*>(&v4);
    socklen_t len = family == AF_INET6 ? sizeof v6 : sizeof v4;
    int port = 0;
    if (::bind(fd, a, len) == 0 && ::getsockname(fd, a, &len) == 0)
        port = ntohs(family == AF_INET6 ? v6.sin6_port : v4.sin_port);
    ::close(fd);
    return port;
}

RealFtpServer::RealFtpServer(const char* kind, Login login) : kind_(kind), login_(login) {}

RealFtpServer::~RealFtpServer() {
    stop();
    if (!work_.empty()) {
        std::error_code ec;
        fs::remove_all(work_, ec);
    }
}

bool RealFtpServer::fail(std::string why) {
    error_ = std::string(kind_) + " fixture: " + why;
    std::string text = log();
    if (!text.empty()) error_ += "\n--- server log ---\n" + text;
    stop();
    return false;
}

std::string RealFtpServer::log() const {
    return work_.empty() ? "" : readFile(work_ + "/server.log");
}

bool RealFtpServer::makeWorkDirectory() {
    char pattern[] = "/tmp/trandel-ftp-XXXXXX";
    if (!::mkdtemp(pattern)) return false;
    work_ = pattern;
    root_ = work_ + "/root";
    // The server's session processes run as other users and must reach the root.
    return ::chmod(work_.c_str(), 0755) == 0 && ::mkdir(root_.c_str(), 0755) == 0;
}

bool RealFtpServer::spawn(const std::vector<std::string>& argv) {
    const std::string logPath = work_ + "/server.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // vsftpd reports start-up failures on descriptor 0, so all three go to the log.
    posix_spawn_file_actions_addopen(&actions, 0, logPath.c_str(), O_RDWR | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 0, 1);
    posix_spawn_file_actions_adddup2(&actions, 0, 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int rc = ::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = -1;
        return fail(std::string("cannot start ") + argv[0] + ": " + std::strerror(rc));
    }
    return true;
}

bool RealFtpServer::makeCertificate() {
    if (tls_ == Tls::None) return true;
    const std::string key = work_ + "/key.pem";
    if (!makeSelfSignedCertificate(address_, certificateFile(), key))
        return fail("openssl could not make a certificate; run scripts/setup.sh");
    // pyftpdlib takes key and certificate from one file.
    std::ofstream(work_ + "/both.pem") << readFile(key) << readFile(certificateFile());
    return true;
}

bool RealFtpServer::waitUntilLoginWorks() {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    std::string last = "no connection";
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return fail("the server exited at start-up");
        }
        if (port_ > 0) {
            RawControl control(address_, port_);
            std::string text;
            // Only the engine logs in with TLS: a listening server (implicit), or one that
            // greets and offers AUTH TLS, counts as started.
            if (control.ok() && tls_ == Tls::Implicit) return true;
            if (control.ok() && tls_ == Tls::Explicit) {
                if (control.reply(text) != 220) return fail("welcome was not 220: " + text);
                if (control.command("AUTH TLS", text) == 234) return true;
                return fail("AUTH TLS refused: " + text);
            }
            if (control.ok()) {
                int code = control.reply(text);
                if (code != 220) return fail("welcome was not 220: " + text);
                std::string who = login_ == Login::User ? user_ : "anonymous";
                code = control.command("USER " + who, text);
                if (code == 331) code = control.command("PASS " + password_, text);
                if (code == 230) {
                    control.command("QUIT", text);
                    return true;
                }
                return fail("test login refused: " + text);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (port_ == 0) {
            std::string portText = readFile(work_ + "/port");
            if (!portText.empty()) port_ = std::atoi(portText.c_str());
        }
    }
    return fail("did not accept a login within 15 s (" + last + ")");
}

void RealFtpServer::stop() {
    if (pid_ <= 0) return;
    std::vector<pid_t> all;
    collectDescendants(pid_, all);
    all.insert(all.begin(), pid_);
    for (pid_t p : all)
        ::kill(p, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (pid_t p : all)
        if (alive(p)) ::kill(p, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

bool PyftpdlibServer::start() {
    if (!makeWorkDirectory()) return fail("cannot create a temporary directory");
    std::vector<std::string> argv = {"/usr/bin/python3", TESTSUPPORT_DIR "/pyftpd_server.py",
                                     "--root",           root_,
                                     "--port-file",      work_ + "/port",
                                     "--address",        address_};
    if (login_ == Login::User) {
        user_ = "tester";
        password_ = "secret-pw";
        argv.insert(argv.end(), {"--user", user_, "--password", password_});
    } else {
        argv.push_back("--anonymous");
    }
    if (::access("/usr/bin/python3", X_OK) != 0)
        return fail("/usr/bin/python3 is missing; run scripts/setup.sh");
    if (tls_ == Tls::Implicit) return fail("pyftpdlib speaks no implicit TLS");
    if (!makeCertificate()) return false;
    if (tls_ == Tls::Explicit) argv.insert(argv.end(), {"--tls-cert", work_ + "/both.pem"});
    if (!offersEpsv_) argv.push_back("--without-epsv");
    return spawn(argv) && waitUntilLoginWorks();
}

bool VsftpdServer::start() {
    if (::geteuid() != 0) return fail("needs root to run the daemon with a local test user");
    if (::access("/usr/sbin/vsftpd", X_OK) != 0)
        return fail("/usr/sbin/vsftpd is missing; run scripts/setup.sh");
    if (!offersEpsv_) return fail("vsftpd always offers EPSV");
    if (!makeWorkDirectory()) return fail("cannot create a temporary directory");
    const std::string empty = work_ + "/empty";
    if (::mkdir(empty.c_str(), 0555) != 0) return fail("cannot create secure_chroot_dir");
    if (!makeCertificate()) return false;

    uid_t owner = 0;
    gid_t group = 0;
    if (login_ == Login::User) {
        if (!ensureVsftpdUser(error_)) return fail(error_);
        user_ = kVsftpdUser;
        password_ = kVsftpdPassword;
        const passwd* pw = ::getpwnam(kVsftpdUser);
        owner = pw->pw_uid;
        group = pw->pw_gid;
    } else {
        const passwd* pw = ::getpwnam("ftp");
        if (!pw) return fail("the system user 'ftp' is missing (it comes with the vsftpd package)");
        owner = pw->pw_uid;
        group = pw->pw_gid;
    }
    if (::chown(root_.c_str(), owner, group) != 0) return fail("cannot hand the root to the login");
    uid_ = owner;
    gid_ = group;

    for (int attempt = 0; attempt < 5; ++attempt) {
        const bool ipv6 = address_ == "::1";
        port_ = freeLoopbackPort(ipv6 ? AF_INET6 : AF_INET);
        std::ofstream conf(work_ + "/vsftpd.conf");
        if (ipv6)
            conf << "listen=NO\nlisten_ipv6=YES\nlisten_address6=::1\n";
        else
            conf << "listen=YES\nlisten_address=127.0.0.1\nlisten_ipv6=NO\n";
        conf << "background=NO\nlisten_port=" << port_ << "\n"
             << "secure_chroot_dir=" << empty << "\n"
             << "write_enable=YES\nallow_writeable_chroot=YES\n"
             << "pasv_enable=YES\npasv_min_port=61000\npasv_max_port=61999\n"
             << "pasv_address=127.0.0.1\nport_enable=YES\nconnect_from_port_20=NO\n"
             << "xferlog_enable=NO\nseccomp_sandbox=NO\nuse_localtime=YES\n"
             << "pam_service_name=vsftpd\nuserlist_enable=NO\n";
        if (login_ == Login::User) {
            conf << "anonymous_enable=NO\nlocal_enable=YES\nchroot_local_user=YES\n"
                 << "local_umask=022\nlocal_root=" << root_ << "\n";
        } else {
            conf << "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
                 << "anon_root=" << root_ << "\n"
                 << "anon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
                 << "anon_other_write_enable=YES\nanon_umask=022\n";
        }
        if (tls_ != Tls::None) {
            // As strict as vsftpd gets: no login and no data in clear, and every data
            // connection must resume the control connection's TLS session.
            conf << "ssl_enable=YES\nrsa_cert_file=" << certificateFile() << "\n"
                 << "rsa_private_key_file=" << work_ << "/key.pem\n"
                 << "force_local_logins_ssl=YES\nforce_local_data_ssl=YES\n"
                 << "force_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                 << "allow_anon_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
                 << "implicit_ssl=" << (tls_ == Tls::Implicit ? "YES" : "NO") << "\n";
        }
        conf.close();
        if (!spawn({"/usr/sbin/vsftpd", work_ + "/vsftpd.conf"})) return false;
        // A port taken between our probe and the daemon's bind ends the daemon at once.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            continue;
        }
        return waitUntilLoginWorks();
    }
    return fail("could not bind a loopback port in five attempts");
}

void RealFtpServer::ownByLogin(const std::string& path) const {
    if (uid_ == static_cast<uid_t>(-1)) return;
    std::error_code ec;
    if (::lchown(path.c_str(), uid_, gid_) != 0) return;
    if (fs::is_directory(path, ec) && !fs::is_symlink(path, ec))
        for (const auto& entry : fs::recursive_directory_iterator(path, ec))
            if (::lchown(entry.path().c_str(), uid_, gid_) != 0) return;
}

std::unique_ptr<RealFtpServer> makeRealServer(const std::string& kind, RealFtpServer::Login login) {
    if (kind == "vsftpd") return std::make_unique<VsftpdServer>(login);
    return std::make_unique<PyftpdlibServer>(login);
}

}  // namespace testsupport
