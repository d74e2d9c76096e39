#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// How a scripted reply reaches the client.
enum class Delivery {
    Whole,        // one send()
    ByteByByte,   // one send() per byte, no delay
    SlowBytes,    // one send() per byte with a pause between bytes
    CloseMidway,  // the first half of the text, then the connection is closed
    CloseAfter,   // the whole text, then the connection is closed
};

class ScriptedFtpServer;

// One accepted control connection, handed to step actions so that a test can do more
// than reply (open data connections, close, send unsolicited text).
struct ControlConnection {
    ScriptedFtpServer& server;
    int socket = -1;
    std::string command;  // the command line that triggered the step, without CR LF
    void send(const std::string& text, Delivery delivery = Delivery::Whole);
    void closeNow();
};

// A scripted FTP server on 127.0.0.1 with an ephemeral port, on a thread of its own.
// Each step expects one command and answers with its reply text (whole lines, CR LF
// included). It records every command line it receives, so tests can assert the exact
// dialogue. Unscripted commands are answered "500" and recorded as mismatches; a QUIT
// past the end of the script is answered "221" without being a mismatch.
class ScriptedFtpServer {
public:
    using Action = std::function<void(ControlConnection&)>;

    struct Step {
        std::string expect;  // exact line, "PREFIX*" for a prefix, or "" for any line
        std::string reply;
        Delivery delivery = Delivery::Whole;
        Action action;  // runs after the reply is sent
    };

    ScriptedFtpServer();
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    // The greeting sent on every new connection ("" sends nothing).
    void setWelcome(std::string text, Delivery delivery = Delivery::Whole);
    void setSlowByteDelay(std::chrono::milliseconds delay) { slowByteDelay_ = delay; }

    ScriptedFtpServer& expect(std::string command, std::string reply,
                              Delivery delivery = Delivery::Whole, Action action = {});
    // Shorthand for the usual anonymous-style login: USER, PASS, SYST.
    ScriptedFtpServer& expectLogin(const std::string& user, const std::string& systReply =
                                                                "215 UNIX Type: L8\r\n");

    // Starts the server thread; the script must be complete before.
    void start();
    int port() const { return port_; }

    std::vector<std::string> commands() const;
    std::vector<std::string> mismatches() const;
    std::size_t connectionsAccepted() const { return accepted_.load(); }
    bool scriptDone() const;

    // Waits until the client has closed its control connection (or the timeout).
    bool waitForDisconnect(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    friend struct ControlConnection;
    void run();
    void serve(int socket);
    void deliver(int socket, const std::string& text, Delivery delivery);
    bool readLine(int socket, std::string& line);

    int listenSocket_ = -1;
    int port_ = 0;
    std::string welcome_ = "220 Scripted server ready.\r\n";
    Delivery welcomeDelivery_ = Delivery::Whole;
    std::chrono::milliseconds slowByteDelay_{5};
    std::vector<Step> steps_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> commands_;
    std::vector<std::string> mismatches_;
    std::size_t nextStep_ = 0;
    bool clientConnected_ = false;
    bool closedByServer_ = false;
    std::atomic<std::size_t> accepted_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<int> currentSocket_{-1};
    std::thread thread_;
};

}  // namespace testsupport
