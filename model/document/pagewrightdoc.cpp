#include "pagewrightdoc.h"

#include <array>
#include <optional>
#include <stdexcept>

#include "commandids.h"
#include "documentmessages.h"
#include "documentui.h"
#include "model/errors/callerror.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/find/findsettings.h"
#include "model/find/mirrorfind.h"
#include "model/mirror/mirrorrebuild.h"
#include "model/mirror/mirrorschema.h"
#include "model/mirror/pagemirror.h"
#include "model/page/browserlabel.h"
#include "model/page/browsershell.h"
#include "model/page/modelessscript.h"
#include "model/style/attributepane.h"
#include "selectionpath.h"
#include "waitcursor.h"

namespace marklens {

namespace {

CPagewrightDoc* g_document = nullptr;

struct CDocumentCommand {
    int id;
    void (CPagewrightDoc::*handler)();
};

constexpr std::array kDocumentCommands{
    CDocumentCommand{command::kConnect, &CPagewrightDoc::OnConnect},
    CDocumentCommand{command::kFind, &CPagewrightDoc::OnFind},
    CDocumentCommand{command::kFindNext, &CPagewrightDoc::OnFindNext},
    CDocumentCommand{command::kRefresh, &CPagewrightDoc::OnRefresh},
    CDocumentCommand{command::kEditHtml, &CPagewrightDoc::OnEditHtml},
    CDocumentCommand{command::kEditStyleAttribute, &CPagewrightDoc::OnEditStyleAttribute},
};

// The program's window comes back to the front after a capture, also a failed one.
class CCaptureFront {
public:
    explicit CCaptureFront(IDocumentUi& ui) : ui_(ui) { ui_.BeginCapture(); }
    ~CCaptureFront() { ui_.EndCapture(); }
    CCaptureFront(const CCaptureFront&) = delete;
    CCaptureFront& operator=(const CCaptureFront&) = delete;

private:
    IDocumentUi& ui_;
};

}  // namespace

CPagewrightDoc::CPagewrightDoc(IDocumentUi& ui, std::shared_ptr<IBrowserShell> shell)
    : ui_(ui), shell_(std::move(shell)) {
    g_document = this;
}

CPagewrightDoc::~CPagewrightDoc() {
    // A pointer left to a destroyed document would send the next dialog into freed memory.
    if (g_document == this) g_document = nullptr;
}

CPagewrightDoc* CPagewrightDoc::Instance() { return g_document; }

void CPagewrightDoc::SetSelection(int nodeId, IView* sender) {
    selection_ = nodeId;
    UpdateAllViews(sender, HintSelectionChanged);
}

pugi::xml_node CPagewrightDoc::FindNodeById(int nodeId) const {
    return mirror_ ? mirror_->FindNodeById(nodeId) : pugi::xml_node();
}

LiveElementHandle CPagewrightDoc::ElementForNodeId(int nodeId) const {
    if (!probe_) return nullptr;
    try {
        return probe_->ElementForId(std::to_string(nodeId));
    } catch (const CObjectCallError&) {
        return nullptr;
    }
}

int CPagewrightDoc::HitTest(int x, int y, CBox* box) const {
    if (mirror_) return mirror_->HitTest(x, y, box);
    if (box) *box = CBox{};
    return 0;
}

void CPagewrightDoc::RebuildMirror() {
    if (!probe_ || !page_) throw CObjectCallError(status::kInvalidPointer);
    ::marklens::RebuildMirror(*probe_, *page_, mirror_);
}

void CPagewrightDoc::CaptureBrowserPicture() {
    picture_.reset();
    if (!page_) throw CObjectCallError(status::kInvalidPointer);
    const CCaptureFront front(ui_);
    picture_ = std::make_unique<CPicture>(page_->CapturePicture());
}

void CPagewrightDoc::CompleteAttach() {
    RebuildMirror();
    CaptureBrowserPicture();
    selection_ = 0;
    UpdateAllViews(nullptr, HintPageRebuilt);
}

void CPagewrightDoc::EnumerateBrowsers() {
    labels_.clear();
    browsers_.clear();
    if (!shell_) {
        ui_.ShowMessage(message::kCouldNotListPages, MessageIcon::Warning);
        return;
    }
    for (BrowserWindowHandle& browser : shell_->EnumerateBrowsers()) {
        if (!browser) continue;
        labels_.push_back(CutLabel(browser->Label()));
        browsers_.push_back(std::move(browser));
    }
}

void CPagewrightDoc::ConnectToBrowser(int position, LivePageHandle modelessPage) {
    if (!shell_ || !shell_->IsProbeLibraryRegistered()) {
        ui_.ShowMessage(message::kLibraryNotRegistered, MessageIcon::Warning);
        return;
    }
    // A position past the lists names no browser; refuse it rather than step off the end.
    const bool listed = position >= 0 && static_cast<std::size_t>(position) < browsers_.size();
    if (!listed) throw CObjectCallError(status::kInvalidPointer);
    const std::string label = labels_[static_cast<std::size_t>(position)];
    const BrowserWindowHandle browser = browsers_[static_cast<std::size_t>(position)];
    if (modelessPage) {
        page_ = std::move(modelessPage);
    } else {
        if (!browser) throw CObjectCallError(status::kInvalidPointer);
        page_ = browser->Document();
    }
    SetBrowserCaption(label);
    if (!page_) throw CObjectCallError(status::kInvalidPointer);
    // The old probe belongs to the old page: never keep it next to the new one.
    probe_.reset();
    probe_ = page_->CreateProbe();
    if (!probe_) throw CObjectCallError(status::kAccessDenied);
    const CWaitCursor wait(ui_);
    CompleteAttach();
}

const BrowserWindowHandle& CPagewrightDoc::ListedBrowser(int position) const {
    const bool listed = position >= 0 && static_cast<std::size_t>(position) < browsers_.size();
    if (!listed || !browsers_[static_cast<std::size_t>(position)]) throw CObjectCallError(status::kInvalidPointer);
    return browsers_[static_cast<std::size_t>(position)];
}

void CPagewrightDoc::EvaluateModelessExpression(int position, const std::string& expression, bool testOnly) {
    const BrowserWindowHandle browser = ListedBrowser(position);
    const LivePageHandle opener = browser->Document();
    if (!opener) throw CObjectCallError(status::kInvalidPointer);
    opener->ExecScript(script::kResultAssignment + expression);
    const LiveObjectHandle value = opener->GlobalObject(script::kResultName);
    if (!value) throw CObjectCallError(status::kFail);
    // Only a value that proved to be an object is cleared; a failed one stays for the page to see.
    opener->ExecScript(script::kResultReset);
    LivePageHandle window = value->WindowDocument();
    if (!window) throw CObjectCallError(status::kFail);
    if (!testOnly) ConnectToBrowser(position, std::move(window));
}

void CPagewrightDoc::SetPage(LivePageHandle page) { page_ = std::move(page); }

void CPagewrightDoc::SetProbe(PageProbeHandle probe) { probe_ = std::move(probe); }

void CPagewrightDoc::Refresh() {
    if (!page_) {
        OnConnect();
        return;
    }
    const SelectionPath path = PathOfSelection(mirror_.get(), selection_);
    try {
        const CWaitCursor wait(ui_);
        RebuildMirror();
        CaptureBrowserPicture();
    } catch (const CObjectCallError& error) {
        ReportConnectError(error);
        return;
    }
    selection_ = SelectionAtPath(mirror_.get(), path);
    UpdateAllViews(nullptr, HintPageRebuilt);
}

void CPagewrightDoc::ShowStatusMessage(const std::string& text, bool hold) const { ui_.ShowStatusMessage(text, hold); }

void CPagewrightDoc::ReportConnectError(const CObjectCallError& error) const {
    ui_.ShowMessage(ConnectErrorText(error), MessageIcon::Warning);
}

void CPagewrightDoc::SetBrowserCaption(const std::string& label) const {
    ui_.SetCaption(std::string(message::kProgramTitle) + message::kCaptionSeparator + label);
}

void CPagewrightDoc::SetBrowserLists(std::vector<std::string> labels, std::vector<BrowserWindowHandle> browsers) {
    // A position must name the same window in both lists.
    if (labels.size() != browsers.size()) throw std::invalid_argument("browser lists differ in length");
    labels_ = std::move(labels);
    browsers_ = std::move(browsers);
}

bool CPagewrightDoc::OnCommand(int commandId) {
    for (const CDocumentCommand& entry : kDocumentCommands) {
        if (entry.id == commandId) {
            (this->*entry.handler)();
            return true;
        }
    }
    return false;
}

void CPagewrightDoc::OnConnect() { ui_.RunConnectDialog(); }

void CPagewrightDoc::OnFind() {
    if (ui_.RunFindDialog()) OnFindNext();
}

void CPagewrightDoc::OnFindNext() {
    const CFindOutcome outcome = FindNextInMirror(mirror_.get(), selection_, FindSettings());
    switch (outcome.kind) {
    case CFindOutcome::Kind::OpenDialog: OnFind(); return;
    case CFindOutcome::Kind::NoStart: return;
    case CFindOutcome::Kind::NotFound:
        ui_.ShowMessage(message::kNotFoundInTree + outcome.comparedText, MessageIcon::None);
        return;
    case CFindOutcome::Kind::Found:
        if (outcome.wrapped) ShowStatusMessage(message::kPassedEndOfTree, true);
        SetSelection(outcome.nodeId, nullptr);
        return;
    }
}

void CPagewrightDoc::OnRefresh() { Refresh(); }

void CPagewrightDoc::OnEditHtml() { ui_.EditHtml(); }

void CPagewrightDoc::OnEditStyleAttribute() {
    if (attributePane_) attributePane_->EditSelectedAttribute();
}

void CPagewrightDoc::EditStyleAttribute(const std::string& name, const std::string& value,
                                        const std::string& defaultValue) {
    // Documents have no inline style; only elements and frames of the mirror can take one.
    const bool styled = schema::HasBox(schema::KindOf(FindNodeById(selection_)));
    if (!styled || !ElementForNodeId(selection_)) {
        ui_.ShowMessage(message::kCannotSetStyle, MessageIcon::Warning);
        return;
    }
    ui_.RunAttributeDialog(name, value, defaultValue);
}

bool CPagewrightDoc::SetStyleAttribute(const std::string& name, const std::string& value) {
    try {
        const LiveElementHandle element = ElementForNodeId(selection_);
        if (!element) return false;
        element->SetStyleAttribute(name, value);
    } catch (const CObjectCallError&) {
        return false;
    }
    // From here the page shows the new value: a failed capture must not take that back.
    std::optional<CObjectCallError> captureFailure;
    try {
        CaptureBrowserPicture();
    } catch (const CObjectCallError& error) {
        captureFailure = error;
    }
    UpdateAllViews(nullptr, HintStyleChanged);
    if (captureFailure) {
        const std::string& detail = captureFailure->Message();
        ui_.ShowMessage(std::string(message::kCaptureFailed) + (detail.empty() ? "" : "\n" + detail),
                        MessageIcon::Warning);
    }
    return true;
}

}  // namespace marklens
