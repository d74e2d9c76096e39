// Upload and download jobs as the user runs them: on the worker thread, with the
// progress dialog open and its event loop turning. Against vsftpd on loopback, in the
// same run as the engine alone (one 1 GiB file up and down) and as lftp's mirror (a
// 1,000-file tree in 50 folders up and down). Runs interleave round after round, each
// client first in every other round; each figure is the median of the rounds. Needs
// root, like ftpbench.
//   transferbench [--rounds N] [--bytes N] [--only TEXT] [--no-netns]
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "benchfiles.h"
#include "builtintexts.h"
#include "coalesceddisplay.h"
#include "engineclient.h"
#include "ftpsession.h"
#include "peerclients.h"
#include "realftpservers.h"
#include "resourcelanguagemodule.h"
#include "transferhost.h"
#include "transferjob.h"
#include "transfermode.h"
#include "transferprogressdialog.h"
#include "uidispatcher.h"
#include "uitexts.h"
#include "verification.h"

namespace fs = std::filesystem;

namespace {

// The window's side of a job, as far as a job needs it: the progress dialog.
class DialogHost : public transfer::TransferHost, public platform::Prompts {
    // The dialog's lines come through a coalesced display, as in the window.
public:
    explicit DialogHost(TransferProgressDialog& dialog) : dialog_(dialog) {}
    platform::Prompts& prompts() override { return *this; }
    platform::Answer ask(const platform::Message& message) override {
        std::fprintf(stderr, "transferbench: the job asked message %d\n", message.id);
        failed = true;
        return platform::Answer::No;
    }
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    void setStatusMessage(int, int, const std::vector<platform::MessageArg>&) override {}
    void finishTransferUi() override { dialog_.releaseOwner(); }
    void refreshRemote() override {}
    void refreshLocal() override {}
    void connectionLost() override { failed = true; }
    bool failed = false;

private:
    TransferProgressDialog& dialog_;
};

// One job with the dialog shown, the UI thread turning its event loop until the end.
bool runJob(const bench::Server& server, bool upload, const std::string& localPath,
            std::vector<transfer::TransferItem> items, bool verify = true) {
    ftp::FtpSession session("127.0.0.1", server.user, server.password);
    session.port = server.port;
    session.passive = true;
    if (session.open() != 1 || session.login("127.0.0.1", server.user, server.password) != 230 ||
        session.learnFeatures() != 1)
        return false;
    QWidget owner;
    TransferProgressDialog dialog(&owner);
    dialog.createModeless();
    if (!std::getenv("TB_NODIALOG")) dialog.show();
    DialogHost host(dialog);
    UiDispatcher ui;
    transfer::CoalescedDisplay display;
    transfer::TransferJob job(host, display, ui);
    dialog.setProgressSource([&] { return job.progress().read(); }, &display);
    transfer::JobSettings settings;
    settings.transferMode = transfer::TransferMode::Binary;
    settings.serverName = "127.0.0.1";
    settings.localPath = localPath;
    settings.items = std::move(items);
    settings.verify = verify;
    if (upload)
        job.startUpload(session, settings);
    else
        job.startDownload(session, settings);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (!job.running()) loop.quit();
    });
    check.start(std::getenv("TB_CHECK") ? std::atoi(std::getenv("TB_CHECK")) : 2);
    loop.exec();
    job.stop();
    session.close();
    return !host.failed;
}

