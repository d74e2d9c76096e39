#include "uidispatcher.h"

#include <QMetaObject>
#include <QThread>

UiDispatcher::UiDispatcher(QObject* parent) : QObject(parent) {}

UiDispatcher::~UiDispatcher() { shutDown(); }

bool UiDispatcher::runAndWait(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return true;
    }
    auto call = std::make_shared<Call>();
    call->work = work;
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) return false;
        pending_.push_back(call);
    }
    QMetaObject::invokeMethod(this, [this, call] { runPending(call); }, Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return call->finished; });
    return call->ran;
}

void UiDispatcher::runPending(const std::shared_ptr<Call>& call) {
    {
        std::lock_guard lock(mutex_);
        if (call->finished) return;  // released by shutDown()
        // Once running, the call is never released early: the work may use the
        // caller's stack until it returns.
        pending_.remove(call);
    }
    call->work();
    {
        std::lock_guard lock(mutex_);
        call->ran = true;
        call->finished = true;
    }
    finished_.notify_all();
}

void UiDispatcher::shutDown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        for (auto& call : pending_) call->finished = true;
        pending_.clear();
    }
    finished_.notify_all();
}

void UiDispatcher::reopen() {
    std::lock_guard lock(mutex_);
    shutDown_ = false;
}
