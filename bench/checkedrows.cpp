#include "checkedrows.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "benchfiles.h"
#include "peerclients.h"
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
    LftpClient treeLftp(vsftpd, true), bigLftp(hashing, true);
    treeChecked.setChecked(true);
    bigChecked.setChecked(true);

    const char* names[] = {"unchecked", "checked", "lftp"};
    std::vector<double> tree[3], big[3], hash, serverHash, treeCost, bigCost;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        const std::string tag = std::to_string(round);
        for (int k = 0; k < 3; ++k) {
            const int which = (k + round) % 3;  // a different one first in each round
            const std::string target = "checked-tree-" + std::to_string(which) + "-" + tag;
            tree[which].push_back(secondsOf(
                [&] {
                    return which == 2
                               ? treeLftp.uploadTree(localTree, target)
                               : (which ? treeChecked : treePlain).uploadTree(localTree, target);
                },
                ok));
            std::fprintf(stderr, "  tree %-9s %.2f s\n", names[which], tree[which].back());
            fs::remove_all(vsftpdRoot + "/" + target);
        }
        for (int k = 0; k < 3; ++k) {
            const int which = (k + round) % 3;
            const std::string target = "checked-big-" + std::to_string(which) + "-" + tag;
            big[which].push_back(secondsOf(
                [&] {
                    return which == 2 ? bigLftp.upload(bigFile, target)
                                      : (which ? bigChecked : bigPlain).upload(bigFile, target);
                },
                ok));
            std::fprintf(stderr, "  big  %-9s %.2f s\n", names[which], big[which].back());
            if (which == 0) {
                // The yardstick: the server hashing the copy it has just written, as a
                // check does, less lftp's start and login (a NOOP).
                const double noop = secondsOf([&] { return bigLftp.quote("NOOP"); }, ok);
                serverHash.push_back(
                    secondsOf([&] { return bigLftp.quote("XSHA256 " + target); }, ok) - noop);
            }
            fs::remove(pyftpdlib.root() + "/" + target);
        }
        std::string hex;
        hash.push_back(secondsOf(
            [&] { return ftp::hashLocalFile(bigFile, ftp::HashAlgorithm::Sha256, hex) == 0; }, ok));
        std::fprintf(stderr, "  hash local %.2f s, server %.2f s\n", hash.back(),
                     serverHash.back());
        // Costs are taken within a round, where the machine's state is the same for both.
        treeCost.push_back(tree[1].back() / tree[0].back() - 1);
        bigCost.push_back((big[1].back() - big[0].back()) /
                          std::max(hash.back(), serverHash.back()));
    }
    const double h = median(hash), sh = median(serverHash);
    std::printf("\nchecked uploads, medians of %d rounds\n", rounds);
    std::printf("%-36s %-10s %-10s %-10s %s\n", "case", "unchecked", "checked", "lftp", "cost");
    std::printf("%-36s %-10.2f %-10.2f %-10.2f %+.1f %% (limit 10 %%)\n",
                "1,000-file tree, vsftpd, SIZE", median(tree[0]), median(tree[1]), median(tree[2]),
                median(treeCost) * 100);
    std::printf("%-36s %-10.2f %-10.2f %-10.2f %.2fx the slower hash (limit 1x)\n",
                ("upload " + std::to_string(bigBytes >> 20) + " MiB, pyftpdlib, SHA-256").c_str(),
                median(big[0]), median(big[1]), median(big[2]), median(bigCost));
    std::printf("%-36s local %.2f s, server, of its new copy %.2f s\n",
                "SHA-256 of the big file alone", h, sh);
    std::printf("costs are medians of each round's checked against unchecked\n");
    if (!ok) std::printf("a checked, unchecked or lftp run FAILED\n");
    return ok;
}

}  // namespace bench
