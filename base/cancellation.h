#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace marklens {

// A request to stop that one thread makes and another obeys. Who waits for something outside
// (a browser's answer) can register a way to be woken, so that the wait ends at once.
class CCancellation {
public:
    // Callable from any thread, more than once.
    void Cancel();
    bool IsCancelled() const { return cancelled_.load(std::memory_order_acquire); }

    // While the returned object lives, Cancel calls wake (on the cancelling thread). wake must
    // be safe to call from any thread; it is also called at once when already cancelled.
    class CWakeUp {
    public:
        CWakeUp(CCancellation& owner, std::function<void()> wake);
        ~CWakeUp();
        CWakeUp(const CWakeUp&) = delete;
        CWakeUp& operator=(const CWakeUp&) = delete;

    private:
        CCancellation& owner_;
    };

private:
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::function<void()> wake_;
};

using CancellationHandle = std::shared_ptr<CCancellation>;

}  // namespace marklens
