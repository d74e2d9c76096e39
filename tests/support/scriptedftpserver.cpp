#include "scriptedftpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace testsupport {
namespace {

bool sendBytes(int socket, const char* data, std::size_t n) {
    while (n > 0) {
        ssize_t sent = ::send(socket, data, n, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        n -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool matches(const std::string& expect, const std::string& line) {
    if (expect.empty()) return true;
    if (expect.back() == '*')
        return line.compare(0, expect.size() - 1, expect, 0, expect.size() - 1) == 0;
    return expect == line;
}

constexpr int kDataWaitMs = 10000;

// Waits for one event, in short slices so that a stopping server never hangs here.
bool waitFor(int fd, short events, const std::atomic<bool>& stopping) {
    for (int waited = 0; waited < kDataWaitMs && !stopping; waited += 100) {
        pollfd pfd{fd, events, 0};
        int r = ::poll(&pfd, 1, 100);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
    return false;
}

void closeAtomic(std::atomic<int>& fd) {
    int old = fd.exchange(-1);
    if (old >= 0) ::close(old);
}

// A socket listening on the loopback address of family, any port; -1 on failure.
int listenOnLoopback(int family, int backlog, int& port) {
    sockaddr_storage address{};
    address.ss_family = static_cast<sa_family_t>(family);
    socklen_t length = sizeof(sockaddr_in6);
    if (family == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&address)->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof(sockaddr_in);
    } else {
        reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr = in6addr_loopback;
    }
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                   : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return fd;
}

// "EPRT |1|127.0.0.1|port|" or "EPRT |2|::1|port|" naming a loopback address.
bool readLoopbackEprt(const std::string& command, sockaddr_storage& target) {
    char protocol = 0, text[64] = {}, end = 0;
    unsigned port = 0;
    if (std::sscanf(command.c_str(), "EPRT |%c|%63[^|]|%u|%c", &protocol, text, &port, &end) != 3 ||
        port == 0 || port > 65535)
        return false;
    target = {};
    if (protocol == '1') {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&target);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        return ::inet_pton(AF_INET, text, &v4->sin_addr) == 1 &&
               (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&target);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    return protocol == '2' && ::inet_pton(AF_INET6, text, &v6->sin6_addr) == 1 &&
           IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr);
}

}  // namespace

void ControlConnection::send(const std::string& text, Delivery delivery) {
    server.deliver(socket, text, delivery);
}

void ControlConnection::closeNow() {
    ::shutdown(socket, SHUT_RDWR);
}

bool ControlConnection::openData() {
    closeData();
    int fd = -1;
    if (!server.activeMode_) {
        const int listener = server.passiveListener_.load();
        if (listener < 0 || !waitFor(listener, POLLIN, server.stopping_)) return false;
        fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        closeAtomic(server.passiveListener_);  // one connection per PASV, as servers do
    } else {
        const sockaddr_storage& target = server.activeTarget_;
        fd = ::socket(target.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const socklen_t length =
            target.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&target), length) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) return false;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    server.dataSocket_ = fd;
    if (!server.protectData_) return true;
    SSL* ssl = SSL_new(server.tlsContext_);
    SSL_set_fd(ssl, fd);
    server.dataTls_ = ssl;
    if (SSL_accept(ssl) == 1) return true;
    closeData();
    return false;
}

void ControlConnection::cutDataHandshake() {
    const int fd = server.dataSocket_.load();
    char hello[64];
    if (fd >= 0 && waitFor(fd, POLLIN, server.stopping_)) ::recv(fd, hello, sizeof hello, 0);
    closeData();
}

void ControlConnection::sendData(const std::string& bytes, DataDelivery delivery) {
    const int fd = server.dataSocket_.load();
    if (fd < 0) return;
    auto sendBytes = [this](int socket, const char* data, std::size_t n) {
        return server.put(socket, data, n);
    };
    switch (delivery) {
        case DataDelivery::Whole:
            sendBytes(fd, bytes.data(), bytes.size());
            break;
        case DataDelivery::SmallPieces:
        case DataDelivery::Slow:
            for (std::size_t at = 0; at < bytes.size() && !server.stopping_;
                 at += server.dataPiece_) {
                sendBytes(fd, bytes.data() + at, std::min(server.dataPiece_, bytes.size() - at));
                if (delivery == DataDelivery::Slow) std::this_thread::sleep_for(server.dataPause_);
            }
            break;
        case DataDelivery::CloseMidway:
            sendBytes(fd, bytes.data(), bytes.size() / 2);
            closeData();
            break;
        case DataDelivery::StallMidway: {
            sendBytes(fd, bytes.data(), bytes.size() / 2);
            char byte;
            while (waitFor(fd, POLLIN, server.stopping_) && server.get(fd, &byte, 1) > 0) {
            }
            break;
        }
    }
}

std::string ControlConnection::receiveData(std::size_t limit) {
    std::string bytes;
    const int fd = server.dataSocket_.load();
    if (fd < 0) return bytes;
    char buffer[65536];
    while (bytes.size() < limit && waitFor(fd, POLLIN, server.stopping_)) {
        ssize_t got = server.get(fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

void ControlConnection::closeData() {
    if (SSL* ssl = std::exchange(server.dataTls_, nullptr)) {
        SSL_shutdown(ssl);
        SSL_free(ssl);
    }
    closeAtomic(server.dataSocket_);
}

ScriptedFtpServer::ScriptedFtpServer(int family) : family_(family) {
    listenSocket_ = listenOnLoopback(family, 4, port_);
    if (listenSocket_ < 0) throw std::runtime_error("scripted server: cannot listen on loopback");
}

ScriptedFtpServer::~ScriptedFtpServer() {
    stopping_ = true;
    ::shutdown(listenSocket_, SHUT_RDWR);
    for (const auto* fd : {&passiveListener_, &dataSocket_})
        if (int open = fd->load(); open >= 0) ::shutdown(open, SHUT_RDWR);
    int current = currentSocket_.load();
    if (current >= 0) ::shutdown(current, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::close(listenSocket_);
    closeAtomic(passiveListener_);
    closeAtomic(dataSocket_);
    SSL_free(dataTls_);
    SSL_free(controlTls_);
    SSL_CTX_free(tlsContext_);
}

void ScriptedFtpServer::setTlsCertificate(const std::string& certFile, const std::string& keyFile) {
    tlsContext_ = SSL_CTX_new(TLS_server_method());
    if (!tlsContext_ || SSL_CTX_use_certificate_chain_file(tlsContext_, certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(tlsContext_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("scripted server: cannot load " + certFile);
    static const unsigned char context[] = "scripted";
    SSL_CTX_set_session_id_context(tlsContext_, context, sizeof context - 1);
}

ScriptedFtpServer& ScriptedFtpServer::expectAuthTls() {
    return expect("AUTH TLS", "234 Proceed with negotiation.\r\n", Delivery::Whole,
                  [](ControlConnection& c) {
                      ScriptedFtpServer& server = c.server;
                      SSL* ssl = SSL_new(server.tlsContext_);
                      SSL_set_fd(ssl, c.socket);
                      if (SSL_accept(ssl) == 1) {
                          server.controlTls_ = ssl;
                      } else {
                          SSL_free(ssl);
                          c.closeNow();
                      }
                  });
}

ScriptedFtpServer& ScriptedFtpServer::expectProtection() {
    expect("PBSZ 0", "200 PBSZ=0\r\n");
    return expect("PROT P", "200 Protection level set to P\r\n", Delivery::Whole,
                  [](ControlConnection& c) { c.server.protectData_ = true; });
}

SSL* ScriptedFtpServer::tlsOf(int socket) const {
    if (controlTls_ && socket == currentSocket_.load()) return controlTls_;
    if (dataTls_ && socket == dataSocket_.load()) return dataTls_;
    return nullptr;
}

bool ScriptedFtpServer::put(int socket, const char* data, std::size_t n) {
    SSL* ssl = tlsOf(socket);
    if (!ssl) return sendBytes(socket, data, n);
    return n == 0 || SSL_write(ssl, data, static_cast<int>(n)) == static_cast<int>(n);
}

ssize_t ScriptedFtpServer::get(int socket, char* buffer, std::size_t n) {
    SSL* ssl = tlsOf(socket);
    if (!ssl) return ::recv(socket, buffer, n, 0);
    const int got = SSL_read(ssl, buffer, static_cast<int>(n));
    return got > 0 ? got : (SSL_get_error(ssl, got) == SSL_ERROR_ZERO_RETURN ? 0 : -1);
}

void ScriptedFtpServer::setWelcome(std::string text, Delivery delivery) {
    welcome_ = std::move(text);
    welcomeDelivery_ = delivery;
}

ScriptedFtpServer& ScriptedFtpServer::expect(std::string command, std::string reply,
                                             Delivery delivery, Action action) {
    steps_.push_back({std::move(command), std::move(reply), delivery, std::move(action)});
    return *this;
}

ScriptedFtpServer& ScriptedFtpServer::expectLogin(const std::string& user,
                                                  const std::string& systReply,
                                                  const std::string& featReply) {
    expect("USER " + user, "331 Password required.\r\n");
    expect("PASS *", "230 Logged in.\r\n");
    expect("SYST", systReply);
    return expect("FEAT", featReply);
}

int ScriptedFtpServer::listenForData(int family) {
    closeAtomic(passiveListener_);
    activeMode_ = false;
    int port = 0;
    passiveListener_ = listenOnLoopback(family, 1, port);
    return passiveListener_.load() >= 0 ? port : 0;
}

void ScriptedFtpServer::activate(const sockaddr_storage& target) {
    activeTarget_ = target;
    activeMode_ = true;
    closeAtomic(passiveListener_);
}

ScriptedFtpServer& ScriptedFtpServer::expectPasv() {
    return expect("PASV", "", Delivery::Whole, [](ControlConnection& c) {
        const unsigned port = static_cast<unsigned>(c.server.listenForData(AF_INET));
        if (port == 0) return c.send("425 Cannot listen.\r\n");
        c.send("227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) + "," +
               std::to_string(port & 0xFF) + ").\r\n");
    });
}

ScriptedFtpServer& ScriptedFtpServer::expectEpsv() {
    return expect("EPSV", "", Delivery::Whole, [](ControlConnection& c) {
        const int port = c.server.listenForData(c.server.family_);
        if (port == 0) return c.send("425 Cannot listen.\r\n");
        c.send("229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)\r\n");
    });
}

ScriptedFtpServer& ScriptedFtpServer::expectEprt() {
    return expect("EPRT *", "", Delivery::Whole, [](ControlConnection& c) {
        sockaddr_storage target{};
        if (!readLoopbackEprt(c.command, target))
            return c.send("500 Tests connect to loopback only.\r\n");
        c.server.activate(target);
        c.send("200 EPRT command successful.\r\n");
    });
}

ScriptedFtpServer& ScriptedFtpServer::expectPort() {
    return expect("PORT *", "", Delivery::Whole, [](ControlConnection& c) {
        unsigned h[4], p[2];
        char end = 0;
        if (std::sscanf(c.command.c_str(), "PORT %u,%u,%u,%u,%u,%u%c", &h[0], &h[1], &h[2], &h[3],
                        &p[0], &p[1], &end) != 6 ||
            h[0] != 127 || h[1] > 255 || h[2] > 255 || h[3] > 255 || p[0] > 255 || p[1] > 255) {
            c.send("500 Tests connect to loopback only.\r\n");
            return;
        }
        sockaddr_storage target{};
        auto* v4 = reinterpret_cast<sockaddr_in*>(&target);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl((h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3]);
        v4->sin_port = htons(static_cast<std::uint16_t>(p[0] * 256 + p[1]));
        c.server.activate(target);
        c.send("200 PORT command successful.\r\n");
    });
}

void ScriptedFtpServer::runDataStep(ControlConnection& c, const DataStep& step, bool sending) {
    if (!step.preliminary.empty()) c.send(step.preliminary);
    if (step.connect && step.cutHandshake) {
        protectData_ = false;  // the connection is taken plainly and cut
        if (c.openData()) c.cutDataHandshake();
        protectData_ = true;
    } else if (step.connect && c.openData()) {
        if (sending) {
            c.sendData(step.data, step.delivery);
        } else {
            std::string bytes = c.receiveData(
                step.delivery == DataDelivery::CloseMidway ? 65536 : std::string::npos);
            std::lock_guard lock(mutex_);
            received_.push_back(std::move(bytes));
        }
        c.closeData();
    }
    if (step.finalDelay.count() > 0) std::this_thread::sleep_for(step.finalDelay);
    if (!step.final.empty() || step.finalDelivery != Delivery::Whole)
        c.send(step.final, step.finalDelivery);
}

ScriptedFtpServer& ScriptedFtpServer::expectSendData(std::string command, DataStep step) {
    return expect(std::move(command), "", Delivery::Whole,
                  [this, step](ControlConnection& c) { runDataStep(c, step, true); });
}

ScriptedFtpServer& ScriptedFtpServer::expectReceiveData(std::string command, DataStep step) {
    return expect(std::move(command), "", Delivery::Whole,
                  [this, step](ControlConnection& c) { runDataStep(c, step, false); });
}

std::vector<std::string> ScriptedFtpServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void ScriptedFtpServer::start() {
    thread_ = std::thread([this] { run(); });
}

std::vector<std::string> ScriptedFtpServer::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<std::string> ScriptedFtpServer::mismatches() const {
    std::lock_guard lock(mutex_);
    return mismatches_;
}

bool ScriptedFtpServer::scriptDone() const {
    std::lock_guard lock(mutex_);
    return nextStep_ == steps_.size();
}

bool ScriptedFtpServer::waitForDisconnect(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !clientConnected_ && accepted_ > 0; });
}

void ScriptedFtpServer::run() {
    // TLS writes go through write(), without MSG_NOSIGNAL: a client that has gone must not
    // end the test program.
    sigset_t pipe;
    ::sigemptyset(&pipe);
    ::sigaddset(&pipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    while (!stopping_) {
        int socket = ::accept4(listenSocket_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR) continue;
            return;
        }
        int one = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        {
            std::lock_guard lock(mutex_);
            clientConnected_ = true;
            closedByServer_ = false;
        }
        currentSocket_ = socket;
        ++accepted_;
        serve(socket);
        if (SSL* ssl = std::exchange(controlTls_, nullptr)) SSL_free(ssl);
        protectData_ = false;
        currentSocket_ = -1;
        ::close(socket);
        {
            std::lock_guard lock(mutex_);
            clientConnected_ = false;
        }
        changed_.notify_all();
    }
}

void ScriptedFtpServer::deliver(int socket, const std::string& text, Delivery delivery) {
    switch (delivery) {
        case Delivery::Whole:
            put(socket, text.data(), text.size());
            break;
        case Delivery::ByteByByte:
        case Delivery::SlowBytes:
            // A client that has gone, or a server that stops, ends the reply early.
            for (char c : text) {
                if (stopping_ || !put(socket, &c, 1)) break;
                if (delivery == Delivery::SlowBytes) std::this_thread::sleep_for(slowByteDelay_);
            }
            break;
        case Delivery::CloseMidway:
            put(socket, text.data(), text.size() / 2);
            ::shutdown(socket, SHUT_RDWR);
            break;
        case Delivery::CloseAfter:
            put(socket, text.data(), text.size());
            ::shutdown(socket, SHUT_RDWR);
            break;
    }
    if (delivery == Delivery::CloseMidway || delivery == Delivery::CloseAfter) {
        std::lock_guard lock(mutex_);
        closedByServer_ = true;
    }
}

bool ScriptedFtpServer::readLine(int socket, std::string& line) {
    line.clear();
    for (;;) {
        char c = 0;
        ssize_t got = get(socket, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line.push_back(c);
    }
}

void ScriptedFtpServer::serve(int socket) {
    if (!welcome_.empty()) deliver(socket, welcome_, welcomeDelivery_);
    std::string line;
    while (!stopping_) {
        {
            std::lock_guard lock(mutex_);
            if (closedByServer_) return;
        }
        if (!readLine(socket, line)) return;

        const Step* step = nullptr;
        {
            std::lock_guard lock(mutex_);
            commands_.push_back(line);
            if (nextStep_ < steps_.size() && matches(steps_[nextStep_].expect, line))
                step = &steps_[nextStep_++];
            else if (line != "QUIT")
                mismatches_.push_back(line);
        }
        changed_.notify_all();

        if (!step) {
            deliver(socket, line == "QUIT" ? "221 Goodbye.\r\n" : "500 Unexpected command.\r\n",
                    Delivery::Whole);
            continue;
        }
        deliver(socket, step->reply, step->delivery);
        if (step->action) {
            ControlConnection connection{*this, socket, line};
            step->action(connection);
        }
    }
}

}  // namespace testsupport
