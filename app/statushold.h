#pragma once
#include <cstdint>

namespace marklens {

// The status line's hold: after a held text, texts without hold are dropped for 5 seconds.
// Times are milliseconds of a monotonic 64-bit clock, so no wrap-around ever reopens or
// extends a hold.
class CStatusHold {
public:
    static constexpr std::int64_t kHoldMs = 5000;

    // Whether a text sent now with or without hold is shown; a held one (re)starts the hold.
    bool Accept(bool hold, std::int64_t nowMs);

private:
    std::int64_t holdUntil_ = 0;
};

}  // namespace marklens
