#pragma once
#include <memory>
#include <string>

namespace marklens {

// A live element of the attached page, reached through the browser. Handles are counted
// (shared_ptr): the remote object is released when the last handle goes. Every operation
// may throw CObjectCallError; a handle that outlived its browser session fails cleanly.
// All text is UTF-8.
class ILiveElement {
public:
    virtual ~ILiveElement() = default;

    virtual std::string TagName() = 0;
    virtual std::string OuterHtml() = 0;
    virtual std::string InnerHtml() = 0;
    // The text of an OPTION, SCRIPT, TITLE or comment node.
    virtual std::string Text() = 0;
    virtual void SetOuterHtml(const std::string& html) = 0;
    virtual void SetInnerHtml(const std::string& html) = 0;
    virtual void SetText(const std::string& text) = 0;
    // Sets one property of the inline style; a name or value the browser rejects fails.
    virtual void SetStyleAttribute(const std::string& name, const std::string& value) = 0;
};

using LiveElementHandle = std::shared_ptr<ILiveElement>;

}  // namespace marklens
