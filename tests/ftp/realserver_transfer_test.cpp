// Listings, transfers and remote operations against real FTP servers from Debian,
// in passive and in active mode, over IPv4 and IPv6.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>

#include "ftpsession.h"
#include "mlsdlisting.h"
#include "realftpservers.h"
#include "recordingsinks.h"
#include "testfiles.h"

using testsupport::randomBytes;
using testsupport::readFile;
using testsupport::RealFtpServer;
using testsupport::writeFile;
namespace fs = std::filesystem;

// How the session reaches the server: its address, the data connection's mode and
// whether the server offers EPSV (both do unless told not to; vsftpd always does).
struct Route {
    const char* name;
    const char* address;
    bool passive;
    bool offersEpsv;
    const char* dataCommand;  // the one command that sets up every data connection
};
const Route kRoutes[] = {
    {"Passive", "127.0.0.1", true, true, "EPSV"},
    {"Active", "127.0.0.1", false, true, "PORT"},
    {"PasvWithoutEpsv", "127.0.0.1", true, false, "PASV"},
    {"Ipv6Passive", "::1", true, true, "EPSV"},
    {"Ipv6Active", "::1", false, true, "EPRT |2|::1|"},
};

// A session logged in to a real server, plainly or over TLS.
class RealServerFixture {
protected:
    void start(const char* kind, RealFtpServer::Tls tls, bool passive,
               const Route& route = kRoutes[0]) {
        server_ = testsupport::makeRealServer(kind, RealFtpServer::Login::User);
        server_->setTls(tls);
        server_->setAddress(route.address);
        server_->setOffersEpsv(route.offersEpsv);
        ASSERT_TRUE(server_->start()) << server_->error();
        session_ =
            std::make_unique<ftp::FtpSession>(route.address, server_->user(), server_->password());
        session_->port = server_->port();
        session_->passive = passive;
        session_->implicitTls = tls == RealFtpServer::Tls::Implicit;
        ASSERT_EQ(session_->open(), 1) << session_->tlsError() << server_->log();
        if (tls == RealFtpServer::Tls::Explicit) {
            ASSERT_EQ(session_->startTls(), 1) << session_->tlsError() << server_->log();
        }
        session_->setStatusSink(&status_);
        ASSERT_EQ(session_->login("127.0.0.1", server_->user(), server_->password()), 230);
        // As the connect worker does: what the server offers decides the listing command
        // and EPSV.
        ASSERT_EQ(session_->learnFeatures(), 1);
        if (tls != RealFtpServer::Tls::None) {
            ASSERT_EQ(session_->protectData(), 1) << session_->lastError;
        }
        char pattern[] = "/tmp/trandel-local-XXXXXX";
        local_ = ::mkdtemp(pattern);
    }
    void stop() {
        if (session_) session_->close();
        if (!local_.empty()) fs::remove_all(local_);
    }
    std::string remote(const std::string& name) const { return server_->root() + "/" + name; }
    std::string local(const std::string& name) const { return local_ + "/" + name; }

    // The data connections' setup commands the session sent, without their arguments
    // beyond what the route names.
    std::vector<std::string> setupCommands(const Route& route) const {
        std::vector<std::string> found;
        for (const std::string& line : status_.pane(0))
            for (const char* command : {"PASV", "EPSV", "PORT ", "EPRT "})
                if (line.rfind(command, 0) == 0)
                    found.push_back(line.substr(0, std::string(route.dataCommand).size()));
        return found;
    }

    std::unique_ptr<RealFtpServer> server_;
    std::unique_ptr<ftp::FtpSession> session_;
    testsupport::RecordingStatusSink status_;
    std::string local_;
};

class RealServer : public RealServerFixture,
                   public ::testing::TestWithParam<std::tuple<const char*, Route>> {
protected:
    const Route& route() const { return std::get<1>(GetParam()); }
    void SetUp() override {
        start(std::get<0>(GetParam()), RealFtpServer::Tls::None, route().passive, route());
    }
    void TearDown() override { stop(); }
    bool isPyftpdlib() const { return std::string(std::get<0>(GetParam())) == "pyftpdlib"; }
};

