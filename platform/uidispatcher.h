#pragma once

#include <QObject>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>

#include "uithread.h"

// Runs work on the thread that created it (the UI thread) and makes the caller wait,
// the way a worker's synchronous call into a window works. shutDown() refuses further
// work and releases every waiting caller, so that a window that is closing can join
// its worker without either of them waiting for the other.
class UiDispatcher : public QObject, public platform::UiThread {
    Q_OBJECT
public:
    explicit UiDispatcher(QObject* parent = nullptr);
    ~UiDispatcher() override;

    bool runAndWait(const std::function<void()>& work) override;
    void shutDown();
    // Accepts work again (a window that stays open after a refused close).
    void reopen();

private:
    struct Call {
        std::function<void()> work;
        bool finished = false;
        bool ran = false;
    };
    void runPending(const std::shared_ptr<Call>& call);

    std::mutex mutex_;
    std::condition_variable finished_;
    std::list<std::shared_ptr<Call>> pending_;
    bool shutDown_ = false;
};
