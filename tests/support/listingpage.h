#pragma once
#include <filesystem>
#include <memory>
#include <string>

#include "pageserver.h"

namespace marklens::testing {

// A shop's listing: header with navigation and search, a filter column, then cards with an
// image, a positioned badge on every third, title, price, tags, a small spec table, a button
// and a folded (display:none) details part. About `elements` elements in all. With components,
// every fifth card is a custom element whose shadow root (open and closed in turn) frames the
// card's slotted content, and every price has generated content (a ::before).
std::string ListingPage(int elements, bool components = false);

// Listing pages written into a folder of their own and served from it; gone with the object.
class CListingPages {
public:
    CListingPages();
    ~CListingPages();
    CListingPages(const CListingPages&) = delete;
    CListingPages& operator=(const CListingPages&) = delete;

    // The address of the listing of that many elements, written on first use.
    std::string Url(int elements, bool components = false);

private:
    std::filesystem::path folder_;
    std::unique_ptr<CPageServer> server_;
};

}  // namespace marklens::testing
