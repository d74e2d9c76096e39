#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "uithread.h"

class QSocketNotifier;

// Runs work on the thread that created it (the UI thread) and makes the caller wait,
// the way a worker's synchronous call into a window works. shutDown() refuses further
// work and releases every waiting caller, so that a window that is closing can join
// its worker without either of them waiting for the other.
//
// The work itself travels through a queue of ours under a standard mutex; the UI thread
// is only woken through an event counter, so no data passes through the toolkit's
// event queue between the threads.
class UiDispatcher : public QObject, public platform::UiThread {
    Q_OBJECT
public:
    explicit UiDispatcher(QObject* parent = nullptr);
    ~UiDispatcher() override;

    bool runAndWait(const std::function<void()>& work) override;
    void post(std::function<void()> work) override;
    void shutDown();
    // Accepts work again (a window that stays open after a refused close).
    void reopen();

private:
    struct Call {
        std::function<void()> work;
        bool finished = false;
        bool ran = false;
    };
    void wake();
    void runPending();

    int wakeUp_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Call>> pending_;
    bool shutDown_ = false;
};
