#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

// A private configuration folder for one test: TESSALY_CONFIG_DIR points to a fresh
// temporary folder (so settings and data of the test never touch the user's), and every
// variable the test changes is restored afterwards.
class ScratchConfig {
public:
    ScratchConfig() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        root_ = made ? made : "";
        dir_ = root_ + "/config";
        set("TESSALY_CONFIG_DIR", dir_);
    }
    ~ScratchConfig() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchConfig(const ScratchConfig&) = delete;
    ScratchConfig& operator=(const ScratchConfig&) = delete;

    // Sets (or, with nullopt, removes) a variable until the end of the test.
    void set(const std::string& name, std::optional<std::string> value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }

    // The folder TESSALY_CONFIG_DIR names (not created in advance).
    const std::string& dir() const { return dir_; }
    // A scratch folder that exists, for anything else the test needs.
    const std::string& root() const { return root_; }

    static unsigned mode(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFFu;
    }

private:
    std::string root_;
    std::string dir_;
    std::map<std::string, std::optional<std::string>> saved_;
};
