#include "windowtarget.h"

#include <vector>

#include "chromiumpage.h"
#include "chromiumtab.h"
#include "model/errors/objectcallerror.h"

namespace marklens {

namespace {

// The page targets' ids, those showing url first.
std::vector<std::string> Candidates(const nlohmann::json& targets, const std::string& url) {
    std::vector<std::string> first;
    std::vector<std::string> rest;
    if (!targets.is_array()) return first;
    for (const nlohmann::json& target : targets) {
        if (!target.is_object() || target.value("type", "") != "page") continue;
        const std::string id = target.value("id", "");
        if (id.empty()) continue;
        (target.value("url", "") == url ? first : rest).push_back(id);
    }
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

bool HoldsToken(CChromiumPage& page, const std::string& token) {
    const nlohmann::json answer = page.Session()->Call(
        "Runtime.evaluate",
        {{"expression", std::string("globalThis.") + kWindowTokenName + " === " + nlohmann::json(token).dump()},
         {"returnByValue", true},
         {"silent", true}});
    return answer.value("result", nlohmann::json::object()).value("value", false) == true;
}

}  // namespace

LivePageHandle FindWindowTarget(const CDevToolsEndpoint& endpoint, const CBrowserOptions& options,
                                const std::string& url, const std::string& token) {
    const nlohmann::json targets = endpoint.RequestJson("GET", "/json/list", options.timeout);
    for (const std::string& id : Candidates(targets, url)) {
        try {
            LivePageHandle page = CChromiumTab(endpoint, id, "", options).Document();
            auto* chromium = dynamic_cast<CChromiumPage*>(page.get());
            if (chromium && HoldsToken(*chromium, token)) return page;
        } catch (const CObjectCallError&) {
            // A target that closed or hangs in a dialog is not the window we want.
        }
    }
    return nullptr;
}

}  // namespace marklens
