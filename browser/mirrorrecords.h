#pragma once
#include <string>
#include <string_view>

namespace marklens {

// Turns the probe script's compact mirror records into the page mirror's XML text, numbering
// the nodes 1, 2, 3 ... in record order. Throws CObjectCallError when the records are malformed.
std::string MirrorXmlFromRecords(std::string_view records);

}  // namespace marklens
