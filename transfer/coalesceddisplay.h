#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "transferhost.h"

namespace transfer {

// Keeps what a job last showed, for the UI thread to put on the dialog on a timer: a
// large tree then costs the worker no wait for the window per file. Every line shows
// its latest text; what changed between two looks is skipped, never reordered.
class CoalescedDisplay : public TransferDisplay {
public:
    void setSourceLine(const std::string& path, const std::string& name, char separator) override;
    void setTargetLine(const std::string& path, const std::string& name, char separator) override;
    void setModeLine(bool binary) override;
    void setFileCounter(std::int64_t total, std::int64_t done) override;
    void setDirectionIcon(int direction) override;
    void setServerName(const std::string& name) override;

    // Puts what changed since the last call on the target (UI thread).
    void applyTo(TransferDisplay& target);
    // Forgets everything, for a new job.
    void reset();

private:
    struct Line {
        std::string path, name;
        char separator = 0;
    };
    enum Changed : unsigned {
        Source = 1,
        Target = 2,
        Mode = 4,
        Files = 8,
        Direction = 16,
        Server = 32
    };

    std::mutex mutex_;
    unsigned changed_ = 0;
    Line source_, target_;
    bool binary_ = false;
    std::int64_t total_ = 0, done_ = 0;
    int direction_ = 1;
    std::string server_;
};

}  // namespace transfer
