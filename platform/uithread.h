#pragma once

#include <functional>

namespace platform {

// Runs work on the UI thread and waits for it, from any thread; on the UI thread it
// just calls. Returns false when the work was not run because the window is closing:
// the caller must then stop what it is doing.
class UiThread {
public:
    virtual ~UiThread() = default;
    virtual bool runAndWait(const std::function<void()>& work) = 0;
    // Queues work for the UI thread and returns at once; work runs in the order it was
    // posted, and not at all once the window is closing.
    virtual void post(std::function<void()> work) = 0;
};

}  // namespace platform
