#pragma once
#include <pugixml.hpp>

namespace marklens {

// Writes outside-children ("1" when the descendants' boxes reach outside the node's own box,
// else "0") on the node and every element below it. Iterative, so any depth is fine.
void MarkOutsideChildren(pugi::xml_node documentElement);

// The box a node stands for in the mirror: element and frame nodes have one, others do not.
bool HasOwnBox(pugi::xml_node node);

}  // namespace marklens
