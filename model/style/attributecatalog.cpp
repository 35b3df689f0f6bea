#include "attributecatalog.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <pugixml.hpp>

#include "base/datafilelookup.h"

namespace marklens {

namespace {
constexpr const char* kCatalogFileName = "attribs.xml";
}  // namespace

CAttributeCatalog::LoadResult CAttributeCatalog::Load(const std::string& path) {
    entries_.clear();
    questionXml_.clear();
    nameless_ = 0;
    pugi::xml_document catalog;
    const pugi::xml_parse_result parsed = catalog.load_file(path.c_str());
    if (parsed.status == pugi::status_out_of_memory) return LoadResult::NoXmlDocument;
    if (!parsed) return LoadResult::NotFound;
    for (const pugi::xpath_node& hit : catalog.select_nodes("/attribs/attrib")) {
        pugi::xml_node entry = hit.node();
        const pugi::xml_attribute name = entry.attribute("name");
        if (!name) {
            // The probe answers per entry; the row it would answer for does not exist.
            ++nameless_;
            entry.parent().remove_child(entry);
            continue;
        }
        entries_.push_back({name.value(), entry.attribute("default").value()});
    }
    std::ostringstream text;
    catalog.save(text, "", pugi::format_raw | pugi::format_no_declaration);
    questionXml_ = text.str();
    return LoadResult::Loaded;
}

std::string AttributeCatalogPath() {
    if (const char* given = std::getenv("MARKLENS_ATTRIBS"); given && *given) return given;
    const CDataFileLookup lookup = FindDataFile(kCatalogFileName);
    return lookup.Found() ? lookup.path : kCatalogFileName;
}

}  // namespace marklens
