#include "peerclients.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace bench {
namespace fs = std::filesystem;

bool runProgram(const std::vector<std::string>& argv, const std::string& outputPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = outputPath.empty() ? "/dev/null" : outputPath;
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> CurlClient::base() const {
    std::vector<std::string> argv = {
        "/usr/bin/curl", "-s", "-S", "-f", "-u", server_.user + ":" + server_.password};
    // A real PORT, not EPRT, for the active case; EPSV is curl's passive default.
    if (!passive_) argv.insert(argv.end(), {"-P", "127.0.0.1", "--disable-eprt"});
    if (server_.tls) argv.insert(argv.end(), {"--ssl-reqd", "--cacert", server_.certificate});
    return argv;
}

std::string CurlClient::url(const std::string& path) const {
    return "ftp://127.0.0.1:" + std::to_string(server_.port) + "/" + path;
}

bool CurlClient::runConfig(const std::string& config, const std::vector<std::string>& extra) {
    const std::string path = work_ + "/curl.config";
    std::ofstream(path) << config;
    auto argv = base();
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.insert(argv.end(), {"-K", path});
    return runProgram(argv);
}

bool CurlClient::download(const std::string& remoteName, const std::string& localPath) {
    auto argv = base();
    argv.insert(argv.end(), {"-o", localPath, url(remoteName)});
    return runProgram(argv);
}

bool CurlClient::upload(const std::string& localPath, const std::string& remoteName) {
    auto argv = base();
    argv.insert(argv.end(), {"-T", localPath, url(remoteName)});
    return runProgram(argv);
}

bool CurlClient::list(const std::string& directory) {
    auto argv = base();
    argv.insert(argv.end(), {"-o", "/dev/null", url(directory + "/")});
    return runProgram(argv);
}

bool CurlClient::uploadTree(const std::string& localTree, const std::string& remoteTree) {
    std::string config;
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(localTree))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files)
        config += "upload-file = \"" + f.string() + "\"\nurl = \"" +
                  url(remoteTree + "/" + fs::relative(f, localTree).string()) + "\"\n";
    return runConfig(config, {"--ftp-create-dirs"});
}

bool CurlClient::downloadTree(const std::string& remoteTree, const std::string& localTree,
                              const std::vector<std::string>& files) {
    std::string config;
    for (const auto& f : files)
        config += "url = \"" + url(remoteTree + "/" + f) + "\"\noutput = \"" + localTree + "/" + f +
                  "\"\n";
    return runConfig(config, {"--create-dirs"});
}

bool LftpClient::run(const std::string& commands) {
    // TLS only where the server requires it, no permission or time stamps sent after
    // uploads: the same work as the engine does.
    const std::string tls = server_.tls ? "set ftp:ssl-force true; set ftp:ssl-protect-data true; "
                                          "set ssl:ca-file " +
                                              server_.certificate + "; "
                                        : "set ftp:ssl-allow no; ";
    const std::string settings =
        tls + "set ftp:passive-mode " + std::string(passive_ ? "on" : "off") +
        "; set ftp:use-site-utime no; set ftp:use-site-utime2 no; "
        "set mirror:set-permissions off; set xfer:clobber on; set cache:enable no; "
        "set net:max-retries 1; open -u " +
        server_.user + "," + server_.password + " -p " + std::to_string(server_.port) +
        " 127.0.0.1; ";
    return runProgram({"/usr/bin/lftp", "-c", settings + commands});
}

bool LftpClient::download(const std::string& remoteName, const std::string& localPath) {
    return run("get " + remoteName + " -o " + localPath);
}

bool LftpClient::upload(const std::string& localPath, const std::string& remoteName) {
    return run("put " + localPath + " -o " + remoteName);
}

bool LftpClient::list(const std::string& directory) {
    return run("ls " + directory + " > /dev/null");
}

bool LftpClient::uploadTree(const std::string& localTree, const std::string& remoteTree) {
    return run("mirror -R --no-perms " + localTree + " " + remoteTree);
}

bool LftpClient::downloadTree(const std::string& remoteTree, const std::string& localTree) {
    return run("mirror --no-perms " + remoteTree + " " + localTree);
}

bool LftpClient::quote(const std::string& command) {
    return run("quote " + command + " > /dev/null");
}

}  // namespace bench
