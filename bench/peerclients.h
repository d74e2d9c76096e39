#pragma once

#include <string>
#include <vector>

#include "engineclient.h"

namespace bench {

// Runs a program to its end with stdout and stderr sent to outputPath ("" discards
// them). True when it exited with 0.
bool runProgram(const std::vector<std::string>& argv, const std::string& outputPath = "");

// curl and lftp doing the benchmarks' work, each in one process and one session.
class CurlClient {
public:
    CurlClient(Server server, bool passive, std::string workDir)
        : server_(std::move(server)), passive_(passive), work_(std::move(workDir)) {}
    bool download(const std::string& remoteName, const std::string& localPath);
    bool upload(const std::string& localPath, const std::string& remoteName);
    bool list(const std::string& directory);
    // curl cannot walk a tree: it is given every file, in one process.
    bool uploadTree(const std::string& localTree, const std::string& remoteTree);
    bool downloadTree(const std::string& remoteTree, const std::string& localTree,
                      const std::vector<std::string>& files);

private:
    std::vector<std::string> base() const;
    std::string url(const std::string& path) const;
    bool runConfig(const std::string& config, const std::vector<std::string>& extra);

    Server server_;
    bool passive_;
    std::string work_;
};

class LftpClient {
public:
    LftpClient(Server server, bool passive) : server_(std::move(server)), passive_(passive) {}
    bool download(const std::string& remoteName, const std::string& localPath);
    bool upload(const std::string& localPath, const std::string& remoteName);
    bool list(const std::string& directory);
    bool uploadTree(const std::string& localTree, const std::string& remoteTree);
    bool downloadTree(const std::string& remoteTree, const std::string& localTree);
    // One command sent as it stands, its reply discarded.
    bool quote(const std::string& command);

private:
    bool run(const std::string& commands);

    Server server_;
    bool passive_;
};

}  // namespace bench
