#include "listingpage.h"

#include <fstream>

#include <unistd.h>

namespace marklens::testing {

namespace {

constexpr int kElementsPerCard = 20;

}  // namespace

std::string ListingPage(int elements, bool components) {
    std::string page =
        "<!DOCTYPE html><html><head><title>Listing</title><style>"
        "body{margin:0;font:14px sans-serif}header{position:sticky;top:0;z-index:5;background:#fff;height:60px}"
        "nav a{margin:0 8px}.filters{float:left;width:200px}.grid{margin-left:210px;display:grid;"
        "grid-template-columns:repeat(4,1fr);gap:8px}.card{position:relative;border:1px solid #ddd;padding:6px;"
        "overflow:hidden}.img{height:80px;background:#eee}.badge{position:absolute;top:4px;right:4px;z-index:1;"
        "background:#c00;color:#fff}.tags li{display:inline;margin-right:4px}.more{display:none}" +
        std::string(components ? ".price::before{content:'$'}product-card{display:block}" : "") +
        "</style></head><body><header><span class=logo>Shop</span><nav><a href=#>Home</a><a href=#>Deals</a>"
        "<a href=#>Help</a></nav><form><input name=q><button>Search</button></form></header>"
        "<aside class=filters><h2>Filters</h2><ul>";
    for (int i = 0; i < 20; ++i)
        page += "<li><label><input type=checkbox> Brand " + std::to_string(i) + "</label></li>";
    page += "</ul></aside><main class=grid>";
    for (int card = 0; card * kElementsPerCard < elements; ++card) {
        const std::string n = std::to_string(card);
        const bool component = components && card % 5 == 0;
        if (component) page += "<product-card>";
        page += "<div class=card id=c" + n + "><div class=img></div>";
        page += card % 3 == 0 ? "<span class=badge>Sale</span>" : "<span class=label>New</span>";
        page += "<h3><a href=#" + n + ">Product " + n + "</a></h3><p class=price>" + n +
                ".99</p><ul class=tags><li>red</li><li>cotton</li><li>M</li></ul>"
                "<table class=specs><tr><td>Weight</td><td>1 kg</td></tr><tr><td>Size</td><td>M</td></tr></table>"
                "<button>Add</button><div class=more><span>Details</span></div></div>";
        if (component) page += "</product-card>";
    }
    page += "</main>";
    if (components) {
        page +=
            "<script>let n=0;customElements.define('product-card',class extends HTMLElement{constructor(){super();"
            "this.attachShadow({mode:n++%2?'closed':'open'}).innerHTML='<style>.frame{border:2px solid #99c}</style>"
            "<div class=frame><slot></slot></div>'}})</script>";
    }
    return page + "</body></html>";
}

CListingPages::CListingPages()
    : folder_(std::filesystem::temp_directory_path() / ("marklens-listing-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(folder_);
    server_ = std::make_unique<CPageServer>(folder_.string());
}

CListingPages::~CListingPages() {
    server_.reset();
    std::filesystem::remove_all(folder_);
}

std::string CListingPages::Url(int elements, bool components) {
    const std::string name = (components ? "components-" : "listing-") + std::to_string(elements) + ".html";
    if (!std::filesystem::exists(folder_ / name)) std::ofstream(folder_ / name) << ListingPage(elements, components);
    return server_->Url(0, name);
}

}  // namespace marklens::testing
