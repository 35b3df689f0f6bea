#pragma once
#include "picture.h"

namespace marklens {

// A picture on its way while other calls to the page go on: it moves on between them and is
// taken at the end. Dropping it drops what is still on its way.
class IPendingPicture {
public:
    virtual ~IPendingPicture() = default;
    // Sends what can go now; never waits.
    virtual void GoOn() {}
    // Waits for the browser's answer, so that Take only has to decode it; fails as Take would.
    virtual void Receive() {}
    // The picture, once there; fails as a capture fails.
    virtual CPicture Take() = 0;
};

}  // namespace marklens
