#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "sinks.h"

namespace testsupport {

// Records every status text with its pane; safe to fill from an engine thread.
class RecordingStatusSink : public ftp::StatusSink {
public:
    void setStatusText(int pane, const std::string& text) override {
        std::lock_guard lock(mutex_);
        texts_.emplace_back(pane, text);
    }
    std::vector<std::string> pane(int which) const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const auto& [p, t] : texts_)
            if (p == which) out.push_back(t);
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> texts_;
};

// Records every byte counter report of a transfer.
class RecordingProgressSink : public ftp::ByteProgressSink {
public:
    void setByteCounter(std::int64_t total, std::int64_t done) override {
        std::lock_guard lock(mutex_);
        reports_.emplace_back(total, done);
    }
    std::vector<std::pair<std::int64_t, std::int64_t>> reports() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::int64_t, std::int64_t>> reports_;
};

}  // namespace testsupport
