#pragma once
#include <cstdint>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "devtoolssession.h"
#include "domnodes.h"

namespace marklens {

// The style rules that apply to an element, as the browser's own cascade has them (its CSS
// domain): sheets of every origin, imported, constructed and shadow-root sheets, layers and
// nested rules, with the browser's specificity and order. Answered in the probe's rules format,
// the winner first: the inline style, then the matched rules from the highest precedence down.
// Browser defaults (the user-agent sheet) are left out.
class CCascadeRules {
public:
    using Json = nlohmann::json;

    explicit CCascadeRules(DomNodesHandle dom);
    const DomNodesHandle& Dom() const { return dom_; }

    // objectId: the element, or a document (whose root element is answered for), as a remote
    // object of the session; or, for generated content, the browser's id of it. Failures throw
    // CObjectCallError.
    std::string RulesXml(const std::string& objectId, std::int64_t backendId = 0);

private:
    void Enable();
    // Takes in the queued CSS and DOM events: sheet headers, a replaced document.
    void TakeEvents();
    Json MatchedStyles(int nodeId);
    // Where a rule comes from: its sheet, plus the media conditions it sits under.
    std::string SourceOf(const Json& rule) const;
    bool KnowsSheetsOf(const Json& matched) const;

    DomNodesHandle dom_;
    DevToolsSessionHandle session_;
    std::map<std::string, Json> sheets_;  // header by styleSheetId
    bool enabled_ = false;
};

}  // namespace marklens
