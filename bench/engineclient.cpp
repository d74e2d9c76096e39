#include "engineclient.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "ftpsession.h"

namespace bench {
namespace fs = std::filesystem;
namespace {

class Connected {
public:
    Connected(const Server& server, bool passive, LatestProgress* progress, bool checked = false)
        : session_("127.0.0.1", server.user, server.password) {
        session_.port = server.port;
        session_.passive = passive;
        session_.setProgressSink(progress);
        session_.tlsAnchors = server.certificate;
        ok_ = session_.open() == 1 && (!server.tls || session_.startTls() == 1) &&
              session_.login("127.0.0.1", server.user, server.password) == 230 &&
              (!server.tls || session_.protectData() == 1) &&
              (!(server.askFeatures || checked) || session_.learnFeatures() == 1);
        session_.machineListing = server.machineListing;
    }
    ~Connected() { session_.close(); }
    bool ok() const { return ok_; }
    ftp::FtpSession* operator->() { return &session_; }
    ftp::FtpSession& get() { return session_; }

private:
    ftp::FtpSession session_;
    bool ok_ = false;
};

bool enterOrMake(ftp::FtpSession& session, const std::string& name) {
    if (session.changeDirectory(name, true)) return true;
    session.makeDirectory(name);
    return session.changeDirectory(name, true) == 1;
}

bool uploadFile(ftp::FtpSession& session, const std::string& local, const std::string& remote,
                bool checked) {
    ftp::Verification how;
    return session.upload(local, remote, true) == 1 &&
           (!checked || session.verifyFile(local, remote, true, how) == 1);
}

bool uploadDirectory(ftp::FtpSession& session, const fs::path& local, bool checked) {
    std::vector<fs::directory_entry> entries(fs::directory_iterator(local), {});
    std::sort(entries.begin(), entries.end());
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            if (!enterOrMake(session, name) || !uploadDirectory(session, entry.path(), checked) ||
                !session.changeDirectory("..", true))
                return false;
        } else if (!uploadFile(session, entry.path().string(), name, checked)) {
            return false;
        }
    }
    return true;
}

bool downloadDirectory(ftp::FtpSession& session, const fs::path& local) {
    std::error_code ec;
    fs::create_directories(local, ec);
    auto entries = session.list();
    if (!entries) return false;
    for (const auto& entry : *entries) {
        if (entry.kind == ftp::FileEntry::Directory) {
            if (!session.changeDirectory(entry.name, true) ||
                !downloadDirectory(session, local / entry.name) ||
                !session.changeDirectory("..", true))
                return false;
        } else if (entry.kind == ftp::FileEntry::File) {
            if (!session.download((local / entry.name).string(), entry.name, true)) return false;
        }
    }
    return true;
}

}  // namespace

bool EngineClient::download(const std::string& remoteName, const std::string& localPath) {
    LatestProgress progress;
    Connected session(server_, passive_, &progress);
    return session.ok() && session->download(localPath, remoteName, true) == 1;
}

bool EngineClient::upload(const std::string& localPath, const std::string& remoteName) {
    LatestProgress progress;
    Connected session(server_, passive_, &progress, checked_);
    return session.ok() && uploadFile(session.get(), localPath, remoteName, checked_);
}

bool EngineClient::list(const std::string& directory, std::size_t& entries) {
    Connected session(server_, passive_, nullptr);
    if (!session.ok() || !session->changeDirectory(directory, true)) return false;
    auto listing = session->list();
    if (!listing) return false;
    entries = static_cast<std::size_t>(std::count_if(
        listing->begin(), listing->end(),
        [](const ftp::FileEntry& e) { return e.kind != ftp::FileEntry::NotAnEntry; }));
    return true;
}

bool EngineClient::uploadTree(const std::string& localTree, const std::string& remoteTree) {
    LatestProgress progress;
    Connected session(server_, passive_, &progress, checked_);
    return session.ok() && enterOrMake(session.get(), remoteTree) &&
           uploadDirectory(session.get(), localTree, checked_);
}

bool EngineClient::downloadTree(const std::string& remoteTree, const std::string& localTree) {
    LatestProgress progress;
    Connected session(server_, passive_, &progress);
    return session.ok() && session->changeDirectory(remoteTree, true) &&
           downloadDirectory(session.get(), localTree);
}

}  // namespace bench
