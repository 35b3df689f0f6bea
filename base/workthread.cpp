#include "workthread.h"

#include <utility>

namespace marklens {

CWorkThread::CWorkThread() : thread_([this] { Run(); }) {}

CWorkThread::~CWorkThread() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        if (nextJob_) std::exchange(nextJob_, nullptr)->Cancel();
    }
    wake_.notify_one();
    thread_.join();
}

void CWorkThread::Post(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (nextJob_) std::exchange(nextJob_, nullptr)->Cancel();
    }
    wake_.notify_one();
}

bool CWorkThread::IsIdle() const {
    const std::lock_guard lock(mutex_);
    return jobs_.empty() && !running_;
}

CancellationHandle CWorkThread::NextJobSignal() {
    auto signal = std::make_shared<CCancellation>();
    const std::lock_guard lock(mutex_);
    if (jobs_.empty() && !stopping_) {
        nextJob_ = signal;
    } else {
        signal->Cancel();
    }
    return signal;
}

void CWorkThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        try {
            job();
        } catch (...) {
            // The job's owner hears of its failures through the job itself.
        }
        job = nullptr;  // what the job held goes on this thread
        lock.lock();
        running_ = false;
    }
}

}  // namespace marklens
