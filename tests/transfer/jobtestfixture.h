#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "ftpsession.h"
#include "scriptedftpserver.h"
#include "scriptedprompts.h"
#include "testfiles.h"
#include "transferhost.h"
#include "transferjob.h"
#include "uithread.h"

// Runs the job's window calls on the calling (worker) thread and records them: enough to
// test what a job does on the server and on the disk without any window.
class RecordingHost : public transfer::TransferHost,
                      public transfer::TransferDisplay,
                      public platform::UiThread {
public:
    bool runAndWait(const std::function<void()>& work) override {
        std::lock_guard lock(mutex_);
        work();
        return true;
    }
    void post(std::function<void()> work) override { runAndWait(work); }
    platform::Prompts& prompts() override { return prompts_; }
    void setStatusMessage(int pane, int id,
                          const std::vector<platform::MessageArg>& args) override {
        std::lock_guard lock(mutex_);
        std::string arg = args.empty() ? ""
                                       : std::visit(
                                             [](const auto& v) {
                                                 std::ostringstream s;
                                                 s << v;
                                                 return s.str();
                                             },
                                             args[0]);
        calls.push_back("status " + std::to_string(pane) + " " + std::to_string(id) + " " + arg);
    }
    void setSourceLine(const std::string& path, const std::string& name, char) override {
        std::lock_guard lock(mutex_);
        calls.push_back("source " + path + (name.empty() ? "" : "/" + name));
    }
    void setTargetLine(const std::string& path, const std::string& name, char) override {
        std::lock_guard lock(mutex_);
        calls.push_back("target " + path + (name.empty() ? "" : "/" + name));
    }
    void setModeLine(bool binary) override {
        std::lock_guard lock(mutex_);
        calls.push_back(binary ? "mode binary" : "mode text");
    }
    void setFileCounter(std::int64_t total, std::int64_t done) override {
        std::lock_guard lock(mutex_);
        calls.push_back("files " + std::to_string(total) + " " + std::to_string(done));
    }
    void setDirectionIcon(int direction) override {
        std::lock_guard lock(mutex_);
        calls.push_back("direction " + std::to_string(direction));
    }
    void setServerName(const std::string& name) override {
        std::lock_guard lock(mutex_);
        calls.push_back("server " + name);
    }
    void finishTransferUi() override {
        std::lock_guard lock(mutex_);
        calls.push_back("finish");
    }
    void refreshRemote() override {
        std::lock_guard lock(mutex_);
        calls.push_back("refresh remote");
    }
    void refreshLocal() override {
        std::lock_guard lock(mutex_);
        calls.push_back("refresh local");
    }
    void connectionLost() override {
        std::lock_guard lock(mutex_);
        calls.push_back("connection lost");
    }

    // The recorded calls that start with prefix.
    std::vector<std::string> only(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }

    std::recursive_mutex mutex_;
    std::vector<std::string> calls;
    testsupport::ScriptedPrompts prompts_;
};

// A local folder of the test's own, a job, and a wait for the job's end.
class JobTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("trandel-job-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    void TearDown() override {
        job_.stop();
        std::filesystem::remove_all(root_);
        std::filesystem::remove_all(trash());
    }
    void file(const std::string& relative, const std::string& contents) {
        testsupport::writeFile(root_ / relative, contents);
    }
    std::string read(const std::string& relative) const {
        return testsupport::readFile(root_ / relative);
    }
    transfer::JobSettings settings(
        std::vector<transfer::TransferItem> items,
        transfer::TransferMode mode = transfer::TransferMode::Automatic) const {
        transfer::JobSettings s;
        s.transferMode = mode;
        s.serverName = "ftp.example.org";
        s.localPath = root_.string() + "/";
        s.resumeStore = store();
        s.items = std::move(items);
        // The dialogue of most scripts is that of an unchecked transfer.
        s.verify = false;
        s.moveToTrash = [this](const std::string& path) {
            std::filesystem::create_directories(trash());
            std::error_code error;
            std::filesystem::rename(path, trash() / std::filesystem::path(path).filename(), error);
            return !error;
        };
        return s;
    }
    template <typename Predicate>
    bool waitUntil(Predicate predicate) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!predicate() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return predicate();
    }
    bool waitForEnd() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (job_.running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return !job_.running();
    }

    // The file of the uploads left partial, in the state folder of the test's own.
    std::string store() const { return (root_ / "state" / "partial-uploads").string(); }
    // Where the job's moveToTrash puts replaced local files.
    std::filesystem::path trash() const { return root_.string() + "-trash"; }

    std::filesystem::path root_;
    RecordingHost host_;
    transfer::TransferJob job_{host_, host_, host_};
};

// The scripted server's side of a job: the usual steps and the selection rows.
namespace jobsteps {

using testsupport::DataStep;
using testsupport::ScriptedFtpServer;
using transfer::TransferItem;

inline DataStep slowFinal() {
    DataStep step;
    step.finalDelay = std::chrono::milliseconds(400);
    return step;
}

inline DataStep sending(const std::string& data) {
    DataStep step;
    step.data = data;
    return step;
}

// A session on the scripted server, passive, as a connected window holds it.
inline std::unique_ptr<ftp::FtpSession> openSession(ScriptedFtpServer& server) {
    server.start();
    auto session = std::make_unique<ftp::FtpSession>("127.0.0.1", "u", "p");
    session->port = server.port();
    session->passive = true;
    EXPECT_EQ(session->open(), 1);
    session->serverType = ftp::ServerType::Unix;  // what a login to a UNIX server leaves
    return session;
}

inline TransferItem localFile(const std::string& name) {
    return {name, false, ftp::EntryType::File, {}};
}
inline TransferItem localDirectory(const std::string& name) {
    return {name, true, ftp::EntryType::Directory, {}};
}
inline TransferItem remoteFile(const std::string& name) {
    return {name, false, ftp::EntryType::File, {}};
}
inline TransferItem remoteDirectory(const std::string& name) {
    return {name, true, ftp::EntryType::Directory, {}};
}

inline ScriptedFtpServer& stor(ScriptedFtpServer& s, const std::string& type,
                               const std::string& name, DataStep step = {}) {
    return s.expectPasv()
        .expect("TYPE " + type, "200 ok\r\n")
        .expectReceiveData("STOR " + name, step);
}
inline ScriptedFtpServer& retr(ScriptedFtpServer& s, const std::string& type,
                               const std::string& name, const std::string& data) {
    return s.expectPasv()
        .expect("TYPE " + type, "200 ok\r\n")
        .expectSendData("RETR " + name, sending(data));
}
// The hash commands a session tries once when FEAT names none, all refused.
inline ScriptedFtpServer& hashProbesRefused(ScriptedFtpServer& s, const std::string& name) {
    for (const char* verb : {"XSHA256 ", "XSHA1 ", "XMD5 ", "XCRC "})
        s.expect(verb + name, "500 ?\r\n");
    return s;
}
inline std::string pwd(const std::string& path) {
    return "257 \"" + path + "\"\r\n";
}

}  // namespace jobsteps
