#pragma once
#include <memory>
#include <string>

#include "liveelement.h"

namespace marklens {

class ILivePage;

// The mirror request's answer as the probe delivers it: the mirror's XML text, or the probe's
// compact records that the mirror is built from directly.
struct CMirrorAnswer {
    std::string text;
    bool records = false;
};

// The page probe: the object created inside the attached page that does all page-side work.
// A failing call throws CObjectCallError.
class IPageProbe {
public:
    virtual ~IPageProbe() = default;

    // The page mirror as one XML text. Both integers are passed as 0.
    virtual std::string RequestMirror(ILivePage& page, int reserved1, int reserved2) = 0;
    // The same mirror in the form the probe makes it, for a rebuild without a text round trip.
    virtual CMirrorAnswer RequestMirrorAnswer(ILivePage& page) { return {RequestMirror(page, 0, 0), false}; }
    // One "/attribs/attrib" entry per catalog entry, in catalog order, with current and
    // default values.
    virtual std::string CurrentStyle(ILiveElement& element, const std::string& catalogXml) = 0;
    // The live element for a node identifier of the current mirror, given as "%d" text.
    virtual LiveElementHandle ElementForId(const std::string& nodeIdText) = 0;
    // One "/style/rule" entry per applying rule, in display order.
    virtual std::string StyleRules(ILiveElement& element) = 0;
};

using PageProbeHandle = std::shared_ptr<IPageProbe>;

}  // namespace marklens
