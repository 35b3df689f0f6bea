#pragma once
#include <vector>

#include <pugixml.hpp>

namespace marklens {

class CPageMirror;

// A node's place in a mirror as child indexes from the top: the index of the document
// element among the document's children first, the node's own index last. Refresh uses it
// to find "the same" element in a rebuilt mirror, whatever its new identifier.
using SelectionPath = std::vector<int>;

// The path of node; a null node gives the empty path.
SelectionPath PathOfNode(pugi::xml_node node);
// The node at path below the document node; null when the path is empty or leaves the tree.
pugi::xml_node FollowPath(const pugi::xml_document& xml, const SelectionPath& path);
// The path of the selected node; empty for 0 ("nothing selected"), no mirror or no such node.
SelectionPath PathOfSelection(const CPageMirror* mirror, int selection);
// The identifier of the node at path; 0 when there is none.
int SelectionAtPath(const CPageMirror* mirror, const SelectionPath& path);
// The identifier in newMirror at the place selection has in oldMirror; 0 when none.
int CarrySelection(const CPageMirror* oldMirror, int selection, const CPageMirror* newMirror);

}  // namespace marklens
