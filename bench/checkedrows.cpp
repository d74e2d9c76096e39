#include "checkedrows.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "benchfiles.h"
#include "realftpservers.h"
#include "verification.h"

namespace bench {
namespace fs = std::filesystem;
namespace {

using Clock = std::chrono::steady_clock;

double secondsOf(const std::function<bool()>& work, bool& ok) {
    ::sync();
    const auto start = Clock::now();
    ok = work() && ok;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

bool runCheckedRows(const Server& vsftpd, const std::string& vsftpdRoot,
                    const std::string& localTree, const std::string& bigFile, std::int64_t bigBytes,
                    int rounds) {
    testsupport::PyftpdlibServer pyftpdlib;
    if (!pyftpdlib.start()) {
        std::fprintf(stderr, "%s\n", pyftpdlib.error().c_str());
        return false;
    }
    const Server hashing{pyftpdlib.port(), pyftpdlib.user(), pyftpdlib.password(), false, {}};
    EngineClient treePlain(vsftpd, true), treeChecked(vsftpd, true);
    EngineClient bigPlain(hashing, true), bigChecked(hashing, true);
    treeChecked.setChecked(true);
    bigChecked.setChecked(true);

    std::vector<double> tree[2], big[2], hash;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        const std::string tag = std::to_string(round);
        for (int k = 0; k < 2; ++k) {
            const int which = (k + round) % 2;  // a different one first in each round
            EngineClient& client = which == 0 ? treePlain : treeChecked;
            const std::string target = "checked-tree-" + std::to_string(which) + "-" + tag;
            tree[which].push_back(
                secondsOf([&] { return client.uploadTree(localTree, target); }, ok));
            std::fprintf(stderr, "  tree %-9s %.2f s\n", which ? "checked" : "unchecked",
                         tree[which].back());
            fs::remove_all(vsftpdRoot + "/" + target);
        }
        for (int k = 0; k < 2; ++k) {
            const int which = (k + round) % 2;
            EngineClient& client = which == 0 ? bigPlain : bigChecked;
            const std::string target = "checked-big-" + std::to_string(which) + "-" + tag;
            big[which].push_back(secondsOf([&] { return client.upload(bigFile, target); }, ok));
            std::fprintf(stderr, "  big  %-9s %.2f s\n", which ? "checked" : "unchecked",
                         big[which].back());
            fs::remove(pyftpdlib.root() + "/" + target);
        }
        std::string hex;
        hash.push_back(secondsOf(
            [&] { return ftp::hashLocalFile(bigFile, ftp::HashAlgorithm::Sha256, hex) == 0; }, ok));
    }
    const double t0 = median(tree[0]), t1 = median(tree[1]);
    const double b0 = median(big[0]), b1 = median(big[1]), h = median(hash);
    std::printf("\nchecked uploads, medians of %d rounds\n", rounds);
    std::printf("%-40s %-12s %-12s %s\n", "case", "unchecked", "checked", "cost");
    std::printf("%-40s %-12.2f %-12.2f %+.1f %% (limit 10 %%)\n", "1,000-file tree, vsftpd, SIZE",
                t0, t1, t0 > 0 ? (t1 - t0) / t0 * 100 : 0);
    std::printf("%-40s %-12.2f %-12.2f %+.2f s; local SHA-256 of the file %.2f s (%.2fx)\n",
                ("upload " + std::to_string(bigBytes >> 20) + " MiB, pyftpdlib, SHA-256").c_str(),
                b0, b1, b1 - b0, h, h > 0 ? (b1 - b0) / h : 0);
    if (!ok) std::printf("a checked or unchecked run FAILED\n");
    return ok;
}

}  // namespace bench