TEST_P(RealServer, ListsBlanksLinksAndUtf8Names) {
    writeFile(remote("with  blanks.txt"), "12345");
    fs::create_directory(remote("sub dir"));
    fs::create_symlink("sub dir", remote("link to dir"));
    fs::create_symlink("with  blanks.txt", remote("link-to-file"));
    writeFile(remote("中文名.html"), "x");
    writeFile(remote("café.txt"), "");
    server_->ownByLogin(server_->root());

    auto entries = session_->list();
    ASSERT_TRUE(entries.has_value()) << session_->lastError;
    std::map<std::string, const ftp::FileEntry*> byName;
    for (const auto& e : *entries)
        if (e.kind != ftp::FileEntry::NotAnEntry) byName[e.name] = &e;

    ASSERT_EQ(byName.size(), 6u);
    ASSERT_TRUE(byName.count("with  blanks.txt"));
    EXPECT_EQ(byName["with  blanks.txt"]->kind, ftp::FileEntry::File);
    EXPECT_EQ(byName["with  blanks.txt"]->size, 5);
    ASSERT_TRUE(byName.count("sub dir"));
    EXPECT_EQ(byName["sub dir"]->kind, ftp::FileEntry::Directory);
    // pyftpdlib's machine listing types a link as what it leads to.
    ASSERT_TRUE(byName.count("link to dir"));
    EXPECT_EQ(byName["link to dir"]->kind,
              isPyftpdlib() ? ftp::FileEntry::Directory : ftp::FileEntry::Link);
    ASSERT_TRUE(byName.count("link-to-file"));
    EXPECT_EQ(byName["link-to-file"]->kind,
              isPyftpdlib() ? ftp::FileEntry::File : ftp::FileEntry::Link);
    EXPECT_TRUE(byName.count("中文名.html"));
    EXPECT_TRUE(byName.count("café.txt"));
}

