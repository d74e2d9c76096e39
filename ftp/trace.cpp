#include "trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace ftp::trace {
namespace {

std::mutex fileMutex;
std::FILE* traceFile = nullptr;  // guarded by fileMutex
std::atomic<bool> enabled{false};

}  // namespace

bool enable(const std::string& path) {
    std::lock_guard lock(fileMutex);
    if (traceFile) return true;
    // The trace shows host, user and every command: readable by the owner only,
    // also when an older file with wider permissions is reused.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::fchmod(fd, 0600) != 0) {
        ::close(fd);
        return false;
    }
    traceFile = ::fdopen(fd, "w");
    if (!traceFile) {
        ::close(fd);
        return false;
    }
    enabled.store(true);
    return true;
}

void disable() {
    std::lock_guard lock(fileMutex);
    enabled.store(false);
    if (traceFile) std::fclose(traceFile);
    traceFile = nullptr;
}

bool traceEnabled() {
    return enabled.load(std::memory_order_relaxed);
}

void write(const std::string& text) {
    if (!traceEnabled()) return;
    std::lock_guard lock(fileMutex);
    if (!traceFile) return;
    std::fwrite(text.data(), 1, text.size(), traceFile);
    std::fflush(traceFile);
}

}  // namespace ftp::trace
