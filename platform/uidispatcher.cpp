#include "uidispatcher.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QThread>
#include <cstdint>

UiDispatcher::UiDispatcher(QObject* parent) : QObject(parent) {
    wakeUp_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeUp_ >= 0) {
        notifier_ = new QSocketNotifier(wakeUp_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &UiDispatcher::runPending);
    }
}

UiDispatcher::~UiDispatcher() {
    shutDown();
    delete notifier_;
    if (wakeUp_ >= 0) ::close(wakeUp_);
}

bool UiDispatcher::runAndWait(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return true;
    }
    auto call = std::make_shared<Call>();
    call->work = work;
    {
        std::lock_guard lock(mutex_);
        if (shutDown_ || wakeUp_ < 0) return false;
        pending_.push_back(call);
    }
    wake();
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return call->finished; });
    return call->ran;
}

void UiDispatcher::post(std::function<void()> work) {
    auto call = std::make_shared<Call>();
    call->work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        if (shutDown_ || wakeUp_ < 0) return;
        pending_.push_back(call);
    }
    wake();
}

void UiDispatcher::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wakeUp_, &one, sizeof one);
}

void UiDispatcher::runPending() {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t got = ::read(wakeUp_, &count, sizeof count);
    for (;;) {
        std::shared_ptr<Call> call;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) return;
            // Once taken, the call is never released early: the work may use the
            // caller's stack until it returns.
            call = pending_.front();
            pending_.pop_front();
        }
        call->work();
        {
            std::lock_guard lock(mutex_);
            call->ran = true;
            call->finished = true;
        }
        finished_.notify_all();
    }
}

void UiDispatcher::shutDown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        for (auto& call : pending_)
            call->finished = true;
        pending_.clear();
    }
    finished_.notify_all();
}

void UiDispatcher::reopen() {
    std::lock_guard lock(mutex_);
    shutDown_ = false;
}
