#include "cancellation.h"

namespace marklens {

void CCancellation::Cancel() {
    cancelled_.store(true, std::memory_order_release);
    const std::lock_guard lock(mutex_);
    if (wake_) wake_();
}

CCancellation::CWakeUp::CWakeUp(CCancellation& owner, std::function<void()> wake) : owner_(owner) {
    const std::lock_guard lock(owner_.mutex_);
    owner_.wake_ = std::move(wake);
    if (owner_.IsCancelled()) owner_.wake_();
}

CCancellation::CWakeUp::~CWakeUp() {
    const std::lock_guard lock(owner_.mutex_);
    owner_.wake_ = nullptr;
}

}  // namespace marklens
