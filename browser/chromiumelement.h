#pragma once
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "domnodes.h"
#include "edithistory.h"
#include "model/page/liveelement.h"
#include "remoteobject.h"

namespace marklens {

// A live element (or comment, or frame document) of a page, held as a remote object of the
// probe's isolated world; the probe's methods read it. Writes go through the browser's DOM
// domain, so that its history can take them back: each one is a step of the edit history.
class CChromiumElement : public ILiveElement {
public:
    static constexpr const char* kEditHtml = "Edit HTML";
    static constexpr const char* kSetStyle = "Set Style";

    CChromiumElement(RemoteObjectHandle probe, RemoteObjectHandle object, DomNodesHandle dom,
                     std::shared_ptr<CEditHistory> history)
        : probe_(std::move(probe)), object_(std::move(object)), dom_(std::move(dom)), history_(std::move(history)) {}

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
    // A node the probe's method answers for this one.
    RemoteObjectHandle ProbeNode(const char* method, bool flag) const;
    bool IsComment();
    // Writes through the DOM domain (write gets the node id of the node that stands for this
    // one's markup) and records the step; replaces: the write puts other nodes in its place.
    void Edit(const char* label, bool replaces, const std::function<void(int nodeId)>& write);
    void SetContent(const std::string& content, bool asText);

    RemoteObjectHandle probe_;
    RemoteObjectHandle object_;
    DomNodesHandle dom_;
    std::shared_ptr<CEditHistory> history_;
};

}  // namespace marklens
