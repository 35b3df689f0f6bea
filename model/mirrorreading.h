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

}  // namespace marklens
