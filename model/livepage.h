#pragma once
#include <memory>

#include "pageprobe.h"
#include "picture.h"

namespace marklens {

// The connected page's document in a browser tab. Operations may throw CObjectCallError.
class ILivePage {
public:
    virtual ~ILivePage() = default;

    // Creates the page probe inside the page; a page that refuses it fails with
    // status::kAccessDenied.
    virtual PageProbeHandle CreateProbe() = 0;
    // Brings the tab to the front and captures its viewport.
    virtual CPicture CapturePicture() = 0;
};

using LivePageHandle = std::shared_ptr<ILivePage>;

}  // namespace marklens
