#pragma once
#include <string>

#include <pugixml.hpp>

namespace marklens::cli {

// The mirror below documentElement as one JSON object a node: {"kind": the node's name, its
// attributes by name, "children": [...]}. Integer attributes are numbers as the mirror reads
// them; where an attribute name repeats, the first counts. Made without recursion: pages nest
// deeper than a stack allows.
std::string MirrorJson(pugi::xml_node documentElement);

}  // namespace marklens::cli
