#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "prompts.h"

namespace testsupport {

// Prompts for tests: records every question and gives the answers the test queued.
// A question without a queued answer is recorded as unexpected and answered with the
// box's escape answer (Cancel, or No for Yes/No boxes, or OK).
class ScriptedPrompts : public platform::Prompts {
public:
    void answer(platform::Answer next) {
        std::lock_guard lock(mutex_);
        answers_.push_back(next);
    }
    platform::Answer ask(const platform::Message& message) override {
        std::lock_guard lock(mutex_);
        asked_.push_back(message);
        if (!answers_.empty()) {
            auto next = answers_.front();
            answers_.pop_front();
            return next;
        }
        unexpected_.push_back(message.id);
        switch (message.buttons) {
            case platform::Buttons::Ok:
                return platform::Answer::Ok;
            case platform::Buttons::YesNo:
                return platform::Answer::No;
            default:
                return platform::Answer::Cancel;
        }
    }
    // Queues the answer of the next password prompt: a text, or nothing for Cancel.
    void password(std::optional<std::string> next) {
        std::lock_guard lock(mutex_);
        passwords_.push_back(std::move(next));
    }
    std::optional<std::string> askPassword(const std::string& host) override {
        std::lock_guard lock(mutex_);
        passwordHosts_.push_back(host);
        if (passwords_.empty()) {
            unexpected_.push_back(kPasswordPrompt);
            return std::nullopt;
        }
        auto next = passwords_.front();
        passwords_.pop_front();
        return next;
    }
    // Queues the answer of the next certificate dialog.
    void certificate(platform::CertificateAnswer next) {
        std::lock_guard lock(mutex_);
        certificateAnswers_.push_back(next);
    }
    platform::CertificateAnswer askCertificate(
        const platform::CertificateQuestion& question) override {
        std::lock_guard lock(mutex_);
        certificates_.push_back(question);
        if (certificateAnswers_.empty()) {
            unexpected_.push_back(kCertificateDialog);
            return platform::CertificateAnswer::Cancel;
        }
        auto next = certificateAnswers_.front();
        certificateAnswers_.pop_front();
        return next;
    }
    std::vector<platform::CertificateQuestion> certificates() const {
        std::lock_guard lock(mutex_);
        return certificates_;
    }
    static constexpr int kCertificateDialog = 1325;

    std::vector<std::string> passwordHosts() const {
        std::lock_guard lock(mutex_);
        return passwordHosts_;
    }
    static constexpr int kPasswordPrompt = 187;

    std::vector<int> askedIds() const {
        std::lock_guard lock(mutex_);
        std::vector<int> ids;
        for (const auto& m : asked_)
            ids.push_back(m.id);
        return ids;
    }
    std::vector<platform::Message> asked() const {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    std::vector<int> unexpected() const {
        std::lock_guard lock(mutex_);
        return unexpected_;
    }

private:
    mutable std::mutex mutex_;
    std::deque<platform::Answer> answers_;
    std::deque<std::optional<std::string>> passwords_;
    std::vector<std::string> passwordHosts_;
    std::deque<platform::CertificateAnswer> certificateAnswers_;
    std::vector<platform::CertificateQuestion> certificates_;
    std::vector<platform::Message> asked_;
    std::vector<int> unexpected_;
};

}  // namespace testsupport
