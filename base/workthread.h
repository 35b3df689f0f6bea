#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "cancellation.h"

namespace marklens {

// A thread that runs jobs one after the other in the order they were posted. Whatever a job
// touches that belongs to the thread (a browser session and its objects) is only ever touched
// there. Destruction runs the jobs already posted, then joins.
class CWorkThread {
public:
    CWorkThread();
    ~CWorkThread();
    CWorkThread(const CWorkThread&) = delete;
    CWorkThread& operator=(const CWorkThread&) = delete;

    // Queues the job; callable from any thread. A job that throws ends only itself.
    void Post(std::function<void()> job);
    // True once every job posted so far has run.
    bool IsIdle() const;
    // For a job that waits on something outside: asked for as soon as another job is queued
    // (at once when one is).
    CancellationHandle NextJobSignal();

private:
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    CancellationHandle nextJob_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace marklens
