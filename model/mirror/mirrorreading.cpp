#include "mirrorreading.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "mirrorschema.h"

namespace marklens {
namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int Saturate(std::int64_t value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

int ParseAtoi(const char* text) {
    if (!text) return 0;
    while (IsCSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        // Past 2^31 the result is pinned anyway; stop growing so it cannot overflow.
        if (value <= std::int64_t{INT_MAX} + 1) value = value * 10 + (*text - '0');
    }
    return Saturate(negative ? -value : value);
}

int IntAttribute(pugi::xml_node node, const char* name) { return ParseAtoi(node.attribute(name).value()); }

std::string StringAttribute(pugi::xml_node node, const char* name) { return node.attribute(name).value(); }

CBox BoxFromEdges(int left, int top, int width, int height) {
    // A hostile mirror may push left + width past 32 bits; pin the edge rather than wrap.
    return {left, top, Saturate(std::int64_t{left} + width), Saturate(std::int64_t{top} + height)};
}

CBox NodeBox(pugi::xml_node node) {
    if (!node) return {};
    return BoxFromEdges(IntAttribute(node, schema::kLeft), IntAttribute(node, schema::kTop),
                        IntAttribute(node, schema::kWidth), IntAttribute(node, schema::kHeight));
}

namespace {

int BoxAttributeSlot(const char* name) {
    auto is = [name](const char* word) { return std::strcmp(name + 1, word + 1) == 0; };
    // The first letter picks the one name to compare.
    switch (name[0]) {
    case 'n': return is(schema::kNodeId) ? kNodeId : -1;
    case 'l': return is(schema::kLeft) ? kLeft : -1;
    case 't': return is(schema::kTop) ? kTop : is(schema::kTransparent) ? kTransparent : -1;
    case 'w': return is(schema::kWidth) ? kWidth : -1;
    case 'h': return is(schema::kHeight) ? kHeight : -1;
    case 'z': return is(schema::kZIndex) ? kZIndex : -1;
    case 'd': return is(schema::kDisplay) ? kDisplay : -1;
    case 'v': return is(schema::kVisibility) ? kVisibility : -1;
    case 'o': return is(schema::kOutsideChildren) ? kOutsideChildren : -1;
    case 's': return is(schema::kShape) ? kShape : -1;
    default: return -1;
    }
}

}  // namespace

CBoxAttributes::CBoxAttributes(pugi::xml_node node) {
    for (const pugi::xml_attribute attribute : node.attributes()) {
        const int slot = BoxAttributeSlot(attribute.name());
        if (slot >= 0 && !values_[slot]) values_[slot] = attribute.value();
    }
}

pugi::xml_node NextElement(pugi::xml_node node) {
    while (node && node.type() != pugi::node_element)
        node = node.next_sibling();
    return node;
}

}  // namespace marklens
