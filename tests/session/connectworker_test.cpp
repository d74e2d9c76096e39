// The connect worker without a window: the commands of each connect sequence against the
// scripted server, the message it ends with, and what the window is told.
#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <utility>

#include "connectworker.h"
#include "ftpsession.h"
#include "scriptedftpserver.h"
#include "scriptedprompts.h"

using Commands = std::vector<std::string>;

namespace {

// Where the window's first listing runs in the expected commands.
constexpr const char* kListing = "(first listing)";

// The window's side, run on the worker's thread: records what the window would show.
class RecordingHost : public session::ConnectHost,
                      public platform::UiThread,
                      public ftp::StatusSink {
public:
    // Also notes status pane 0 when each message is asked.
    class Prompts : public testsupport::ScriptedPrompts {
    public:
        explicit Prompts(const std::string& pane0) : pane0_(pane0) {}
        platform::Answer ask(const platform::Message& message) override {
            statusWhenAsked.push_back(pane0_);
            return ScriptedPrompts::ask(message);
        }
        Commands statusWhenAsked;

    private:
        const std::string& pane0_;
    };

    RecordingHost(session::ServerProfile profile, const testsupport::ScriptedFtpServer& server)
        : profile_(std::move(profile)), server_(server) {}

    bool runAndWait(const std::function<void()>& work) override {
        std::lock_guard lock(mutex_);
        work();
        return true;
    }
    void post(std::function<void()> work) override { runAndWait(work); }
    bool selectProfileForConnect(session::ServerProfile& profile, std::string&) override {
        profile = profile_;
        return true;
    }
    void openOptionsSheet() override {}
    platform::Prompts& prompts() override { return prompts_; }
    void setProfileControlsEnabled(bool) override {}
    void setStatusText(int pane, const std::string& text) override {
        std::lock_guard lock(mutex_);
        if (pane == 0) pane0 = text;
    }
    ftp::StatusSink* statusSink() override { return this; }
    void setStatusMessage(int pane, int id, const std::vector<platform::MessageArg>&) override {
        setStatusText(pane, "message " + std::to_string(id));
    }
    void setConnectionIcon(int state) override { icon = state; }
    void adoptSession(std::unique_ptr<ftp::FtpSession> session) override {
        session_ = std::move(session);
    }
    void dropSession() override { session_.reset(); }
    void setHomeDirectory(const std::string&) override {}
    bool remoteReady() override {
        listingAfter = server_.commands().size();
        return true;
    }
    void connectFinished(bool connected) override { finished = connected; }

    bool holdsSession() const { return session_ != nullptr; }

    std::recursive_mutex mutex_;
    std::string pane0;
    Prompts prompts_{pane0};
    int icon = -1;
    std::optional<std::size_t> listingAfter;
    std::optional<bool> finished;

private:
    session::ServerProfile profile_;
    const testsupport::ScriptedFtpServer& server_;
    std::unique_ptr<ftp::FtpSession> session_;
};

struct Row {
    const char* what;
    bool throughFirewall;
    const char* password;          // "" asks for it
    const char* typed;             // the answer to that question; null cancels
    const char* initialDirectory;  // "" for the server's home
    // Lines of "command|reply"; kListing marks where the window lists the directory.
    std::string script;
    std::string message;  // "id argument" of the one message asked, or ""
    bool connected;
    int encryption = session::kPlainFtp;
};

void expectRow(const Row& row) {
    testsupport::ScriptedFtpServer server;
    Commands expected;
    std::size_t start = 0;
    for (std::size_t end; (end = row.script.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string step = row.script.substr(start, end - start);
        const std::size_t bar = step.find('|');
        expected.push_back(step.substr(0, bar));
        // A lone CR in a reply ends a line of a multi-line reply.
        std::string reply;
        for (char c : step.substr(bar + 1))
            reply += c == '\r' ? std::string("\r\n") : std::string(1, c);
        if (expected.back() != kListing) server.expect(expected.back(), reply + "\r\n");
    }
    server.start();
    session::ServerProfile profile;
    profile.host = row.throughFirewall ? "ftp.example.org" : "127.0.0.1";
    profile.port = server.port();
    profile.user = "alice";
    profile.password = row.password;
    profile.useFirewall = row.throughFirewall;
    profile.firewallHost = "127.0.0.1";
    profile.firewallUser = "fwuser";
    profile.firewallPassword = "fwpw";
    profile.initialDirMode = *row.initialDirectory ? 2 : 0;
    profile.initialRemoteDir = row.initialDirectory;
    profile.encryption = row.encryption;
    RecordingHost host(profile, server);
    if (!*row.password)
        host.prompts_.password(row.typed ? std::optional<std::string>(row.typed) : std::nullopt);

    session::ConnectWorker worker(host, host);
    worker.setFirewallPort(server.port());
    worker.start();
    worker.join();
    if (!row.connected) {
        EXPECT_TRUE(server.waitForDisconnect()) << row.what;
    }

    Commands commands = server.commands();
    if (host.listingAfter) commands.insert(commands.begin() + *host.listingAfter, kListing);
    EXPECT_EQ(commands, expected) << row.what;
    std::string message;
    for (const platform::Message& asked : host.prompts_.asked())
        message += std::to_string(asked.id) + " " + std::get<std::string>(asked.args.at(0));
    EXPECT_EQ(message, row.message) << row.what;
    EXPECT_EQ(host.prompts_.passwordHosts(), *row.password ? Commands{} : Commands{profile.host})
        << row.what;
    EXPECT_EQ(worker.result(), row.connected ? 1 : 0) << row.what;
    EXPECT_EQ(host.finished, row.connected) << row.what;
    EXPECT_EQ(host.holdsSession(), row.connected) << row.what;
    EXPECT_EQ(host.icon, row.connected ? 2 : 0) << row.what;
    if (!row.connected) {
        // The server's last words must not stand beside the message or after it.
        EXPECT_EQ(host.pane0, "") << row.what;
        for (const std::string& shown : host.prompts_.statusWhenAsked)
            EXPECT_EQ(shown, "") << row.what;
    }
}

TEST(ConnectWorker, SequencesAndTheirMessages) {
    const std::string user = "USER alice|331 Password\n", syst = "SYST|215 UNIX\n",
                      feat = "FEAT|500 Unknown\n", login = user + "PASS pw|230 In\n" + syst,
                      quit = "QUIT|221 Bye\n", home = "PWD|257 \"/home/alice\"\n",
                      idle = "site IDLE 7200|200 OK\n", listing = std::string(kListing) + "|\n",
                      firewall = "USER fwuser|331 Firewall password\nPASS fwpw|230 Firewall ok\n" +
                                 syst + "SITE ftp.example.org|220 Relaying\n" + user;
    const Row rows[] = {
        // Direct: the connection is kept for two hours before the first listing.
        {"direct", false, "pw", "", "", login + feat + home + idle + listing, "", true},
        {"typed password", false, "", "typed secret", "",
         user + "PASS typed secret|230 In\n" + syst + feat + home + idle + listing, "", true},
        // UTF8 offered: asked for; a refusal changes nothing.
        {"FEAT offers UTF8", false, "pw", "", "",
         login + "FEAT|211-Features:\r UTF8\r MLST type*;size*;\r211 End\n" +
             "OPTS UTF8 ON|501 No\n" + home + idle + listing,
         "", true},
        {"FEAT without UTF8", false, "pw", "", "",
         login + "FEAT|211-Features:\r EPSV\r211 End\n" + home + idle + listing, "", true},
        {"FEAT answered without a code", false, "pw", "", "", login + "FEAT|\n" + quit,
         "1200 127.0.0.1", false},
        {"cancelled password", false, "", nullptr, "", quit, "", false},
        {"initial directory", false, "pw", "", "/srv/www",
         login + feat + home + "CWD /srv/www|250 OK\n" + idle + listing, "", true},
        {"initial directory refused: still connected", false, "pw", "", "/gone",
         login + feat + home + "CWD /gone|550 No such directory\n" + idle + listing, "1260 /gone",
         true},
        {"refused password", false, "pw", "", "",
         user + "PASS pw|530 Login incorrect\n" + syst + quit, "1205 127.0.0.1", false},
        {"refused user", false, "pw", "", "", "USER alice|500 No such user\n" + quit,
         "1200 127.0.0.1", false},
        {"busy at the password", false, "pw", "", "", user + "PASS pw|421 Busy\n" + syst + quit,
         "1200 127.0.0.1", false},
        // Through the firewall the first listing comes before the two hours are asked for.
        {"firewall", true, "pw", "", "",
         firewall + "PASS pw|230 In\n" + syst + feat + home + listing + idle, "", true},
        {"firewall refuses its user", true, "pw", "", "", "USER fwuser|530 No\n" + quit,
         "1203 127.0.0.1", false},
        {"server busy behind the firewall", true, "pw", "", "",
         firewall + "PASS pw|421 Too many\n" + syst + quit, "1204 ftp.example.org", false},
        {"login refused behind the firewall", true, "pw", "", "",
         firewall + "PASS pw|530 Denied\n" + syst + quit, "1205 ftp.example.org", false},
        {"other refusal behind the firewall", true, "pw", "", "",
         firewall + "PASS pw|500 What\n" + syst + quit, "1200 ftp.example.org", false},
        // TLS asked for and refused: never a USER in clear, unless it was optional.
        {"TLS required, AUTH TLS refused", false, "pw", "", "",
         "AUTH TLS|502 Not implemented\n" + quit, "1321 127.0.0.1", false,
         session::kRequireExplicitTls},
        {"TLS if available, AUTH TLS not offered: plain", false, "pw", "", "",
         "AUTH TLS|502 Not implemented\n" + login + feat + home + idle + listing, "", true,
         session::kExplicitTlsIfAvailable},
        {"TLS if available, AUTH TLS refused for a reason", false, "pw", "", "",
         "AUTH TLS|534 Not for you\n" + quit, "1321 127.0.0.1", false,
         session::kExplicitTlsIfAvailable},
        {"TLS required, the firewall refuses it", true, "pw", "", "",
         "AUTH TLS|504 Unknown\n" + quit, "1321 127.0.0.1", false, session::kRequireExplicitTls},
    };
    for (const Row& row : rows)
        expectRow(row);
}

}  // namespace
