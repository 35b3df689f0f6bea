#pragma once
#include <string>
#include <vector>

namespace marklens {

// The attribute catalog: the style attributes the Current Style pane lists, one row each, with
// the default each one is compared against. Read once from attribs.xml.
class CAttributeCatalog {
public:
    enum class LoadResult { Loaded, NoXmlDocument, NotFound };

    struct CEntry {
        std::string name;
        std::string defaultValue;
    };

    // Missing, unreadable or malformed files are NotFound; NoXmlDocument when no document could
    // be made at all. Entries without a name are left out, of the rows and of the question text.
    LoadResult Load(const std::string& path);

    const std::vector<CEntry>& Entries() const { return entries_; }
    // The catalog as text, as the probe is asked with it: one entry per row, in row order.
    const std::string& QuestionXml() const { return questionXml_; }
    int NamelessEntries() const { return nameless_; }

private:
    std::vector<CEntry> entries_;
    std::string questionXml_;
    int nameless_ = 0;
};

// MARKLENS_ATTRIBS when set, else attribs.xml beside the running program or under
// ../share/marklens from it.
std::string AttributeCatalogPath();

}  // namespace marklens
