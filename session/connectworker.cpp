#include "connectworker.h"

#include "ftpsession.h"

namespace session {
namespace {

constexpr const char* kIdleCommand = "site IDLE 7200";

}  // namespace

bool usesPassiveMode(const ServerProfile& profile) {
    return profile.passiveMode != 0 || profile.name.find(":passive_mode") != std::string::npos;
}

ftp::NameEncoding nameEncodingOf(const ServerProfile& profile) {
    switch (profile.nameEncoding) {
        case kUtf8Names:
            return ftp::NameEncoding::Utf8;
        case kGb18030Names:
            return ftp::NameEncoding::Gb18030;
        default:
            return ftp::NameEncoding::Automatic;
    }
}

ConnectWorker::ConnectWorker(ConnectHost& host, platform::UiThread& ui) : host_(host), ui_(ui) {}

ConnectWorker::~ConnectWorker() {
    stop();
}

void ConnectWorker::start() {
    join();
    stopping_ = false;
    running_ = true;
    result_ = 0;
    thread_ = std::thread([this] {
        result_ = run();
        running_ = false;
    });
}

void ConnectWorker::stop() {
    stopping_ = true;
    {
        std::lock_guard lock(sessionMutex_);
        if (session_) session_->abort();
    }
    join();
}

void ConnectWorker::forgetSession() {
    std::lock_guard lock(sessionMutex_);
    session_ = nullptr;
}

void ConnectWorker::join() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool ConnectWorker::onUi(const std::function<void()>& work) {
    if (stopping_) return false;
    return ui_.runAndWait(work) && !stopping_;
}

bool ConnectWorker::message(int id, const std::vector<platform::MessageArg>& args) {
    return onUi([&] {
        host_.prompts().ask({id, args, platform::Buttons::Ok, platform::Icon::Warning});
    });
}

bool ConnectWorker::refuse(int id, const std::vector<platform::MessageArg>& args) {
    // The server's last words (SYST after a refused password) must not stand beside the
    // message as if connected.
    onUi([&] {
        host_.setConnectionIcon(0);
        host_.setStatusText(0, {});
    });
    return message(id, args);
}

bool ConnectWorker::askPassword(const std::string& host, std::string& password) {
    std::optional<std::string> typed;
    if (!onUi([&] { typed = host_.prompts().askPassword(host); })) return false;
    if (!typed) return false;
    password = *typed;
    return true;
}

int ConnectWorker::run() {
    bool selected = false;
    if (!onUi([&] { selected = host_.selectProfileForConnect(profile_, lastRemotePath_); }))
        return 0;
    if (!selected) {
        onUi([&] {
            host_.openOptionsSheet();
            host_.connectFinished(false);
        });
        return 0;
    }
    onUi([&] {
        host_.setProfileControlsEnabled(false);
        trustStorePath_ = host_.trustStorePath();
    });

    const bool throughFirewall = profile_.useFirewall != 0;
    auto owned =
        throughFirewall
            ? std::make_unique<ftp::FtpSession>(profile_.firewallHost, profile_.firewallUser,
                                                profile_.firewallPassword)
            : std::make_unique<ftp::FtpSession>(profile_.host, profile_.user, profile_.password);
    ftp::FtpSession& session = *owned;
    session.passive = usesPassiveMode(profile_);
    session.implicitTls = profile_.encryption == kRequireImplicitTls;
    session.nameEncoding = nameEncodingOf(profile_);
    session.machineListing = profile_.listCommand != kAlwaysList;
    ftp::StatusSink* sink = nullptr;
    onUi([&] { sink = host_.statusSink(); });
    session.setStatusSink(sink);
    {
        std::lock_guard lock(sessionMutex_);
        session_ = &session;
        if (stopping_) session.abort();
    }
    if (!onUi([&] { host_.adoptSession(std::move(owned)); })) {
        // The window is closing and never took the session: it goes with the worker.
        std::lock_guard lock(sessionMutex_);
        session_ = nullptr;
        return 0;
    }

    const int connected =
        throughFirewall ? connectThroughFirewall(session) : connectDirect(session);
    if (!connected) {
        fail(session);
        return 0;
    }
    const bool kept = loggedIn(session, throughFirewall);
    {
        std::lock_guard lock(sessionMutex_);
        session_ = nullptr;
    }
    onUi([&] { host_.connectFinished(kept); });
    return kept ? 1 : 0;
}

void ConnectWorker::fail(ftp::FtpSession& session) {
    // Closing sends QUIT when the control connection is up; a stop may still cut it short.
    if (!stopping_) session.close();
    {
        std::lock_guard lock(sessionMutex_);
        session_ = nullptr;
    }
    if (stopping_) return;
    onUi([&] {
        host_.setConnectionIcon(0);
        host_.setStatusText(0, {});  // the QUIT of a connection that never was ready
        host_.dropSession();
        host_.connectFinished(false);
    });
}

int ConnectWorker::connectDirect(ftp::FtpSession& session) {
    const int port = connectionPort(profile_);
    if (port > 0 && port != 21) session.port = port;
    onUi([&] { host_.setConnectionIcon(1); });
    if (!openSession(session, profile_.host, kConnectFailed)) return 0;
    onUi([&] { host_.setStatusMessage(0, kConnectedTo, {profile_.host}); });
    if (!secureControl(session, profile_.host)) return 0;
    std::string password = profile_.password;
    if (password.empty() && !askPassword(profile_.host, password)) return 0;
    session.password = password;
    const int code = session.login(profile_.host, profile_.user, password);
    if (code != 200 && code != 230) {
        refuse(code == 530 ? kLoginRefused : kConnectFailed, {profile_.host});
        return 0;
    }
    if (!learnFeatures(session, profile_.host)) return 0;
    return secureData(session, profile_.host) ? 1 : 0;
}

int ConnectWorker::connectThroughFirewall(ftp::FtpSession& session) {
    // Encryption is with the firewall, which carries both logins.
    session.port = session.implicitTls && firewallPort_ == 21 ? kImplicitTlsPort : firewallPort_;
    onUi([&] { host_.setConnectionIcon(1); });
    if (!openSession(session, profile_.firewallHost, kFirewallFailed)) return 0;
    onUi([&] { host_.setStatusMessage(0, kConnectedTo, {profile_.firewallHost}); });
    if (!secureControl(session, profile_.firewallHost)) return 0;
    std::string firewallPassword = profile_.firewallPassword;
    if (firewallPassword.empty() && !askPassword(profile_.firewallHost, firewallPassword)) return 0;
    session.password = firewallPassword;
    int code = session.login(profile_.firewallHost, profile_.firewallUser, firewallPassword);
    if (code != 200 && code != 230) {
        refuse(kFirewallFailed, {profile_.firewallHost});
        return 0;
    }
    onUi([&] {
        host_.setStatusMessage(0, kFirewallLoggedIn, {profile_.firewallHost});
        host_.setStatusMessage(0, kConnectedTo, {profile_.firewallHost});
    });
    std::string password = profile_.password;
    if (password.empty() && !askPassword(profile_.host, password)) return 0;
    code = session.loginViaSite(profile_.host, profile_.user, password);
    if (code != 200 && code != 230) {
        refuse(code == 421   ? kServerBusy
               : code == 530 ? kLoginRefused
                             : kConnectFailed,
               {profile_.host});
        return 0;
    }
    if (!learnFeatures(session, profile_.host)) return 0;
    return secureData(session, profile_.firewallHost) ? 1 : 0;
}

bool ConnectWorker::learnFeatures(ftp::FtpSession& session, const std::string& hostName) {
    if (session.learnFeatures()) return true;
    refuse(kConnectFailed, {hostName});
    return false;
}

bool ConnectWorker::loggedIn(ftp::FtpSession& session, bool throughFirewall) {
    onUi([&] { host_.setConnectionIcon(2); });
    std::string home;
    session.currentDirectory(home);
    onUi([&] { host_.setHomeDirectory(home); });

    std::string initial;
    if (profile_.initialDirMode == 1 && !lastRemotePath_.empty()) initial = lastRemotePath_;
    if (profile_.initialDirMode == 2 && !profile_.initialRemoteDir.empty())
        initial = profile_.initialRemoteDir;
    if (!initial.empty() && !session.changeDirectory(initial, false))
        message(kInitialDirectoryRefused, {initial});

    auto keepAlive = [&] {
        if (session.sendCommand(kIdleCommand, false)) {
            std::string reply;
            session.readReply(reply, false, 512);
        }
    };
    bool kept = false;
    if (throughFirewall) {
        if (!onUi([&] { kept = host_.remoteReady(); }) || !kept) return false;
        keepAlive();
        return true;
    }
    keepAlive();
    return onUi([&] { kept = host_.remoteReady(); }) && kept;
}

}  // namespace session
