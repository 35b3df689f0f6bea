#include "onedithtml.h"

#include "dialoghtml.h"
#include "elementhtml.h"
#include "model/document/documentui.h"
#include "model/document/pagewrightdoc.h"
#include "model/errors/callerror.h"
#include "model/errors/objectcallerror.h"
#include "model/page/liveelement.h"

namespace marklens {

namespace {

constexpr const char* kNotAnElement = "Item is not an HTML element.";
constexpr const char* kCannotRead = "Could not access HTML element properties.";
constexpr const char* kCannotWrite = "Could not change HTML element";

QString Wide(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void OnEditHtml(CPagewrightDoc& doc, QWidget* parent) {
    const int selection = doc.GetSelection();
    if (selection == 0) return;
    IDocumentUi& ui = doc.Ui();
    const LiveElementHandle element = doc.ElementForNodeId(selection);
    if (!element) {
        ui.ShowMessage(kNotAnElement, MessageIcon::None);
        return;
    }
    std::string tagName;
    try {
        tagName = element->TagName();
    } catch (const CObjectCallError& error) {
        ShowCallError(ui, kCannotRead, error);
        return;
    }
    const CElementHtml html = CElementHtml::Read(*element, std::move(tagName));
    CDialogHtml dialog(parent, html.outerEditable, html.innerEditable, html.textEditable, Wide(html.outer),
                       Wide(html.inner), Wide(html.text));
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        CElementHtml::Write(*element, html.tagName, dialog.Mode(), dialog.Result().toStdString());
    } catch (const CObjectCallError& error) {
        ShowCallError(ui, kCannotWrite, error);
        return;
    }
    doc.Refresh();
}

}  // namespace marklens
