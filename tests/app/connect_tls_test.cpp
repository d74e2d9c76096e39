// Connecting with encryption: what each choice of the profile does when the server
// refuses, cuts the handshake or shows a certificate that does not verify, what the user
// is asked, that no user ID or password is ever sent in clear when TLS was required, and
// that a certificate trusted always is remembered.
#include <QLabel>
#include <filesystem>
#include <functional>

#include "connecttestfixture.h"
#include "truststore.h"
#include "uitexts.h"

using platform::CertificateAnswer;
using testsupport::ControlConnection;
using testsupport::Delivery;
using testsupport::ScriptedFtpServer;
namespace fs = std::filesystem;

namespace {

struct Certificate {
    std::string cert, key;
};
// A certificate of its own for the name, made once per test program.
const Certificate& certificateFor(const std::string& name) {
    static std::map<std::string, Certificate> made;
    if (auto found = made.find(name); found != made.end()) return found->second;
    const fs::path folder =
        fs::temp_directory_path() / ("trandel-connect-tls-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    Certificate c{(folder / (name + ".crt")).string(), (folder / (name + ".key")).string()};
    EXPECT_TRUE(testsupport::makeSelfSignedCertificate(name, c.cert, c.key));
    return made[name] = c;
}

// The whole encrypted dialogue up to the first listing.
void secureLoginScript(ScriptedFtpServer& s) {
    s.expectAuthTls();
    s.expectLogin("alice");
    s.expectProtection();
    s.expect("PWD", "257 \"/home/alice\"\r\n");
    readyScript(s);
}

enum class Lock { Hidden, Encrypted, Unencrypted };

struct Row {
    const char* name;
    int encryption;
    const char* certifiedName;  // the server's certificate; null: no TLS on the server
    std::function<void(ScriptedFtpServer&)> script;
    std::optional<CertificateAnswer> answer;  // the certificate dialog's, when it is asked
    bool trustedBefore;  // another certificate was trusted always for this host and port
    std::vector<int> messages;
    std::vector<int> reasons;  // of the certificate dialog
    bool connected;
    Lock lock;
    bool remembered;  // the server's certificate is in the trust store afterwards
};

class ConnectTls : public ConnectTest, public ::testing::WithParamInterface<Row> {
protected:
    Lock shownLock() {
        auto* lock = window_->findChild<QLabel*>("lock");
        if (!lock || !lock->isVisible()) return Lock::Hidden;
        return lock->toolTip().startsWith(uitexts::message(1320, {std::string()}).left(4))
                   ? Lock::Encrypted
                   : Lock::Unencrypted;
    }
    static std::string trustFile() {
        return session::siteDatabaseFolder() + session::TrustStore::kFileName;
    }
};

TEST_P(ConnectTls, NoLoginInClearWhenTlsWasAsked) {
    const Row& row = GetParam();
    ScriptedFtpServer server;
    if (row.certifiedName) {
        const Certificate& c = certificateFor(row.certifiedName);
        server.setTlsCertificate(c.cert, c.key);
    }
    row.script(server);
    server.start();
    auto p = profile("secure", server.port());
    p.passiveMode = 1;
    p.encryption = row.encryption;
    save(p);
    if (row.trustedBefore) {
        session::TrustStore store(trustFile());
        const std::string other =
            testsupport::certificateFingerprint(certificateFor("other.example").cert);
        ASSERT_TRUE(store.remember("127.0.0.1", server.port(), other));
    }
    if (row.answer) prompts_.certificate(*row.answer);
    for (std::size_t i = 0; i < row.messages.size(); ++i)
        prompts_.answer(platform::Answer::Ok);
    openWindow("secure");

    ASSERT_TRUE(connect());
    EXPECT_EQ(prompts_.askedIds(), row.messages);
    const auto questions = prompts_.certificates();
    ASSERT_EQ(questions.size(), row.answer ? 1u : 0u);
    if (row.answer) {
        EXPECT_EQ(questions[0].reasons, row.reasons);
        EXPECT_EQ(questions[0].changed(), row.trustedBefore);
        EXPECT_EQ(questions[0].port, server.port());
    }
    const auto commands = server.commands();
    const bool userSent =
        std::any_of(commands.begin(), commands.end(),
                    [](const std::string& line) { return line.rfind("USER", 0) == 0; });
    EXPECT_EQ(userSent, row.connected);
    EXPECT_EQ(window_->ftpSession() != nullptr, row.connected);
    EXPECT_EQ(shownLock(), row.lock);
    if (row.certifiedName) {
        const std::string fingerprint =
            testsupport::certificateFingerprint(certificateFor(row.certifiedName).cert);
        EXPECT_EQ(session::TrustStore(trustFile()).check("127.0.0.1", server.port(), fingerprint) ==
                      session::TrustStore::Verdict::Trusted,
                  row.remembered);
    }
    if (row.remembered) {
        EXPECT_EQ(fs::status(trustFile()).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_TRUE(prompts_.unexpected().empty());
}

const auto kRefused = [](ScriptedFtpServer& s) { s.expect("AUTH TLS", "502 No.\r\n"); };
const auto kCut = [](ScriptedFtpServer& s) {
    s.expect("AUTH TLS", "234 Go ahead.\r\n", Delivery::Whole, [](ControlConnection& c) {
        char hello[64];
        ::recv(c.socket, hello, sizeof hello, 0);
        c.closeNow();
    });
};
const auto kHandshakeOnly = [](ScriptedFtpServer& s) { s.expectAuthTls(); };
const auto kPlainAfterRefusal = [](ScriptedFtpServer& s) {
    s.expect("AUTH TLS", "502 No.\r\n");
    loginScript(s);
    readyScript(s);
};
const auto kNothing = [](ScriptedFtpServer&) {};

using session::kExplicitTlsIfAvailable;
using session::kRequireExplicitTls;
using session::kRequireImplicitTls;

INSTANTIATE_TEST_SUITE_P(Rows, ConnectTls,
                         ::testing::Values(Row{"RequiredButRefused",
                                               kRequireExplicitTls,
                                               nullptr,
                                               kRefused,
                                               {},
                                               false,
                                               {1321},
                                               {},
                                               false,
                                               Lock::Hidden,
                                               false},
                                           Row{"OptionalAndRefused",
                                               kExplicitTlsIfAvailable,
                                               nullptr,
                                               kPlainAfterRefusal,
                                               {},
                                               false,
                                               {},
                                               {},
                                               true,
                                               Lock::Unencrypted,
                                               false},
                                           Row{"HandshakeCutMidway",
                                               kRequireExplicitTls,
                                               nullptr,
                                               kCut,
                                               {},
                                               false,
                                               {1322},
                                               {},
                                               false,
                                               Lock::Hidden,
                                               false},
                                           Row{"ImplicitAgainstAPlainServer",
                                               kRequireImplicitTls,
                                               nullptr,
                                               kNothing,
                                               {},
                                               false,
                                               {1322},
                                               {},
                                               false,
                                               Lock::Hidden,
                                               false},
                                           Row{"CertificateForAnotherName",
                                               kRequireExplicitTls,
                                               "other.example",
                                               kHandshakeOnly,
                                               CertificateAnswer::Cancel,
                                               false,
                                               {},
                                               {1337, 1340},
                                               false,
                                               Lock::Hidden,
                                               false},
                                           Row{"ChangedCertificateOfATrustedHost",
                                               kRequireExplicitTls,
                                               "127.0.0.1",
                                               kHandshakeOnly,
                                               CertificateAnswer::Cancel,
                                               true,
                                               {},
                                               {1337},
                                               false,
                                               Lock::Hidden,
                                               false},
                                           Row{"AcceptedOnce",
                                               kRequireExplicitTls,
                                               "127.0.0.1",
                                               secureLoginScript,
                                               CertificateAnswer::AcceptOnce,
                                               false,
                                               {},
                                               {1337},
                                               true,
                                               Lock::Encrypted,
                                               false},
                                           Row{"TrustedAlways",
                                               kRequireExplicitTls,
                                               "127.0.0.1",
                                               secureLoginScript,
                                               CertificateAnswer::AlwaysTrust,
                                               false,
                                               {},
                                               {1337},
                                               true,
                                               Lock::Encrypted,
                                               true},
                                           Row{"ChangedCertificateTrustedAnew",
                                               kRequireExplicitTls,
                                               "127.0.0.1",
                                               secureLoginScript,
                                               CertificateAnswer::AlwaysTrust,
                                               true,
                                               {},
                                               {1337},
                                               true,
                                               Lock::Encrypted,
                                               true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// "Always trust" holds for the next connection, and for a new start of the program (a
// store read anew from its file): no dialog.
TEST_F(ConnectTest, TrustedCertificateIsNotAskedAgain) {
    const Certificate& c = certificateFor("127.0.0.1");
    ScriptedFtpServer server;
    server.setTlsCertificate(c.cert, c.key);
    secureLoginScript(server);
    server.expect("PWD", "257 \"/home/alice\"\r\n");
    secureLoginScript(server);
    server.start();
    auto p = profile("secure", server.port());
    p.passiveMode = 1;
    p.encryption = session::kRequireExplicitTls;
    save(p);
    prompts_.certificate(CertificateAnswer::AlwaysTrust);
    openWindow("secure");
    ASSERT_TRUE(connect());
    ASSERT_NE(window_->ftpSession(), nullptr);
    window_->connection().toggleConnection();
    window_.reset();

    openWindow("secure");
    ASSERT_TRUE(connect());
    EXPECT_NE(window_->ftpSession(), nullptr);
    EXPECT_EQ(prompts_.certificates().size(), 1u);
    EXPECT_TRUE(prompts_.unexpected().empty());
    EXPECT_TRUE(server.mismatches().empty()) << server.mismatches().front();
}

// A certificate trusted always for an IPv6 server is kept under its address without
// brackets and the port connected to, whichever way the host field writes them.
TEST_F(ConnectTest, TrustOfAnIpv6ServerHoldsForEveryWayOfWritingIt) {
    const Certificate& c = certificateFor("other.example");
    ScriptedFtpServer server(AF_INET6);
    server.setTlsCertificate(c.cert, c.key);
    secureLoginScript(server);
    server.expect("PWD", "257 \"/home/alice\"\r\n");
    secureLoginScript(server);
    server.start();
    const std::string port = std::to_string(server.port());
    auto bracketed = profile("bracketed", 21);
    bracketed.host = "[::1]:" + port;
    auto bare = profile("bare", server.port());
    bare.host = "::1";
    for (auto* p : {&bracketed, &bare}) {
        p->passiveMode = 1;
        p->encryption = session::kRequireExplicitTls;
        save(*p);
    }
    prompts_.certificate(CertificateAnswer::AlwaysTrust);
    openWindow("bracketed");
    ASSERT_TRUE(connect());
    ASSERT_NE(window_->ftpSession(), nullptr);
    ASSERT_EQ(prompts_.certificates().size(), 1u);
    EXPECT_EQ(prompts_.certificates()[0].host, "::1");
    EXPECT_EQ(prompts_.certificates()[0].port, server.port());
    EXPECT_EQ(session::TrustStore(session::siteDatabaseFolder() + session::TrustStore::kFileName)
                  .check("::1", server.port(), testsupport::certificateFingerprint(c.cert)),
              session::TrustStore::Verdict::Trusted);
    window_->connection().toggleConnection();
    window_.reset();

    openWindow("bare");
    ASSERT_TRUE(connect());
    EXPECT_NE(window_->ftpSession(), nullptr);
    EXPECT_EQ(prompts_.certificates().size(), 1u);
    EXPECT_TRUE(prompts_.unexpected().empty());
    EXPECT_TRUE(server.mismatches().empty()) << server.mismatches().front();
}
