#include "statushold.h"

namespace marklens {

bool CStatusHold::Accept(bool hold, std::int64_t nowMs) {
    if (hold) {
        holdUntil_ = nowMs + kHoldMs;
        return true;
    }
    return nowMs >= holdUntil_;
}

}  // namespace marklens
