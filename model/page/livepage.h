#pragma once
#include <memory>
#include <string>

#include "base/cancellation.h"
#include "liveobject.h"
#include "pageprobe.h"
#include "pendingpicture.h"
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
    // Captures the viewport as the tab is, without bringing it to the front: for pictures the
    // program takes by itself, again and again.
    virtual CPicture CapturePictureInPlace() { return CapturePicture(); }
    // The same picture, started now and taken later, so that it is taken while other calls run.
    // A page that cannot do that takes it when it is asked for.
    virtual std::unique_ptr<IPendingPicture> StartPictureInPlace();
    // The same, its capture sent before anything else is known, on the guess that the viewport
    // is where it was for the last picture, so that it comes with the frame the page draws
    // anyway; a wrong guess costs a second capture.
    virtual std::unique_ptr<IPendingPicture> StartPictureAtOnce() { return StartPictureInPlace(); }
    // From now on every call to the page, its probe and its elements gives up as soon as the
    // cancellation is asked for (none: only a time-out ends a wait), failing with
    // status::kCancelled. Called on the thread the page's calls run on.
    virtual void ObeyCancellation(CancellationHandle) {}

    // Runs a statement in the page's top window, in the world the page's own scripts share,
    // so their globals are visible; a statement that does not compile or throws fails. Pages
    // without script access fail with status::kInvalidPointer.
    virtual void ExecScript(const std::string& statement);
    // The object that the page global of that name holds; status::kFail when it holds none
    // (a number, a string, null, undefined).
    virtual LiveObjectHandle GlobalObject(const std::string& name);
};

using LivePageHandle = std::shared_ptr<ILivePage>;

}  // namespace marklens
