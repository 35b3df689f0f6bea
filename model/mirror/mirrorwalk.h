#pragma once
#include <pugixml.hpp>

namespace marklens {

// One step through the mirror's nodes in document order, wrapping around at the ends; the
// document node itself is never returned. Sets wrapped (and leaves it set) when the step
// passes from the last node to the document element, or backwards from the document element
// to the last node.
pugi::xml_node NextInWalk(pugi::xml_node node, bool searchUp, bool& wrapped);

}  // namespace marklens
