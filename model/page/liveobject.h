#pragma once
#include <memory>

namespace marklens {

class ILivePage;

// Some object of a page's scripts that the program holds a reference to, such as the value of
// a page variable. Operations may throw CObjectCallError.
class ILiveObject {
public:
    virtual ~ILiveObject() = default;

    // When the object is a window that has a page of its own (one the page opened with
    // window.open), that page, ready to attach to. Fails with status::kInvalidPointer when the
    // object is no window, status::kAccessDenied when the window shows a page of another
    // origin, and status::kFail when its page cannot be found (closed, or a frame).
    virtual std::shared_ptr<ILivePage> WindowDocument() = 0;
};

using LiveObjectHandle = std::shared_ptr<ILiveObject>;

}  // namespace marklens
