#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace testsupport {

// How a scripted reply reaches the client.
enum class Delivery {
    Whole,        // one send()
    ByteByByte,   // one send() per byte, no delay
    SlowBytes,    // one send() per byte with a pause between bytes
    CloseMidway,  // the first half of the text, then the connection is closed
    CloseAfter,   // the whole text, then the connection is closed
};

// How data reaches the client on a data connection.
enum class DataDelivery {
    Whole,        // as fast as the connection takes it
    SmallPieces,  // pieces of a few bytes, each sent on its own
    Slow,         // small pieces with a pause between them
    CloseMidway,  // the first half, then the data connection is closed (receiving: after
                  // the first 64 KiB, unread data left behind)
    StallMidway,  // the first half, then nothing until the client gives up and closes
};

class ScriptedFtpServer;

// A command that moves data: the preliminary reply, the data connection, the final
// reply. Empty texts are not sent.
struct DataStep {
    std::string preliminary = "150 Opening data connection.\r\n";
    std::string data;  // what the server sends (sendData steps)
    DataDelivery delivery = DataDelivery::Whole;
    std::string final = "226 Transfer complete.\r\n";
    Delivery finalDelivery = Delivery::Whole;
    bool connect = true;  // false: the data connection is never opened
    // With protected data: the server reads the client's first TLS bytes and closes.
    bool cutHandshake = false;
    std::chrono::milliseconds finalDelay{0};
};

// One accepted control connection, handed to step actions so that a test can do more
// than reply (open data connections, close, send unsolicited text).
struct ControlConnection {
    ScriptedFtpServer& server;
    int socket = -1;
    std::string command;  // the command line that triggered the step, without CR LF
    void send(const std::string& text, Delivery delivery = Delivery::Whole);
    void closeNow();

    // The data connection of the last PASV or EPSV (accepts on its listener) or PORT or
    // EPRT (connects to the loopback address it named). False when neither works within
    // 10 s.
    bool openData();
    void sendData(const std::string& bytes, DataDelivery delivery = DataDelivery::Whole);
    std::string receiveData(std::size_t limit = std::string::npos);  // until the client closes
    void closeData();
    // Reads the client's first TLS bytes on the data connection and closes it.
    void cutDataHandshake();
};

// A scripted FTP server on 127.0.0.1 (or ::1 when made for AF_INET6) with an ephemeral port, on a
// thread of its own. Each step expects one command and answers with its reply text (whole lines, CR
// LF included). It records every command line it receives, so tests can assert the exact dialogue.
// Unscripted commands are answered "500" and recorded as mismatches; a QUIT past the end of the
// script is answered "221" without being a mismatch.
class ScriptedFtpServer {
public:
    using Action = std::function<void(ControlConnection&)>;

    struct Step {
        std::string expect;  // exact line, "PREFIX*" for a prefix, or "" for any line
        std::string reply;
        Delivery delivery = Delivery::Whole;
        Action action;  // runs after the reply is sent
    };

    explicit ScriptedFtpServer(int family = AF_INET);
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    // The greeting sent on every new connection ("" sends nothing).
    void setWelcome(std::string text, Delivery delivery = Delivery::Whole);
    void setSlowByteDelay(std::chrono::milliseconds delay) { slowByteDelay_ = delay; }

    ScriptedFtpServer& expect(std::string command, std::string reply,
                              Delivery delivery = Delivery::Whole, Action action = {});
    // Shorthand for the usual login as the connect worker makes it: USER, PASS, SYST,
    // FEAT (refused unless told otherwise: the server offers nothing).
    ScriptedFtpServer& expectLogin(const std::string& user,
                                   const std::string& systReply = "215 UNIX Type: L8\r\n",
                                   const std::string& featReply = "500 Unknown command.\r\n");

    // Answers PASV with 227 naming a new listener on 127.0.0.1.
    ScriptedFtpServer& expectPasv();
    // Answers PORT with 200 and remembers the address when it is loopback; any other
    // address is answered 500 and never connected to.
    ScriptedFtpServer& expectPort();
    // Answers EPSV with 229 naming a new listener on the server's own loopback address.
    ScriptedFtpServer& expectEpsv();
    // As expectPort, for "EPRT |1|127.0.0.1|port|" and "EPRT |2|::1|port|".
    ScriptedFtpServer& expectEprt();

    // Data steps, see DataStep. The server sends step.data (a listing, a file).
    ScriptedFtpServer& expectSendData(std::string command, DataStep step);
    // The server receives until the client closes; received() holds what came.
    ScriptedFtpServer& expectReceiveData(std::string command, DataStep step = {});
    std::vector<std::string> received() const;
    void setDataPiece(std::size_t bytes, std::chrono::milliseconds pause) {
        dataPiece_ = bytes;
        dataPause_ = pause;
    }

    // Starts the server thread; the script must be complete before.
    void start();
    int port() const { return port_; }
    int family() const { return family_; }

    std::vector<std::string> commands() const;
    std::vector<std::string> mismatches() const;
    std::size_t connectionsAccepted() const { return accepted_.load(); }
    bool scriptDone() const;

    // TLS with this certificate and key (PEM files): expectAuthTls() answers 234 and makes
    // the handshake; expectProtection() answers PBSZ and PROT P, after which every data
    // connection is TLS too (resumed sessions accepted).
    void setTlsCertificate(const std::string& certFile, const std::string& keyFile);
    ScriptedFtpServer& expectAuthTls();
    ScriptedFtpServer& expectProtection();

    // Waits until the client has closed its control connection (or the timeout).
    bool waitForDisconnect(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    friend struct ControlConnection;
    void run();
    void serve(int socket);
    void deliver(int socket, const std::string& text, Delivery delivery);
    bool readLine(int socket, std::string& line);
    // Bytes on a socket, through TLS where it is up.
    bool put(int socket, const char* data, std::size_t n);
    ssize_t get(int socket, char* buffer, std::size_t n);
    SSL* tlsOf(int socket) const;

    void runDataStep(ControlConnection& connection, const DataStep& step, bool sending);
    // A new passive listener on the loopback address of family; its port, 0 on failure.
    int listenForData(int family);
    void activate(const sockaddr_storage& target);

    int family_ = AF_INET;
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

    // Data connections; used by the server thread, shut down by the destructor.
    std::atomic<int> passiveListener_{-1};
    std::atomic<int> dataSocket_{-1};
    sockaddr_storage activeTarget_{};
    bool activeMode_ = false;
    std::size_t dataPiece_ = 7;
    std::chrono::milliseconds dataPause_{1};
    std::vector<std::string> received_;  // guarded by mutex_

    // TLS; used by the server thread only.
    SSL_CTX* tlsContext_ = nullptr;
    SSL* controlTls_ = nullptr;
    SSL* dataTls_ = nullptr;
    bool protectData_ = false;
};

}  // namespace testsupport
