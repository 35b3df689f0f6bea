#pragma once
#include <initializer_list>
#include <string>

#include "model/page/liveelement.h"
#include "remoteobject.h"

namespace marklens {

// A live element (or comment, or frame document) of a page, held as a remote object of the
// probe's isolated world; the probe's methods read and write it.
class CChromiumElement : public ILiveElement {
public:
    CChromiumElement(RemoteObjectHandle probe, RemoteObjectHandle object)
        : probe_(std::move(probe)), object_(std::move(object)) {}

    std::string TagName() override;
    std::string OuterHtml() override;
    std::string InnerHtml() override;
    std::string Text() override;
    void SetOuterHtml(const std::string& html) override;
    void SetInnerHtml(const std::string& html) override;
    void SetText(const std::string& text) override;
    void SetStyleAttribute(const std::string& name, const std::string& value) override;

    const CRemoteObject& Object() const { return *object_; }
    // The probe object that gave the element out.
    const RemoteObjectHandle& Probe() const { return probe_; }

private:
    std::string CallProbe(const char* method, std::initializer_list<std::string> texts);

    RemoteObjectHandle probe_;
    RemoteObjectHandle object_;
};

}  // namespace marklens
