#include "scriptedftpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace testsupport {
namespace {

void sendBytes(int socket, const char* data, std::size_t n) {
    while (n > 0) {
        ssize_t sent = ::send(socket, data, n, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return;
        data += sent;
        n -= static_cast<std::size_t>(sent);
    }
}

bool matches(const std::string& expect, const std::string& line) {
    if (expect.empty()) return true;
    if (expect.back() == '*') return line.compare(0, expect.size() - 1, expect, 0, expect.size() - 1) == 0;
    return expect == line;
}

}  // namespace

void ControlConnection::send(const std::string& text, Delivery delivery) {
    server.deliver(socket, text, delivery);
}

void ControlConnection::closeNow() { ::shutdown(socket, SHUT_RDWR); }

ScriptedFtpServer::ScriptedFtpServer() {
    listenSocket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenSocket_ < 0) throw std::runtime_error("scripted server: socket() failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listenSocket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenSocket_, 4) != 0 ||
        ::getsockname(listenSocket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("scripted server: cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
}

ScriptedFtpServer::~ScriptedFtpServer() {
    stopping_ = true;
    ::shutdown(listenSocket_, SHUT_RDWR);
    int current = currentSocket_.load();
    if (current >= 0) ::shutdown(current, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::close(listenSocket_);
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
                                                  const std::string& systReply) {
    expect("USER " + user, "331 Password required.\r\n");
    expect("PASS *", "230 Logged in.\r\n");
    return expect("SYST", systReply);
}

void ScriptedFtpServer::start() { thread_ = std::thread([this] { run(); }); }

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
            sendBytes(socket, text.data(), text.size());
            break;
        case Delivery::ByteByByte:
        case Delivery::SlowBytes:
            for (char c : text) {
                sendBytes(socket, &c, 1);
                if (delivery == Delivery::SlowBytes) std::this_thread::sleep_for(slowByteDelay_);
            }
            break;
        case Delivery::CloseMidway:
            sendBytes(socket, text.data(), text.size() / 2);
            ::shutdown(socket, SHUT_RDWR);
            break;
        case Delivery::CloseAfter:
            sendBytes(socket, text.data(), text.size());
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
        ssize_t got = ::recv(socket, &c, 1, 0);
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
