#pragma once
#include <string>
#include <vector>

#include "cascaderules.h"
#include "devtoolssession.h"
#include "model/page/pageprobe.h"
#include "remoteobject.h"

namespace marklens {

// The page probe: the probe script evaluated in a fresh isolated world of the tab's main frame.
// When the tab navigated, the next call creates it anew in the new document.
class CChromiumProbe : public IPageProbe {
public:
    // Throws CObjectCallError with status::kAccessDenied when the page refuses the probe.
    CChromiumProbe(DevToolsSessionHandle session, std::string script);

    std::string RequestMirror(ILivePage& page, int reserved1, int reserved2) override;
    CMirrorAnswer RequestMirrorAnswer(ILivePage& page) override;
    std::string CurrentStyle(ILiveElement& element, const std::string& catalogXml) override;
    LiveElementHandle ElementForId(const std::string& nodeIdText) override;
    std::string StyleRules(ILiveElement& element) override;
    // What the browser itself hits on a grid over the viewport, every step pixels: x, y and the
    // node identifier of the last mirror (0 for nothing, -1 for a node not in it), row by row.
    std::vector<int> BrowserHits(int step);

private:
    void Create();
    // Calls a probe method; once more on a fresh probe when the old one's document is gone.
    nlohmann::json CallProbe(const std::string& function, const nlohmann::json& arguments, bool byValue);
    static std::string Text(nlohmann::json value, const char* answer);
    static const CRemoteObject& ElementObject(ILiveElement& element);

    DevToolsSessionHandle session_;
    std::string script_;
    RemoteObjectHandle probe_;
    CCascadeRules cascade_;
};

}  // namespace marklens
