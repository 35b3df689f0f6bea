#pragma once
#include "model/liveelement.h"
#include "remoteobject.h"

namespace marklens {

// A live element (or comment, or frame document) of a page, held as a remote object of the
// probe's isolated world.
class CChromiumElement : public ILiveElement {
public:
    explicit CChromiumElement(RemoteObjectHandle object) : object_(std::move(object)) {}

    std::string TagName() override;
    std::string OuterHtml() override;
    std::string InnerHtml() override;
    std::string Text() override;
    void SetOuterHtml(const std::string& html) override;
    void SetInnerHtml(const std::string& html) override;
    void SetText(const std::string& text) override;
    void SetStyleAttribute(const std::string& name, const std::string& value) override;

    const CRemoteObject& Object() const { return *object_; }

private:
    void CallWithText(const char* function, const std::string& text);

    RemoteObjectHandle object_;
};

}  // namespace marklens
