// Encryption against the scripted server: refusals, cut handshakes, the certificate's
// name, an abort during the handshake, and a listing over a resumed TLS session.
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "ftpsession.h"
#include "realftpservers.h"
#include "scriptedsession.h"

namespace {

using testsupport::ControlConnection;
using testsupport::Delivery;
namespace fs = std::filesystem;

// A certificate of its own for the name, made once per test program.
struct Certificate {
    std::string cert, key;
};
const Certificate& certificateFor(const std::string& name) {
    static std::map<std::string, Certificate> made;
    auto found = made.find(name);
    if (found != made.end()) return found->second;
    const fs::path folder =
        fs::temp_directory_path() / ("trandel-tls-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    Certificate c{(folder / (name + ".crt")).string(), (folder / (name + ".key")).string()};
    EXPECT_TRUE(testsupport::makeSelfSignedCertificate(name, c.cert, c.key));
    return made[name] = c;
}

// The client's first TLS bytes are read, then the connection is closed.
void cutHandshake(ControlConnection& c) {
    char hello[64];
    ::recv(c.socket, hello, sizeof hello, 0);
    c.closeNow();
}

struct StartRow {
    const char* name;
    std::function<void(ScriptedSession&)> script;
    int result;
    int lastError;
    bool encrypted;
};

class StartTls : public ::testing::TestWithParam<StartRow> {};

TEST_P(StartTls, RefusalsAndCutHandshakesLeaveNothingEncryptedBehind) {
    const StartRow& row = GetParam();
    ScriptedSession s;
    const Certificate& c = certificateFor("127.0.0.1");
    s.server.setTlsCertificate(c.cert, c.key);
    row.script(s);
    ASSERT_NO_FATAL_FAILURE(s.connect());
    EXPECT_EQ(s.session->startTls(), row.result);
    EXPECT_EQ(s.session->lastError, row.lastError) << s.session->tlsError();
    EXPECT_EQ(s.session->controlEncrypted(), row.encrypted);
    // After a cut handshake the server reads the rest of the client's hello as lines.
    if (row.lastError == ftp::FtpSession::kTlsFailed) {
        EXPECT_FALSE(s.session->tlsError().empty());
    } else {
        EXPECT_TRUE(s.server.mismatches().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StartTls,
    ::testing::Values(
        StartRow{"Refused502",
                 [](ScriptedSession& s) { s.server.expect("AUTH TLS", "502 No.\r\n"); }, 0, 502,
                 false},
        StartRow{"RefusedForPolicy",
                 [](ScriptedSession& s) { s.server.expect("AUTH TLS", "534 Policy.\r\n"); }, 0, 534,
                 false},
        StartRow{"HandshakeCutMidway",
                 [](ScriptedSession& s) {
                     s.server.expect("AUTH TLS", "234 Go ahead.\r\n", Delivery::Whole,
                                     cutHandshake);
                 },
                 0, ftp::FtpSession::kTlsFailed, false},
        StartRow{"Accepted", [](ScriptedSession& s) { s.server.expectAuthTls(); }, 1, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImplicitTls, APlainServerFailsTheHandshakeBeforeAnyCommand) {
    testsupport::ScriptedFtpServer server;
    server.start();
    ftp::FtpSession session("127.0.0.1", "u", "p");
    session.port = server.port();
    session.implicitTls = true;
    EXPECT_EQ(session.open(), 0);
    EXPECT_EQ(session.lastError, ftp::FtpSession::kTlsFailed);
    EXPECT_FALSE(session.connected);
    // The server sees only the client's hello, which it takes for lines: never a command.
    for (const std::string& line : server.commands())
        EXPECT_NE(line.rfind("USER", 0), 0u);
}

// The certificate is checked against the trust anchors with the host name; an IPv6
// address, with brackets or without, as the address.
TEST(TlsCertificate, VerifiesOnlyForItsOwnName) {
    struct Row {
        const char* certifiedName;
        bool anchored;
        std::vector<ftp::CertificateProblem> problems;
        const char* host = "127.0.0.1";
    };
    const Row rows[] = {
        {"127.0.0.1", true, {}},
        {"other.example", true, {ftp::CertificateProblem::OtherName}},
        {"127.0.0.1", false, {ftp::CertificateProblem::SelfSigned}},
        {"other.example",
         false,
         {ftp::CertificateProblem::SelfSigned, ftp::CertificateProblem::OtherName}},
        {"::1", true, {}, "::1"},
        {"::1", true, {}, "[::1]"},
        {"127.0.0.1", true, {ftp::CertificateProblem::OtherName}, "[::1]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.certifiedName) + (row.anchored ? " anchored " : " ") +
                     row.host);
        ScriptedSession s(std::strchr(row.host, ':') ? AF_INET6 : AF_INET);
        const Certificate& c = certificateFor(row.certifiedName);
        s.server.setTlsCertificate(c.cert, c.key);
        s.server.expectAuthTls();
        s.server.start();
        s.session = std::make_unique<ftp::FtpSession>(row.host, "u", "p");
        s.session->port = s.server.port();
        if (row.anchored) s.session->tlsAnchors = c.cert;
        ASSERT_EQ(s.session->open(), 1);
        ASSERT_EQ(s.session->startTls(), 1) << s.session->tlsError();
        const ftp::CertificateFacts& facts = *s.session->certificate();
        EXPECT_EQ(facts.fingerprint, testsupport::certificateFingerprint(c.cert));
        EXPECT_NE(facts.subject.find(row.certifiedName), std::string::npos) << facts.subject;
        EXPECT_FALSE(facts.validUntil.empty());
        std::vector<ftp::CertificateProblem> found;
        for (int code : facts.problems)
            found.push_back(ftp::classifyProblem(code));
        EXPECT_EQ(found, row.problems);
        EXPECT_EQ(facts.verified(), row.problems.empty());
    }
}

TEST(TlsCertificate, ProblemsAreGroupedForTheDialog) {
    using P = ftp::CertificateProblem;
    EXPECT_EQ(ftp::classifyProblem(X509_V_ERR_CERT_HAS_EXPIRED), P::Expired);
    EXPECT_EQ(ftp::classifyProblem(X509_V_ERR_CERT_NOT_YET_VALID), P::NotYetValid);
    EXPECT_EQ(ftp::classifyProblem(X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY), P::UnknownIssuer);
    EXPECT_EQ(ftp::classifyProblem(X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN), P::SelfSigned);
    EXPECT_EQ(ftp::classifyProblem(X509_V_ERR_CERT_REVOKED), P::Other);
}

// Listings over protected data connections: one that resumes the session, and one the
// server cuts during its handshake, after which the control connection still works.
TEST(TlsData, ListingAndACutDataHandshake) {
    for (const auto& [passive, family] :
         {std::pair{true, AF_INET}, {false, AF_INET}, {true, AF_INET6}, {false, AF_INET6}}) {
        SCOPED_TRACE(std::string(passive ? "passive" : "active") +
                     (family == AF_INET6 ? " IPv6" : ""));
        ScriptedSession s(family);
        const Certificate& c = certificateFor(family == AF_INET6 ? "::1" : "127.0.0.1");
        s.server.setTlsCertificate(c.cert, c.key);
        s.server.expectAuthTls();
        s.server.expectProtection();
        s.expectDataSetup(passive);
        s.server.expectSendData("LIST -la", {.data = "-rw-r--r-- 1 a a 5 Mar  1 09:12 x\r\n"});
        s.expectDataSetup(passive);
        testsupport::DataStep cut;
        cut.final = "522 Data connection failed.\r\n";
        cut.cutHandshake = true;
        s.server.expectSendData("LIST -la", cut);
        s.server.expect("NOOP", "200 OK\r\n");
        ASSERT_NO_FATAL_FAILURE(s.connect(passive));
        ASSERT_EQ(s.session->startTls(), 1) << s.session->tlsError();
        ASSERT_EQ(s.session->protectData(), 1);

        auto listed = s.session->list();
        ASSERT_TRUE(listed.has_value()) << s.session->lastError << s.session->tlsError();
        ASSERT_EQ(listed->size(), 1u);
        EXPECT_EQ((*listed)[0].name, "x");

        EXPECT_FALSE(s.session->list().has_value());
        EXPECT_EQ(s.session->lastError, ftp::FtpSession::kTlsFailed);
        EXPECT_EQ(s.session->dataSocket(), -1);
        EXPECT_EQ(s.session->checkAlive(), 0);
        EXPECT_TRUE(s.server.mismatches().empty());
    }
}

// abort() ends a handshake that waits for a server which never answers.
TEST(TlsAbort, EndsAHandshakeThatWaits) {
    ScriptedSession s;
    std::atomic<bool> waiting{false};
    s.server.expect("AUTH TLS", "234 Go ahead.\r\n", Delivery::Whole,
                    [&](ControlConnection&) { waiting = true; });
    ASSERT_NO_FATAL_FAILURE(s.connect());
    int result = -1;
    std::thread client([&] { result = s.session->startTls(); });
    while (!waiting)
        std::this_thread::yield();
    s.session->abort();
    client.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(s.session->controlEncrypted());
    // Stopped by the abort, not by the 30 s limit of a wait.
    const std::string canceled = std::strerror(ECANCELED);
    EXPECT_TRUE(s.session->lastError == -1 || s.session->tlsError() == canceled)
        << s.session->lastError << " " << s.session->tlsError();
}

}  // namespace
