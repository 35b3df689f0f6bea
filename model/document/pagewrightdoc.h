#pragma once
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "document.h"
#include "model/mirror/box.h"
#include "model/page/browserwindow.h"
#include "model/page/livepage.h"
#include "model/page/pageprobe.h"
#include "model/page/picture.h"

namespace marklens {

class CObjectCallError;
class CPageMirror;
class IAttributePane;
class IBrowserShell;
class IDocumentUi;

// The one document: the connection to one page. It owns the browser lists, the page, the
// probe, the mirror and the picture, and keeps the selection; the panes are its views.
class CPagewrightDoc : public CDocument {
public:
    // The shell may be empty until the browser layer is wired in; discovery then finds nothing.
    CPagewrightDoc(IDocumentUi& ui, std::shared_ptr<IBrowserShell> shell);
    ~CPagewrightDoc() override;

    // The process-wide document, for dialogs that are not views; none before the first one
    // is constructed and after it is destroyed.
    static CPagewrightDoc* Instance();

    // Selection. The broadcast goes out even when the value does not change.
    void SetSelection(int nodeId, IView* sender);
    int GetSelection() const { return selection_; }

    // Look-ups that may fail return nothing and report nothing.
    pugi::xml_node FindNodeById(int nodeId) const;
    LiveElementHandle ElementForNodeId(int nodeId) const;
    int HitTest(int x, int y, CBox* box = nullptr) const;

    // Rebuilds the browser lists from the running browsers.
    void EnumerateBrowsers();
    // Attaches to the browser at the position of the lists, or to modelessPage when given
    // (a window that page opened). Shows its own message when the probe library is missing;
    // every other failure throws CObjectCallError, after the steps done so far.
    void ConnectToBrowser(int position, LivePageHandle modelessPage);
    // Evaluates the expression in the page of the browser at the position; its value must be
    // a window that page opened. Unless testing, attaches to that window's page, the caption
    // still naming the browser at the position. Failures throw CObjectCallError.
    void EvaluateModelessExpression(int position, const std::string& expression, bool testOnly);

    // Page operations; failures throw CObjectCallError to the calling operation.
    void RebuildMirror();
    void CaptureBrowserPicture();
    void Refresh();
    // The document's part of attaching, after page and probe were set.
    void CompleteAttach();
    // Makes page and probe the document's; the attach operation owns the checks before it.
    void SetPage(LivePageHandle page);
    void SetProbe(PageProbeHandle probe);

    void ShowStatusMessage(const std::string& text, bool hold) const;
    void ReportConnectError(const CObjectCallError& error) const;
    void SetBrowserCaption(const std::string& label) const;

    // Style setting on the selection's inline style. EditStyleAttribute opens the dialog, or
    // says why it cannot; SetStyleAttribute is true once the browser took the value.
    void EditStyleAttribute(const std::string& name, const std::string& value, const std::string& defaultValue);
    bool SetStyleAttribute(const std::string& name, const std::string& value);
    // The pane that Edit Style Attribute hands over to; it clears itself before it goes.
    void SetAttributePane(IAttributePane* pane) { attributePane_ = pane; }
    IAttributePane* AttributePane() const { return attributePane_; }

    // Runs a command of the document's table; false when the document has no such command.
    bool OnCommand(int commandId);

    IDocumentUi& Ui() const { return ui_; }
    IBrowserShell* Shell() const { return shell_.get(); }
    const std::vector<std::string>& BrowserLabels() const { return labels_; }
    const std::vector<BrowserWindowHandle>& Browsers() const { return browsers_; }
    void SetBrowserLists(std::vector<std::string> labels, std::vector<BrowserWindowHandle> browsers);
    const LivePageHandle& Page() const { return page_; }
    const PageProbeHandle& Probe() const { return probe_; }
    const CPageMirror* Mirror() const { return mirror_.get(); }
    const CPicture* Picture() const { return picture_.get(); }

    // Command handlers.
    void OnConnect();
    void OnFind();
    void OnFindNext();
    void OnRefresh();
    void OnEditHtml();
    void OnEditStyleAttribute();

private:
    // The browser at a listed position; a position past the lists or an empty entry fails.
    const BrowserWindowHandle& ListedBrowser(int position) const;

    IDocumentUi& ui_;
    std::shared_ptr<IBrowserShell> shell_;
    // Declared in the order of release reversed: the picture goes first, the labels last.
    std::vector<std::string> labels_;
    std::vector<BrowserWindowHandle> browsers_;
    LivePageHandle page_;
    PageProbeHandle probe_;
    std::unique_ptr<CPageMirror> mirror_;
    std::unique_ptr<CPicture> picture_;
    int selection_ = 0;
    IAttributePane* attributePane_ = nullptr;
};

}  // namespace marklens
