#include "mirrorreading.h"

#include <climits>
#include <cstdint>

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
    while (IsCSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        // Past 2^31 the result is pinned anyway; stop growing so it cannot overflow.
        if (value <= std::int64_t{INT_MAX} + 1) value = value * 10 + (*text - '0');
    }
    return Saturate(negative ? -value : value);
}

int IntAttribute(pugi::xml_node node, const char* name) {
    return ParseAtoi(node.attribute(name).value());
}

std::string StringAttribute(pugi::xml_node node, const char* name) {
    return node.attribute(name).value();
}

CBox NodeBox(pugi::xml_node node) {
    if (!node) return {};
    const int left = IntAttribute(node, "left");
    const int top = IntAttribute(node, "top");
    // A hostile mirror may push left + width past 32 bits; pin the edge rather than wrap.
    return {left, top, Saturate(std::int64_t{left} + IntAttribute(node, "width")),
            Saturate(std::int64_t{top} + IntAttribute(node, "height"))};
}

}  // namespace marklens