// With an even number of rounds each client runs first as often as second (running
// second, after a gigabyte was just written, costs); the median is then the mean of the
// two middle values.
double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty()) return 0;
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 4;
    std::int64_t bytes = 1LL << 30;
    bool ownNetwork = true;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) rounds = std::atoi(argv[++i]);
        if (arg == "--bytes" && i + 1 < argc) bytes = std::atoll(argv[++i]);
        if (arg == "--no-netns") ownNetwork = false;
        if (arg == "--only" && i + 1 < argc) only = argv[++i];
    }
    if (::geteuid() != 0) {
        std::fprintf(stderr, "transferbench: needs root (it runs vsftpd with a local test user)\n");
        return 2;
    }
    if (ownNetwork && !bench::isolateNetwork())
        std::fprintf(stderr, "transferbench: no network namespace of its own\n");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    platform::ResourceLanguageModule texts("ftp", platform::TextTable::parse(builtinTexts()), "");
    uitexts::install(&texts);

    testsupport::VsftpdServer vsftpd;
    if (!vsftpd.start()) {
        std::fprintf(stderr, "%s\n", vsftpd.error().c_str());
        return 1;
    }
    const bench::Server server{vsftpd.port(), vsftpd.user(), vsftpd.password(), false, {}};
    const std::string root = vsftpd.root();
    char pattern[] = "/tmp/transferbench-XXXXXX";
    const std::string local = ::mkdtemp(pattern);
    bench::writePattern(local + "/big.bin", bytes, 1);
    fs::copy_file(local + "/big.bin", root + "/big.bin");
    bench::makeTree(local + "/tree");
    bench::makeTree(root + "/tree-src");
    vsftpd.ownByLogin(root);

    // The checked rows' hashing server: pyftpdlib answers XSHA256, vsftpd no hash command.
    testsupport::PyftpdlibServer pyftpdlib;
    if (!pyftpdlib.start()) {
        std::fprintf(stderr, "%s\n", pyftpdlib.error().c_str());
        return 1;
    }
    const bench::Server hashing{
        pyftpdlib.port(), pyftpdlib.user(), pyftpdlib.password(), false, {}};

    bench::EngineClient engine(server, true);
    bench::LftpClient lftp(server, true), lftpHashing(hashing, true);
    struct Client {
        std::string name;
        std::function<bool(int round)> run;
        std::function<void(int round)> after = {};  // untimed, before the files are cleared
    };
    struct Case {
        std::string name;
        double amount;
        bool files;
        std::vector<Client> clients;
        std::function<void(int round)> clean;
    };
    auto bigSize = [&](const std::string& path) {
        std::error_code ec;
        return static_cast<std::int64_t>(fs::file_size(path, ec)) == bytes;
    };
    // The worker uploading the big file as name into serverRoot: a hard link of it under
    // that name in a folder of its own is what the job is given.
    auto workerUpload = [&](const bench::Server& to, const std::string& serverRoot,
                            const std::string& name, bool verify) {
        const std::string dir = local + "/w-" + name + "/";
        fs::create_directories(dir);
        fs::create_hard_link(local + "/big.bin", dir + name);
        const bool done = runJob(to, true, dir, {{name, false, ftp::EntryType::File, {}}}, verify);
        fs::remove_all(dir);
        return done && bigSize(serverRoot + "/" + name);
    };
    // The worker uploading the tree as name into vsftpd's root, through a link so named.
    auto workerTree = [&](const std::string& name, bool verify) {
        const std::string dir = local + "/w-" + name;
        fs::create_directories(dir);
        fs::create_directory_symlink(local + "/tree", dir + "/" + name);
        const bool done =
            runJob(server, true, dir + "/", {{name, true, ftp::EntryType::Directory, {}}}, verify);
        fs::remove_all(dir);
        return done && bench::countTreeFiles(root + "/" + name) == 1000;
    };
    auto tag = [](const char* prefix, int r) { return prefix + std::to_string(r); };
    std::map<std::string, std::map<std::string, std::vector<double>>> seconds;
    const std::string kCheckedBig = "checked 1 GiB, SHA-256";
    std::vector<Case> cases = {
        {"upload 1 GiB file",
         double(bytes),
         false,
         {{"engine", [&](int r) { return engine.upload(local + "/big.bin", tag("up-e", r)); }},
          {"worker", [&](int r) { return workerUpload(server, root, tag("up-w", r), true); }}},
         [&](int r) {
             fs::remove(root + "/" + tag("up-e", r));
             fs::remove(root + "/" + tag("up-w", r));
         }},
        {"download 1 GiB file",
         double(bytes),
         false,
         {{"engine",
           [&](int r) {
               return engine.download("big.bin", local + "/down" + std::to_string(r) + "e.bin");
           }},
          {"worker",
           [&](int r) {
               fs::create_directories(local + "/d" + std::to_string(r));
               return runJob(server, false, local + "/d" + std::to_string(r) + "/",
                             {{"big.bin", false, ftp::EntryType::File, {}}}) &&
                      bigSize(local + "/d" + std::to_string(r) + "/big.bin");
           }}},
         [&](int r) {
             fs::remove(local + "/down" + std::to_string(r) + "e.bin");
             fs::remove_all(local + "/d" + std::to_string(r));
         }},
        {"upload 1,000-file tree",
         1000,
         true,
         {{"lftp", [&](int r) { return lftp.uploadTree(local + "/tree", tag("lt", r)); }},
          {"worker", [&](int r) { return workerTree(tag("wt", r), true); }}},
         [&](int r) {
             fs::remove_all(root + "/" + tag("lt", r));
             fs::remove_all(root + "/" + tag("wt", r));
         }},
        {"download 1,000-file tree",
         1000,
         true,
         {{"lftp",
           [&](int r) { return lftp.downloadTree("tree-src", local + "/lt" + std::to_string(r)); }},
          {"worker",
           [&](int r) {
               const std::string dir = local + "/wd" + std::to_string(r);
               fs::create_directories(dir);
               return runJob(server, false, dir + "/",
                             {{"tree-src", true, ftp::EntryType::Directory, {}}}) &&
                      bench::countTreeFiles(dir + "/tree-src") == 1000;
           }}},
         [&](int r) {
             fs::remove_all(local + "/lt" + std::to_string(r));
             fs::remove_all(local + "/wd" + std::to_string(r));
         }},
        // What checking costs: the worker with and without it, lftp beside them.
        {"checked tree, vsftpd, size",
         1000,
         true,
         {{"lftp", [&](int r) { return lftp.uploadTree(local + "/tree", tag("ct-l", r)); }},
          {"unchecked", [&](int r) { return workerTree(tag("ct-u", r), false); }},
          {"worker", [&](int r) { return workerTree(tag("ct-w", r), true); }}},
         [&](int r) {
             for (const char* prefix : {"ct-l", "ct-u", "ct-w"})
                 fs::remove_all(root + "/" + tag(prefix, r));
         }},
        {kCheckedBig,
         double(bytes),
         false,
         {{"lftp", [&](int r) { return lftpHashing.upload(local + "/big.bin", tag("cb-l", r)); }},
          {"unchecked",
           [&](int r) { return workerUpload(hashing, pyftpdlib.root(), tag("cb-u", r), false); },
           // The yardstick: the server hashing the copy it has just written, as a check
           // does, less lftp's start and login.
           [&](int r) {
               QElapsedTimer timer;
               timer.start();
               lftpHashing.quote("NOOP");
               const qint64 login = timer.nsecsElapsed();
               lftpHashing.quote("XSHA256 " + tag("cb-u", r));
               const double hash = static_cast<double>(timer.nsecsElapsed() - 2 * login) / 1e9;
               seconds[kCheckedBig]["server hash"].push_back(hash);
               std::fprintf(stderr, "round %d  server hash of the new copy %.2f s\n", r, hash);
           }},
          {"worker",
           [&](int r) { return workerUpload(hashing, pyftpdlib.root(), tag("cb-w", r), true); }},
          {"local hash",
           [&](int) {
               std::string hex;
               return ftp::hashLocalFile(local + "/big.bin", ftp::HashAlgorithm::Sha256, hex) == 0;
           }}},
         [&](int r) {
             for (const char* prefix : {"cb-l", "cb-u", "cb-w"})
                 fs::remove(pyftpdlib.root() + "/" + tag(prefix, r));
         }},
    };

    std::erase_if(cases, [&](const Case& c) { return c.name.find(only) == std::string::npos; });
    if (const char* client = std::getenv("TB_CLIENT"))
        for (auto& c : cases)
            std::erase_if(c.clients, [&](const Client& k) { return k.name != client; });
    bool ok = true;
    for (int round = 0; round < rounds; ++round)
        for (auto& c : cases) {
            for (std::size_t k = 0; k < c.clients.size(); ++k) {
                const Client& client =
                    c.clients[(k + static_cast<std::size_t>(round)) % c.clients.size()];
                // Dirty pages of the last run must not be this run's cost.
                ::sync();
                QElapsedTimer timer;
                timer.start();
                const bool done = client.run(round);
                const double s = static_cast<double>(timer.nsecsElapsed()) / 1e9;
                if (!done) {
                    std::fprintf(stderr, "transferbench: %s / %s failed\n", c.name.c_str(),
                                 client.name.c_str());
                    ok = false;
                }
                seconds[c.name][client.name].push_back(done ? s : 0);
                std::fprintf(stderr, "round %d  %-26s %-7s %.2f s\n", round, c.name.c_str(),
                             client.name.c_str(), s);
                if (client.after) client.after(round);
                // A gigabyte left in place makes the next client's run twice as long.
                c.clean(round);
            }
        }

    std::printf("%-26s %-24s %-24s %s\n", "case", "reference", "worker + dialog",
                "worker / reference");
    for (const auto& c : cases) {
        const std::string reference = c.clients[0].name;
        const double ref = median(seconds[c.name][reference]);
        const double worker = median(seconds[c.name]["worker"]);
        auto figure = [&](double s) {
            char text[64];
            if (s <= 0) return std::string("failed");
            if (c.files)
                std::snprintf(text, sizeof text, "%.2f s %6.0f files/s", s, c.amount / s);
            else
                std::snprintf(text, sizeof text, "%.2f s %5.2f GB/s", s, c.amount / s / 1e9);
            return std::string(text);
        };
        std::printf("%-26s %-6s %-17s %-24s %.2f\n", c.name.c_str(), reference.c_str(),
                    figure(ref).c_str(), figure(worker).c_str(), worker > 0 ? ref / worker : 0.0);
        for (std::size_t k = 1; k < c.clients.size(); ++k)
            if (c.clients[k].name != "worker")
                std::printf("%-26s %-11s %s\n", "", c.clients[k].name.c_str(),
                            figure(median(seconds[c.name][c.clients[k].name])).c_str());
        if (seconds[c.name].count("server hash"))
            std::printf("%-26s %-11s %s\n", "", "server hash of its new copy",
                        figure(median(seconds[c.name]["server hash"])).c_str());
        // Costs are taken within a round, where the machine's state is the same for both.
        const auto& runs = seconds[c.name];
        if (!runs.count("unchecked") || worker <= 0) continue;
        std::vector<double> costs;
        const bool hashed = runs.count("local hash") > 0;
        for (std::size_t r = 0; r < runs.at("unchecked").size(); ++r) {
            const double extra = runs.at("worker")[r] - runs.at("unchecked")[r];
            costs.push_back(
                hashed ? extra / std::max(runs.at("local hash")[r], runs.at("server hash")[r])
                       : extra / runs.at("unchecked")[r] * 100);
        }
        if (hashed)
            std::printf("%-26s checking cost %.2fx the slower hash (limit 1x)\n", "",
                        median(costs));
        else
            std::printf("%-26s checking cost %+.1f %% (limit 10 %%)\n", "", median(costs));
    }
    fs::remove_all(local);
    uitexts::install(nullptr);
    return ok ? 0 : 1;
}
