#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/document/documentui.h"
#include "model/document/view.h"
#include "model/document/workoutcome.h"
#include "model/page/livepage.h"
#include "model/page/pageprobe.h"

namespace marklens {
class CPagewrightDoc;
}

namespace marklens::test {

// Records every request the document makes of the user interface, in order.
class CRecordingUi : public IDocumentUi {
public:
    struct CMessage {
        std::string text;
        MessageIcon icon;
    };
    std::vector<CMessage> messages;
    std::vector<std::pair<std::string, bool>> statusTexts;
    std::vector<std::string> captions;
    int connectDialogs = 0;
    int findDialogs = 0;
    bool findDialogResult = false;
    int htmlEdits = 0;
    std::vector<std::vector<std::string>> attributeDialogs;  // name, value, default
    std::function<void()> onAttributeDialog;
    int busyDepth = 0;                  // SetBusy(true) not yet undone
    int busyPeriods = 0;                // SetBusy(true) calls
    std::vector<std::string> progress;  // the progress texts, in order
    // Where posted tasks go: run at once by default, or handed to an event loop.
    std::string clipboard;
    std::function<void(std::function<void()>)> postTo;

    void ShowMessage(const std::string& text, MessageIcon icon) override { messages.push_back({text, icon}); }
    void ShowStatusMessage(const std::string& text, bool hold) override { statusTexts.emplace_back(text, hold); }
    void Post(std::function<void()> task) override {
        if (postTo) {
            postTo(std::move(task));
        } else {
            task();
        }
    }
    // Where timed tasks go: nowhere by default (the document then never follows a page).
    std::function<void(int, std::function<void()>)> postAfter;
    void PostAfter(int milliseconds, std::function<void()> task) override {
        if (postAfter) postAfter(milliseconds, std::move(task));
    }
    void SetWorking(bool) override {}
    void SetBusy(bool busy) override {
        busyDepth += busy ? 1 : -1;
        if (busy) ++busyPeriods;
    }
    void ShowProgress(const std::string& text, std::int64_t, std::int64_t) override { progress.push_back(text); }
    void SetCaption(const std::string& caption) override { captions.push_back(caption); }
    void RunConnectDialog() override { ++connectDialogs; }
    bool RunFindDialog() override {
        ++findDialogs;
        return findDialogResult;
    }
    void EditHtml() override { ++htmlEdits; }
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    void RunAttributeDialog(const std::string& name, const std::string& value,
                            const std::string& defaultValue) override {
        attributeDialogs.push_back({name, value, defaultValue});
        if (onAttributeDialog) onAttributeDialog();
    }
};

// A page whose capture can be made to fail; its probe is the one given, else a new fake.
class CFakePage : public ILivePage {
public:
    std::optional<std::uint32_t> captureFailure;
    int captures = 0;
    PageProbeHandle probe;

    PageProbeHandle CreateProbe() override;
    CPicture CapturePicture() override;
};

// A probe that answers with the texts it is given, or fails with a code.
class CFakeProbe : public IPageProbe {
public:
    std::string mirrorText;
    std::string currentStyleText;
    std::string styleRulesText;
    std::optional<std::uint32_t> styleFailure;
    std::vector<std::string> catalogs;            // the catalog texts of the current-style questions
    std::shared_ptr<class CFakeElement> element;  // when set, every look-up finds this one
    std::optional<std::uint32_t> mirrorFailure;
    std::optional<std::uint32_t> elementFailure;
    std::vector<std::string> elementRequests;
    std::map<std::string, CBoxModel> boxModels;  // by node identifier text
    std::optional<CBoxModel> everyBoxModel;      // for a node not in boxModels

    std::string RequestMirror(ILivePage& page, int reserved1, int reserved2) override;
    std::optional<CBoxModel> BoxModel(ILiveElement& element) override;
    std::string CurrentStyle(ILiveElement& element, const std::string& catalogXml) override;
    LiveElementHandle ElementForId(const std::string& nodeIdText) override;
    std::string StyleRules(ILiveElement& element) override;
};

class CFakeElement : public ILiveElement {
public:
    explicit CFakeElement(std::string id) : id(std::move(id)) {}
    std::string id;
    std::vector<std::pair<std::string, std::string>> styleSets;
    bool rejectStyle = false;

    std::string TagName() override { return "DIV"; }
    std::string OuterHtml() override { return {}; }
    std::string InnerHtml() override { return {}; }
    std::string Text() override { return {}; }
    void SetOuterHtml(const std::string&) override {}
    void SetInnerHtml(const std::string&) override {}
    void SetText(const std::string&) override {}
    void SetStyleAttribute(const std::string& name, const std::string& value) override;
};

// One line per update it received: "name:hint", into a log shared by all views of a test.
class CLoggingView : public IView {
public:
    CLoggingView(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    std::function<void(IView*, UpdateHint)> onUpdate;

    void OnUpdate(IView* sender, UpdateHint hint) override;

private:
    std::string name_;
    std::vector<std::string>& log_;
};

// Attaches the document to a fake page whose probe answers with the mirror text; the probe.
std::shared_ptr<CFakeProbe> AttachFakePage(marklens::CPagewrightDoc& doc, const char* mirrorText);

}  // namespace marklens::test
