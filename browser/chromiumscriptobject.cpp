#include "chromiumscriptobject.h"

#include <random>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "windowtarget.h"

namespace marklens {

namespace {

// Marks the window with the token; says what the object is. A window of another origin lets
// its `window` be read but not its location or document.
constexpr const char* kMarkWindow = R"(function(name, token) {
    let isWindow = false;
    try { isWindow = this === this.window; } catch (e) {}
    if (!isWindow) return {state: 'not a window'};
    if (this.closed) return {state: 'closed'};
    let url;
    try { url = this.location.href; void this.document; } catch (e) { return {state: 'denied'}; }
    Object.defineProperty(this, name, {value: token, configurable: true});
    return {state: 'marked', url};
})";

constexpr const char* kUnmarkWindow = "function(name) { try { delete this[name]; } catch (e) {} }";

std::string NewToken() {
    std::random_device random;
    std::string token = "marklens-";
    for (int i = 0; i < 4; ++i)
        token += std::to_string(random()) + "-";
    return token;
}

// Takes the mark off again, whatever happens after it was set.
class CWindowMark {
public:
    explicit CWindowMark(const CRemoteObject& window) : window_(window) {}
    ~CWindowMark() {
        try {
            window_.Call(kUnmarkWindow, nlohmann::json::array({{{"value", kWindowTokenName}}}));
        } catch (const CObjectCallError&) {
        }
    }
    CWindowMark(const CWindowMark&) = delete;
    CWindowMark& operator=(const CWindowMark&) = delete;

private:
    const CRemoteObject& window_;
};

}  // namespace

CChromiumScriptObject::CChromiumScriptObject(RemoteObjectHandle object, std::optional<CDevToolsEndpoint> endpoint,
                                             CBrowserOptions options)
    : object_(std::move(object)), endpoint_(std::move(endpoint)), options_(std::move(options)) {}

LivePageHandle CChromiumScriptObject::WindowDocument() {
    const std::string token = NewToken();
    const nlohmann::json arguments = nlohmann::json::array({{{"value", kWindowTokenName}}, {{"value", token}}});
    const nlohmann::json answer = object_->Call(kMarkWindow, arguments).value("value", nlohmann::json::object());
    const std::string state = answer.value("state", "");
    if (state == "not a window") throw CObjectCallError(status::kInvalidPointer, "The value is not a window");
    if (state == "denied") throw CObjectCallError(status::kAccessDenied, "The window shows a page of another origin");
    if (state != "marked") throw CObjectCallError(status::kFail, "The window is closed");
    const CWindowMark mark(*object_);
    LivePageHandle page = endpoint_ ? FindWindowTarget(*endpoint_, options_, answer.value("url", ""), token) : nullptr;
    if (!page) throw CObjectCallError(status::kFail, "No page of the browser shows the window");
    return page;
}

}  // namespace marklens
