// Both stores against writers that are killed, and against two writers at once.
// The writers are child processes, as trandel and tsymig are separate programs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "cregistrybase.h"
#include "registrystore.h"
#include "scratchconfig.h"
#include "sitemgr50.h"

using tsy::CRegistryBase;
using tsy::HKEY_CURRENT_USER;

namespace {

// Runs body in a child process that tells the parent through a pipe once it has begun,
// and never returns into the test framework.
template <typename Body>
pid_t startChild(Body body) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        body([fd = fds[1]] {
            char c = 1;
            (void)!::write(fd, &c, 1);
        });
        ::_exit(0);
    }
    ::close(fds[1]);
    char c = 0;
    (void)!::read(fds[0], &c, 1);
    ::close(fds[0]);
    return pid;
}

void killAndReap(pid_t pid, int round) {
    ::usleep(static_cast<useconds_t>(300 + (round * 977) % 9000));  // vary the moment
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

bool exitedCleanly(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(StoreCrash, AKilledRegistryWriterLeavesTheOldOrTheNewFile) {
    ScratchConfig config;
    const std::string path = "Software\\Korvex\\Tessaly\\5.0\\Settings";
    CRegistryBase key(path, HKEY_CURRENT_USER, 1);
    // Enough other values that a write takes a while.
    for (int i = 0; i < 200; ++i)
        key.SetValueDWORD("filler" + std::to_string(i), i);
    const std::string a(20000, 'a'), b(20000, 'b');
    key.SetValueString("value", a);

    for (int round = 0; round < 12; ++round) {
        pid_t pid = startChild([&](auto started) {
            CRegistryBase writer(path, HKEY_CURRENT_USER, 1);
            for (unsigned i = 0;; ++i) {
                writer.SetValueString("value", i % 2 ? a : b);
                if (i == 0) started();
            }
        });
        ASSERT_GT(pid, 0);
        // Readers meanwhile never see half a write.
        for (int read = 0; read < 5; ++read) {
            std::string value = key.GetValueString("value", "", 1);
            ASSERT_TRUE(value == a || value == b) << "read while writing";
        }
        killAndReap(pid, round);

        tsy::RegistryData data;
        ASSERT_TRUE(tsy::RegistryStore::load(HKEY_CURRENT_USER, data));
        EXPECT_TRUE(data.badLines().empty()) << "round " << round;
        std::string value = key.GetValueString("value", "", 1);
        EXPECT_TRUE(value == a || value == b) << "round " << round;
        EXPECT_EQ(key.GetValueDWORD("filler199", 0, 1), 199u);
    }
    // The next write clears what a killed writer may have left behind.
    key.SetValueString("value", "done");
    for (const auto& entry : std::filesystem::directory_iterator(config.dir())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
    }
}

TEST(StoreCrash, TwoRegistryWritersNeverLoseEachOthersValues) {
    ScratchConfig config;
    const std::string path = "Software\\Korvex\\Tessaly\\5.0\\Settings\\Template";
    const int perWriter = 60;
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; ++w) {
        writers.push_back(startChild([&](auto started) {
            started();
            CRegistryBase key(path, HKEY_CURRENT_USER, 1);
            for (int i = 0; i < perWriter; ++i) {
                if (!key.SetValueDWORD("w" + std::to_string(w) + "_" + std::to_string(i), i)) {
                    ::_exit(1);
                }
            }
        }));
    }
    for (pid_t pid : writers)
        EXPECT_TRUE(exitedCleanly(pid));
    CRegistryBase key(path, HKEY_CURRENT_USER, 0);
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < perWriter; ++i) {
            EXPECT_EQ(key.GetValueDWORD("w" + std::to_string(w) + "_" + std::to_string(i), 999),
                      static_cast<std::uint32_t>(i));
        }
    }
}

TEST(StoreCrash, AKilledDatabaseWriterLeavesAnIntactDatabase) {
    ScratchConfig config;
    const std::string folder = config.root() + "/Site/";
    auto fields = [](char c) {
        tsy::ServProfInfo info;
        info.host = std::string(500, c);
        info.user = info.password = info.firewallHost = std::string(50, c);
        info.port = c;
        info.mruDirLocal = std::string(300, c);
        return info;
    };
    {
        tsy::SiteMgr50 db;
        ASSERT_EQ(db.setDB(folder, "STP", "SVP", 0), 0);
        ASSERT_EQ(db.SetServProfInfo("profile", fields('a')), 0);
    }
    for (int round = 0; round < 8; ++round) {
        pid_t pid = startChild([&](auto started) {
            tsy::SiteMgr50 db;
            if (db.setDB(folder, "STP", "SVP", 0) != 0) ::_exit(1);
            for (unsigned i = 0;; ++i) {
                db.SetServProfInfo("profile", fields(i % 2 ? 'a' : 'b'));
                db.SetSiteProfInfo("site" + std::to_string(i % 5),
                                   std::vector<std::string>(21, std::string(40, 'x')));
                if (i == 0) started();
            }
        });
        ASSERT_GT(pid, 0);
        killAndReap(pid, round);

        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open((folder + "SVP").c_str(), &raw), SQLITE_OK);
        sqlite3_stmt* check = nullptr;
        sqlite3_prepare_v2(raw, "PRAGMA integrity_check", -1, &check, nullptr);
        ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
        sqlite3_finalize(check);
        sqlite3_close(raw);

        tsy::SiteMgr50 db;
        ASSERT_EQ(db.setDB(folder, "STP", "SVP", 0), 0);
        tsy::ServProfInfo info;
        ASSERT_EQ(db.GetServProfInfo("profile", info), 0);
        char c = info.host[0];
        EXPECT_TRUE(c == 'a' || c == 'b');
        // One write is all or nothing: every field comes from the same write.
        tsy::ServProfInfo expected = fields(c);
        EXPECT_EQ(info.host, expected.host);
        EXPECT_EQ(info.user, expected.user);
        EXPECT_EQ(info.port, expected.port);
        EXPECT_EQ(info.mruDirLocal, expected.mruDirLocal);
        std::vector<std::string> site;
        if (db.SiteProfGetID("site0") >= 0) {
            EXPECT_EQ(db.GetSiteProfInfo("site0", site), 0);
            EXPECT_EQ(site, std::vector<std::string>(21, std::string(40, 'x')));
        }
    }
}

}  // namespace