// pyftpdlib offers MLST: listed by MLSD with exact sizes and the files' own times, shown
// in local time as the local pane shows its files. vsftpd offers none: LIST as ever.
TEST_P(RealServer, MachineListingWhereOfferedWithTheFilesTimes) {
    struct Row {
        const char* name;
        std::time_t modified;  // UTC seconds
        std::int64_t size;
    } rows[] = {
        {"old.html", 946684799, 10},          // 1999-12-31 23:59:59 UTC
        {"leap.txt", 951782400, 3000000000},  // 2000-02-29 00:00:00 UTC, beyond 32 bits
        {"recent.css", std::time(nullptr) - 3600, 1},
    };
    for (const Row& row : rows) {
        const std::string path = remote(row.name);
        writeFile(path, "x");
        fs::resize_file(path, static_cast<std::uintmax_t>(row.size));
        const timespec times[2] = {{row.modified, 0}, {row.modified, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    auto entries = session_->list();
    ASSERT_TRUE(entries.has_value()) << session_->lastError;
    const std::vector<std::string> commands = status_.pane(0);
    const bool mlsd = std::find(commands.begin(), commands.end(), "MLSD") != commands.end();
    const bool list = std::find(commands.begin(), commands.end(), "LIST -la") != commands.end();
    EXPECT_EQ(mlsd, isPyftpdlib());
    EXPECT_EQ(list, !isPyftpdlib());
    std::size_t found = 0;
    for (const Row& row : rows)
        for (const auto& e : *entries) {
            if (e.name != row.name) continue;
            ++found;
            EXPECT_EQ(e.kind, ftp::FileEntry::File) << row.name;
            EXPECT_EQ(e.size, row.size) << row.name;
            if (mlsd) {
                EXPECT_EQ(e.dateText, ftp::localDateText(row.modified)) << row.name;
                EXPECT_EQ(e.attributes, "-rw-r--r--") << row.name;
            }
        }
    EXPECT_EQ(found, std::size(rows));
}

TEST_P(RealServer, BinaryTransfersAreByteExactBothWays) {
    for (std::size_t size : {0u, 1u, 4096u, 4097u, 10u * 1024 * 1024}) {
        SCOPED_TRACE(size);
        const std::string name = "file-" + std::to_string(size) + ".bin";
        const std::string bytes = randomBytes(size, static_cast<unsigned>(size));
        writeFile(local(name), bytes);
        ASSERT_EQ(session_->upload(local(name), name, true), 1) << session_->lastError;
        EXPECT_TRUE(readFile(remote(name)) == bytes);

        // vsftpd announces the size, pyftpdlib does not: the listed size is checked then.
        ASSERT_EQ(session_->download(local("back.bin"), name, true, std::int64_t(size)), 1)
            << session_->lastError;
        EXPECT_TRUE(readFile(local("back.bin")) == bytes);
    }
    EXPECT_EQ(session_->dataSocket(), -1);
    EXPECT_EQ(setupCommands(route()), std::vector<std::string>(10, route().dataCommand));
}

// pyftpdlib offers MLST and answers XSHA256 without naming it in FEAT; vsftpd offers
// SIZE and no hash command.
TEST_P(RealServer, TransfersAreVerifiedBySizeAndByHashWhereOffered) {
    ASSERT_EQ(session_->learnFeatures(), 1);
    const std::string bytes = randomBytes(100000, 7);
    writeFile(local("v.bin"), bytes);
    ftp::Verification how;
    for (int round = 0; round < 2; ++round) {  // what the first learnt serves the second
        ASSERT_EQ(session_->upload(local("v.bin"), "v.bin", true), 1) << session_->lastError;
        ASSERT_EQ(session_->verifyFile(local("v.bin"), "v.bin", true, how), 1)
            << session_->lastError;
        EXPECT_TRUE(how.sizeChecked);
        EXPECT_EQ(how.hash, isPyftpdlib() ? "SHA-256" : "");
    }
    // A text file: pyftpdlib keeps its LF, vsftpd the wire's CR LF; both are the file.
    writeFile(local("v.txt"), "<p>\nline\n</p>\n");
    ASSERT_EQ(session_->upload(local("v.txt"), "v.txt", false), 1) << session_->lastError;
    EXPECT_EQ(session_->verifyFile(local("v.txt"), "v.txt", true, how, {ftp::LineEnds::TextUpload}),
              1)
        << session_->lastError;
    EXPECT_TRUE(how.sizeChecked);
    // Text downloads: vsftpd sends what it stores, pyftpdlib adds a CR to a lone LF; a
    // copy with either line ends is the file, one with both cannot be compared.
    const std::pair<std::string, bool> stored[] = {
        {"<p>\nline\n</p>\n", true}, {"<p>\r\nline\r\n", true}, {"<p>\r\nline\n", false}};
    for (const auto& [text, checked] : stored) {
        SCOPED_TRACE(::testing::PrintToString(text));
        writeFile(remote("w.txt"), text);
        ASSERT_EQ(session_->download(local("w.txt"), "w.txt", false), 1) << session_->lastError;
        const ftp::LineEnds received{ftp::LineEnds::TextDownload, session_->receivedBytes()};
        EXPECT_EQ(session_->verifyFile(local("w.txt"), "w.txt", true, how, received), 1)
            << session_->lastError;
        EXPECT_EQ(how.sizeChecked, checked);
        EXPECT_EQ(how.hash, checked && isPyftpdlib() ? "SHA-256" : "");
    }
    // The server's copy changes behind the session's back.
    std::string changed = bytes;
    changed[50000] ^= 1;
    writeFile(remote("v.bin"), isPyftpdlib() ? changed : changed + "x");
    EXPECT_EQ(session_->verifyFile(local("v.bin"), "v.bin", true, how), 0);
    EXPECT_EQ(session_->lastError, ftp::FtpSession::kVerifyMismatch);
    EXPECT_EQ(session_->checkAlive(), 0);
}

TEST_P(RealServer, TextModeRoundTripIsByteIdentical) {
    // Local files end lines in LF, the wire in CR LF. vsftpd stores what the wire carries;
    // pyftpdlib stores LF and, being lossy itself, cannot keep a CR LF or a final CR.
    struct Row {
        std::string local;
        std::string storedByVsftpd;
        std::optional<std::string> storedByPyftpdlib;
    };
    const Row rows[] = {
        {"one\ntwo\n", "one\r\ntwo\r\n", "one\ntwo\n"},
        {"line\nlone\rcr\nlast", "line\r\nlone\rcr\r\nlast", "line\nlone\rcr\nlast"},
        {"dos\r\n\n\rend\r", "dos\r\r\n\r\n\rend\r", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.local));
        if (isPyftpdlib() && !row.storedByPyftpdlib) continue;
        writeFile(local("t.txt"), row.local);
        ASSERT_EQ(session_->upload(local("t.txt"), "t.txt", false), 1) << session_->lastError;
        EXPECT_EQ(readFile(remote("t.txt")),
                  isPyftpdlib() ? *row.storedByPyftpdlib : row.storedByVsftpd);
        ASSERT_EQ(session_->download(local("back.txt"), "t.txt", false), 1);
        EXPECT_EQ(readFile(local("back.txt")), row.local);
    }
}

TEST_P(RealServer, DirectoryAndFileOperationsRoundTrip) {
    std::string start;
    ASSERT_EQ(session_->currentDirectory(start), 1);
    EXPECT_EQ(start, "/");

    ASSERT_EQ(session_->makeDirectory("new dir"), 1) << session_->lastError;
    EXPECT_TRUE(fs::is_directory(remote("new dir")));
    ASSERT_EQ(session_->changeDirectory("new dir", false), 1);
    std::string here;
    ASSERT_EQ(session_->currentDirectory(here), 1);
    EXPECT_EQ(here, "/new dir");

    writeFile(local("page.html"), "<p>hi</p>");
    ASSERT_EQ(session_->upload(local("page.html"), "page.html", false), 1);
    ASSERT_EQ(session_->rename("page.html", "index.html"), 1) << session_->lastError;
    EXPECT_FALSE(fs::exists(remote("new dir/page.html")));
    EXPECT_TRUE(fs::exists(remote("new dir/index.html")));

    ASSERT_EQ(session_->changeMode("604", "index.html"), 1) << session_->lastError;
    struct stat info {};
    ASSERT_EQ(::stat(remote("new dir/index.html").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);

    EXPECT_EQ(session_->removeDirectory("/new dir"), 0);  // not empty yet
    ASSERT_EQ(session_->deleteFile("index.html"), 1);
    EXPECT_EQ(session_->deleteFile("index.html"), 0);
    EXPECT_EQ(session_->lastError, 550);
    ASSERT_EQ(session_->changeDirectory("..", true), 1);
    ASSERT_EQ(session_->removeDirectory("new dir"), 1);
    EXPECT_FALSE(fs::exists(remote("new dir")));

    EXPECT_EQ(session_->changeDirectory("missing", false), 0);
    EXPECT_EQ(session_->lastError, 550);
    EXPECT_EQ(session_->checkAlive(), 0);
}

TEST_P(RealServer, RefusedDownloadKeepsTheLocalFileAnd553) {
    writeFile(local("keep.txt"), "local contents");
    EXPECT_EQ(session_->download(local("keep.txt"), "no-such-file", true), 0);
    EXPECT_EQ(session_->lastError, 553);
    EXPECT_EQ(readFile(local("keep.txt")), "local contents");
    EXPECT_EQ(session_->download(local("new.txt"), "no-such-file", true), 0);
    EXPECT_FALSE(fs::exists(local("new.txt")));
    EXPECT_EQ(session_->checkAlive(), 0);
}

// vsftpd always offers EPSV: PASV is met on pyftpdlib alone.
std::vector<std::tuple<const char*, Route>> serverRoutes() {
    std::vector<std::tuple<const char*, Route>> all;
    for (const char* kind : {"pyftpdlib", "vsftpd"})
        for (const Route& route : kRoutes)
            if (route.offersEpsv || kind == std::string("pyftpdlib")) all.emplace_back(kind, route);
    return all;
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServer, ::testing::ValuesIn(serverRoutes()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) +
                                    std::get<1>(info.param).name;
                         });

// Encrypted sessions: server and TLS mode × data connection mode × file size.
struct SecureServer {
    const char* kind;
    RealFtpServer::Tls tls;
    const Route& route = kRoutes[0];  // its address and FEAT; the mode is the test's
};
class SecureTransfer
    : public RealServerFixture,
      public ::testing::TestWithParam<std::tuple<SecureServer, bool, std::size_t>> {
protected:
    void SetUp() override {
        const SecureServer& server = std::get<0>(GetParam());
        start(server.kind, server.tls, std::get<1>(GetParam()), server.route);
    }
    void TearDown() override { stop(); }
};

TEST_P(SecureTransfer, ListsUploadsAndDownloadsByteExact) {
    const std::size_t size = std::get<2>(GetParam());
    ASSERT_TRUE(session_->controlEncrypted());
    ASSERT_TRUE(session_->dataProtected());
    // The fixture's certificate is self-signed: seen, but not verified.
    const ftp::CertificateFacts* facts = session_->certificate();
    ASSERT_NE(facts, nullptr);
    EXPECT_EQ(facts->fingerprint, testsupport::certificateFingerprint(server_->certificateFile()));
    EXPECT_FALSE(facts->verified());

    const std::string name = "secure-" + std::to_string(size) + ".bin";
    const std::string bytes = randomBytes(size, static_cast<unsigned>(size) + 7);
    writeFile(local(name), bytes);
    ASSERT_EQ(session_->upload(local(name), name, true), 1)
        << session_->lastError << " " << session_->tlsError();
    EXPECT_TRUE(readFile(remote(name)) == bytes);

    auto entries = session_->list();
    ASSERT_TRUE(entries.has_value()) << session_->lastError << " " << session_->tlsError();
    bool listed = false;
    for (const auto& entry : *entries)
        if (entry.name == name) listed = entry.size == static_cast<std::int64_t>(size);
    EXPECT_TRUE(listed);

    ASSERT_EQ(session_->download(local("back.bin"), name, true, std::int64_t(size)), 1)
        << session_->lastError << " " << session_->tlsError();
    EXPECT_TRUE(readFile(local("back.bin")) == bytes);
    EXPECT_EQ(session_->dataSocket(), -1);
    EXPECT_EQ(session_->checkAlive(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, SecureTransfer,
    ::testing::Combine(::testing::Values(SecureServer{"pyftpdlib", RealFtpServer::Tls::Explicit},
                                         SecureServer{"vsftpd", RealFtpServer::Tls::Explicit},
                                         SecureServer{"vsftpd", RealFtpServer::Tls::Implicit},
                                         SecureServer{"vsftpd", RealFtpServer::Tls::Explicit,
                                                      kRoutes[3]}),
                       ::testing::Bool(),
                       ::testing::Values(std::size_t{0}, std::size_t{4097}, std::size_t{10} << 20)),
    [](const auto& info) {
        const SecureServer& server = std::get<0>(info.param);
        return std::string(server.kind) +
               (server.tls == RealFtpServer::Tls::Implicit ? "Implicit" : "Explicit") +
               (server.route.address == std::string("::1") ? "Ipv6" : "") +
               (std::get<1>(info.param) ? "Passive" : "Active") +
               std::to_string(std::get<2>(info.param));
    });
