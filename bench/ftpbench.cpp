// Throughput of the FTP engine against vsftpd on loopback, plain and over explicit TLS,
// next to curl and lftp doing the same work in the same run. Cases run interleaved, round after
// round, and each figure is the median of the rounds. Needs root (the vsftpd fixture runs the
// daemon and a local test user); runs in a network namespace of its own, so the thousands of data
// connections leave nothing in TIME_WAIT on the host.
#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "benchfiles.h"
#include "checkedrows.h"
#include "engineclient.h"
#include "peerclients.h"
#include "realftpservers.h"

namespace fs = std::filesystem;
using namespace bench;

namespace {

struct Options {
    std::int64_t bigBytes = 1LL << 30;
    int rounds = 3;
    bool ownNetwork = true;
    std::string only;    // run only the cases whose name contains this
    std::string client;  // run only this client (for profiling)
};

// Each run writes to a target of its own (a local path or a remote name), removed only
// at the end of the round: freeing a just-written gigabyte right before the next run
// would slow that run down.
using Target = std::string;

struct Client {
    std::string name;
    std::function<bool(const Target&)> run;
};

struct Case {
    std::string name;
    enum Unit { Bytes, Seconds, Files } unit;
    double amount;  // bytes or files per run
    std::function<Target(const std::string& tag)> target;
    std::function<bool(const Target&)> verify;
    std::function<void(const Target&)> remove;
    std::vector<Client> clients;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string figure(const Case& c, double seconds) {
    char text[64];
    if (seconds <= 0) return "failed";
    if (c.unit == Case::Bytes)
        std::snprintf(text, sizeof text, "%.2f s  %.2f GB/s", seconds, c.amount / seconds / 1e9);
    else if (c.unit == Case::Files)
        std::snprintf(text, sizeof text, "%.2f s  %.0f files/s", seconds, c.amount / seconds);
    else
        std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

void printMachine() {
    std::ifstream cpu("/proc/cpuinfo");
    std::string line, model = "?";
    while (std::getline(cpu, line))
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    utsname u{};
    ::uname(&u);
    std::printf("machine: %s, %ld cores, Linux %s\n", model.c_str(),
                ::sysconf(_SC_NPROCESSORS_ONLN), u.release);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--size-mib" && i + 1 < argc)
            o.bigBytes = std::atoll(argv[++i]) << 20;
        else if (a == "--rounds" && i + 1 < argc)
            o.rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--only" && i + 1 < argc)
            o.only = argv[++i];
        else if (a == "--client" && i + 1 < argc)
            o.client = argv[++i];
        else if (a == "--no-netns")
            o.ownNetwork = false;
        else {
            std::fprintf(stderr,
                         "usage: ftpbench [--size-mib N] [--rounds N] [--only TEXT] [--client "
                         "NAME] [--no-netns]\n");
            std::exit(2);
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (::geteuid() != 0) {
        std::fprintf(stderr, "ftpbench: needs root (vsftpd runs as root with a local test user)\n");
        return 2;
    }
    if (options.ownNetwork && !isolateNetwork()) {
        std::fprintf(stderr, "ftpbench: cannot enter a network namespace; try --no-netns\n");
        return 2;
    }

    testsupport::VsftpdServer vsftpd(testsupport::RealFtpServer::Login::User);
    if (!vsftpd.start()) {
        std::fprintf(stderr, "%s\n", vsftpd.error().c_str());
        return 1;
    }
    char pattern[] = "/var/tmp/trandel-bench-XXXXXX";
    const std::string local = ::mkdtemp(pattern);
    const std::string root = vsftpd.root();
    const Server server{vsftpd.port(), vsftpd.user(), vsftpd.password(), false, {}};
    const std::int64_t big = options.bigBytes;

    std::printf("preparing: %lld MiB file, 10,000-entry directory, 1,000-file tree\n",
                static_cast<long long>(big >> 20));
    writePattern(root + "/big.bin", big, 1);
    writePattern(local + "/big.bin", big, 2);
    fs::create_directory(root + "/list10k");
    for (int i = 0; i < 10000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/list10k/page-%05d.html", i);
        std::ofstream(root + name) << "x";
    }
    const auto treeFiles = makeTree(local + "/tree");
    makeTree(root + "/tree-src");
    vsftpd.ownByLogin(root);

    // The same work over explicit TLS: a daemon of its own that requires TLS for the login
    // and the data and a resumed session on every data connection, its certificate made now.
    testsupport::VsftpdServer secure(testsupport::RealFtpServer::Login::User);
    secure.setTls(testsupport::RealFtpServer::Tls::Explicit);
    if (!secure.start()) {
        std::fprintf(stderr, "%s\n", secure.error().c_str());
        return 1;
    }
    const std::string secureRoot = secure.root();
    const Server tlsServer{secure.port(), secure.user(), secure.password(), true,
                           secure.certificateFile()};
    fs::create_hard_link(root + "/big.bin", secureRoot + "/big.bin");
    makeTree(secureRoot + "/tree-src");
    secure.ownByLogin(secureRoot);

    // Listings by MLSD beside LIST: pyftpdlib offers both, vsftpd only LIST.
    testsupport::PyftpdlibServer pyftpdlib(testsupport::RealFtpServer::Login::User);
    if (!pyftpdlib.start()) {
        std::fprintf(stderr, "%s\n", pyftpdlib.error().c_str());
        return 1;
    }
    fs::create_directory(pyftpdlib.root() + "/list10k");
    for (int i = 0; i < 10000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/list10k/page-%05d.html", i);
        std::ofstream(pyftpdlib.root() + name) << "x";
    }
    Server machine{pyftpdlib.port(), pyftpdlib.user(), pyftpdlib.password(), false, {}, true};
    Server listOnly = machine;
    listOnly.machineListing = false;
    EngineClient engineMlsd(machine, true), engineList(listOnly, true);
    CurlClient curlPy(machine, true, local);
    LftpClient lftpPy(machine, true);

    EngineClient engine(server, true), engineActive(server, false), engineTls(tlsServer, true);
    CurlClient curlTls(tlsServer, true, local);
    LftpClient lftpTls(tlsServer, true);
    CurlClient curl(server, true, local), curlActive(server, false, local);
    LftpClient lftp(server, true), lftpActive(server, false);
    auto sizeIs = [](const std::string& path, std::int64_t bytes) {
        std::error_code ec;
        return static_cast<std::int64_t>(fs::file_size(path, ec)) == bytes && !ec;
    };
    auto localFile = [&](const std::string& tag) { return local + "/down-" + tag + ".bin"; };
    auto localBig = [&](const Target& t) { return sizeIs(t, big); };
    auto removeLocal = [](const Target& t) { fs::remove_all(t); };
    auto removeRemote = [&](const Target& t) { fs::remove_all(root + "/" + t); };
    // The engine writes regular files only; tmpfs stands for a disk that costs nothing.
    auto inMemory = [](const std::string& tag) {
        return Target("/dev/shm/trandel-down-" + tag + ".bin");
    };
    std::size_t listed = 0;

    std::vector<Case> cases = {
        {"download to disk",
         Case::Bytes,
         double(big),
         localFile,
         localBig,
         removeLocal,
         {{"engine", [&](const Target& t) { return engine.download("big.bin", t); }},
          {"curl", [&](const Target& t) { return curl.download("big.bin", t); }},
          {"lftp", [&](const Target& t) { return lftp.download("big.bin", t); }}}},
        {"download to tmpfs",
         Case::Bytes,
         double(big),
         inMemory,
         localBig,
         removeLocal,
         {{"engine", [&](const Target& t) { return engine.download("big.bin", t); }},
          {"curl", [&](const Target& t) { return curl.download("big.bin", t); }},
          {"lftp", [&](const Target& t) { return lftp.download("big.bin", t); }}}},
        {"upload",
         Case::Bytes,
         double(big),
         [](const std::string& tag) { return "up-" + tag + ".bin"; },
         [&](const Target& t) { return sizeIs(root + "/" + t, big); },
         removeRemote,
         {{"engine", [&](const Target& t) { return engine.upload(local + "/big.bin", t); }},
          {"curl", [&](const Target& t) { return curl.upload(local + "/big.bin", t); }},
          {"lftp", [&](const Target& t) { return lftp.upload(local + "/big.bin", t); }}}},
        {"download active mode",
         Case::Bytes,
         double(big),
         localFile,
         localBig,
         removeLocal,
         {{"engine", [&](const Target& t) { return engineActive.download("big.bin", t); }},
          {"curl", [&](const Target& t) { return curlActive.download("big.bin", t); }},
          {"lftp", [&](const Target& t) { return lftpActive.download("big.bin", t); }}}},
        {"LIST 10,000 entries",
         Case::Seconds,
         1,
         [](const std::string&) { return Target(); },
         [](const Target&) { return true; },
         [](const Target&) {},
         {{"engine",
           [&](const Target&) { return engine.list("list10k", listed) && listed == 10000; }},
          {"curl", [&](const Target&) { return curl.list("list10k"); }},
          {"lftp", [&](const Target&) { return lftp.list("list10k"); }}}},
        {"LIST 10,000, pyftpdlib",
         Case::Seconds,
         1,
         [](const std::string&) { return Target(); },
         [](const Target&) { return true; },
         [](const Target&) {},
         {{"engine",
           [&](const Target&) { return engineList.list("list10k", listed) && listed == 10000; }},
          {"curl", [&](const Target&) { return curlPy.list("list10k"); }},
          {"lftp", [&](const Target&) { return lftpPy.list("list10k"); }}}},
        // The engine alone: the figure to set beside its LIST one above.
        {"MLSD 10,000, pyftpdlib",
         Case::Seconds,
         1,
         [](const std::string&) { return Target(); },
         [](const Target&) { return true; },
         [](const Target&) {},
         {{"engine",
           [&](const Target&) { return engineMlsd.list("list10k", listed) && listed == 10000; }}}},
        {"upload 1,000-file tree",
         Case::Files,
         1000,
         [](const std::string& tag) { return "up-tree-" + tag; },
         [&](const Target& t) { return countTreeFiles(root + "/" + t) == 1000; },
         removeRemote,
         {{"engine", [&](const Target& t) { return engine.uploadTree(local + "/tree", t); }},
          {"curl", [&](const Target& t) { return curl.uploadTree(local + "/tree", t); }},
          {"lftp", [&](const Target& t) { return lftp.uploadTree(local + "/tree", t); }}}},
        {"download 1,000-file tree",
         Case::Files,
         1000,
         [&](const std::string& tag) { return local + "/down-tree-" + tag; },
         [&](const Target& t) { return countTreeFiles(t) == 1000; },
         removeLocal,
         {{"engine", [&](const Target& t) { return engine.downloadTree("tree-src", t); }},
          {"curl", [&](const Target& t) { return curl.downloadTree("tree-src", t, treeFiles); }},
          {"lftp", [&](const Target& t) { return lftp.downloadTree("tree-src", t); }}}},
        {"TLS download to disk",
         Case::Bytes,
         double(big),
         localFile,
         localBig,
         removeLocal,
         {{"engine", [&](const Target& t) { return engineTls.download("big.bin", t); }},
          {"curl", [&](const Target& t) { return curlTls.download("big.bin", t); }},
          {"lftp", [&](const Target& t) { return lftpTls.download("big.bin", t); }}}},
        {"TLS upload",
         Case::Bytes,
         double(big),
         [](const std::string& tag) { return "up-tls-" + tag + ".bin"; },
         [&](const Target& t) { return sizeIs(secureRoot + "/" + t, big); },
         [&](const Target& t) { fs::remove_all(secureRoot + "/" + t); },
         {{"engine", [&](const Target& t) { return engineTls.upload(local + "/big.bin", t); }},
          {"curl", [&](const Target& t) { return curlTls.upload(local + "/big.bin", t); }},
          {"lftp", [&](const Target& t) { return lftpTls.upload(local + "/big.bin", t); }}}},
        {"TLS download 1,000-file tree",
         Case::Files,
         1000,
         [&](const std::string& tag) { return local + "/down-tls-tree-" + tag; },
         [&](const Target& t) { return countTreeFiles(t) == 1000; },
         removeLocal,
         {{"engine", [&](const Target& t) { return engineTls.downloadTree("tree-src", t); }},
          {"curl", [&](const Target& t) { return curlTls.downloadTree("tree-src", t, treeFiles); }},
          {"lftp", [&](const Target& t) { return lftpTls.downloadTree("tree-src", t); }}}},
    };

    std::erase_if(cases,
                  [&](const Case& c) { return c.name.find(options.only) == std::string::npos; });
    if (!options.client.empty())
        for (auto& c : cases)
            std::erase_if(c.clients, [&](const Client& k) { return k.name != options.client; });

    // seconds[case][client]; a failed run counts as 0 and is reported.
    std::map<std::string, std::map<std::string, std::vector<double>>> seconds;
    bool allOk = true;
    for (int round = 0; round < options.rounds; ++round) {
        std::printf("round %d of %d\n", round + 1, options.rounds);
        std::fflush(stdout);
        for (auto& c : cases) {
            std::vector<Target> written;
            // Interleaved, and a different client first in each round.
            for (std::size_t k = 0; k < c.clients.size(); ++k) {
                const Client& client = c.clients[(k + round) % c.clients.size()];
                const Target target = c.target(client.name + "-" + std::to_string(round));
                written.push_back(target);
                ::sync();
                const auto start = std::chrono::steady_clock::now();
                bool ok = client.run(target);
                const double s =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                ok = ok && c.verify(target);
                if (!ok) {
                    std::printf("  %s / %s FAILED\n", c.name.c_str(), client.name.c_str());
                    allOk = false;
                }
                seconds[c.name][client.name].push_back(ok ? s : -1);
                // Each run as it ends: the medians hide how much runs vary.
                std::fprintf(stderr, "  %-26s %-7s %.2f s\n", c.name.c_str(), client.name.c_str(),
                             s);
            }
            for (const auto& target : written)
                c.remove(target);
            ::sync();
        }
    }

    std::printf("\n");
    printMachine();
    std::printf(
        "server: vsftpd (pyftpdlib where named) on 127.0.0.1%s; file %lld MiB; "
        "medians of %d rounds\n\n",
        options.ownNetwork ? " (own network namespace)" : "", static_cast<long long>(big >> 20),
        options.rounds);
    std::printf("%-26s %-22s %-22s %-22s %s\n", "case", "engine", "curl", "lftp",
                "engine vs faster peer");
    for (const auto& c : cases) {
        auto& byClient = seconds[c.name];
        auto medianOf = [&](const char* client) {
            const auto found = byClient.find(client);
            return found == byClient.end() ? 0.0 : median(found->second);
        };
        const double e = medianOf("engine");
        const double cu = medianOf("curl");
        const double lf = medianOf("lftp");
        double peer = std::min(cu > 0 ? cu : 1e9, lf > 0 ? lf : 1e9);
        // A client the case does not run shows as "-", not as a failure.
        auto shown = [&](const char* client, double s) {
            return byClient.count(client) ? figure(c, s) : std::string("-");
        };
        std::printf("%-26s %-22s %-22s %-22s ", c.name.c_str(), shown("engine", e).c_str(),
                    shown("curl", cu).c_str(), shown("lftp", lf).c_str());
        if (e > 0 && peer < 1e9)
            std::printf("%.2fx %s\n", peer / e, peer / e >= 1 ? "(as fast or faster)" : "(slower)");
        else
            std::printf("-\n");
    }
    // What checking uploads costs, in a table of its own ("--only checked" for it alone).
    if (std::string("checked uploads").find(options.only) != std::string::npos)
        allOk = runCheckedRows(server, root, local + "/tree", local + "/big.bin", big,
                               options.rounds) &&
                allOk;
    fs::remove_all(local);
    return allOk ? 0 : 1;
}
