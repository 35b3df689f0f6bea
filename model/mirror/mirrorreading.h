#pragma once
#include <string>

#include <pugixml.hpp>

#include "box.h"

namespace marklens {

// The mirror's reading rules. Integers follow atoi: leading blanks, a sign, digits up to the
// first other character; nothing readable gives 0. Values beyond 32 bits saturate.
int ParseAtoi(const char* text);
int IntAttribute(pugi::xml_node node, const char* name);
// Missing attributes read as the empty string.
std::string StringAttribute(pugi::xml_node node, const char* name);
// (left, top, left + width, top + height); no node gives the all-zero box. Sums saturate.
CBox NodeBox(pugi::xml_node node);
CBox BoxFromEdges(int left, int top, int width, int height);
// The node or the first element sibling after it; null when there is none.
pugi::xml_node NextElement(pugi::xml_node node);

// The attributes of a box node read in one pass over its attribute list; the first attribute
// of a name counts, as a look-up by name finds it. For the walks that read every node.
enum BoxAttribute {
    kNodeId,
    kLeft,
    kTop,
    kWidth,
    kHeight,
    kZIndex,
    kDisplay,
    kVisibility,
    kTransparent,
    kOutsideChildren,
    kShape,
    kBoxAttributeCount
};

class CBoxAttributes {
public:
    explicit CBoxAttributes(pugi::xml_node node);

    const char* Text(BoxAttribute which) const { return values_[which] ? values_[which] : ""; }
    int Number(BoxAttribute which) const { return ParseAtoi(values_[which]); }
    CBox Box() const { return BoxFromEdges(Number(kLeft), Number(kTop), Number(kWidth), Number(kHeight)); }

private:
    const char* values_[kBoxAttributeCount] = {};
};

}  // namespace marklens
