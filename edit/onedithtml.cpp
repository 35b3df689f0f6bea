#include "onedithtml.h"

#include <memory>

#include <QPointer>

#include "dialoghtml.h"
#include "elementhtml.h"
#include "model/document/documentui.h"
#include "model/document/pagewrightdoc.h"
#include "model/document/workoutcome.h"
#include "model/errors/callerror.h"
#include "model/errors/objectcallerror.h"
#include "model/mirror/mirrorschema.h"
#include "model/page/liveelement.h"

namespace marklens {

namespace {

constexpr const char* kNotAnElement = "Item is not an HTML element.";
constexpr const char* kCannotRead = "Could not access HTML element properties.";
constexpr const char* kCannotWrite = "Could not change HTML element";
constexpr const char* kShadowRootHasNoHtml =
    "A shadow root has no HTML of its own to edit: edit its host, or an element inside it.";
constexpr const char* kGeneratedHasNoHtml =
    "Generated content (::before, ::after, ::marker, ::backdrop) has no HTML of its own to edit: it comes from a "
    "style rule of its element.";

QString Wide(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The dialog over the element's HTML as read; OK writes it and waits for the page's answer,
// a refusal keeps the dialog open with what the user typed. A written element refreshes the
// document.
void EditAndWrite(CPagewrightDoc& doc, QWidget* parent, const CElementHtml& html, int nodeId) {
    CDialogHtml dialog(parent, html.outerEditable, html.innerEditable, html.textEditable, Wide(html.outer),
                       Wide(html.inner), Wide(html.text));
    dialog.SetWriter([&doc, &dialog, tagName = html.tagName, nodeId](HtmlMode mode, const QString& text) {
        dialog.WaitForAnswer();
        doc.WithElement(
            nodeId,
            [tagName, mode, content = text.toStdString()](ILiveElement& element) {
                CElementHtml::Write(element, tagName, mode, content);
            },
            [&doc, box = QPointer<CDialogHtml>(&dialog)](const CWorkOutcome& outcome) {
                if (!box) return;
                box->AnswerArrived();
                if (outcome.kind == CWorkOutcome::Kind::Failed) {
                    ShowCallError(doc.Ui(), kCannotWrite, *outcome.error);
                } else if (outcome.kind == CWorkOutcome::Kind::NoElement) {
                    doc.Ui().ShowMessage(kNotAnElement, MessageIcon::None);
                } else if (outcome.IsDone()) {
                    box->Written();
                }
            });
    });
    if (dialog.exec() == QDialog::Accepted) doc.Refresh();
}

}  // namespace

void OnEditHtml(CPagewrightDoc& doc, QWidget* parent) {
    const int selection = doc.GetSelection();
    if (selection == 0) return;
    const pugi::xml_node node = doc.FindNodeById(selection);
    if (schema::KindOf(node) == schema::NodeKind::ShadowRoot || node.attribute(schema::kPseudo)) {
        const bool root = schema::KindOf(node) == schema::NodeKind::ShadowRoot;
        doc.Ui().ShowMessage(root ? kShadowRootHasNoHtml : kGeneratedHasNoHtml, MessageIcon::Warning);
        return;
    }
    auto html = std::make_shared<CElementHtml>();
    doc.WithElement(
        selection,
        [html](ILiveElement& element) {
            std::string tagName = element.TagName();  // its failure is reported as such
            *html = CElementHtml::Read(element, std::move(tagName));
        },
        [&doc, parent = QPointer<QWidget>(parent), html, selection](const CWorkOutcome& outcome) {
            IDocumentUi& ui = doc.Ui();
            if (outcome.kind == CWorkOutcome::Kind::NoElement) ui.ShowMessage(kNotAnElement, MessageIcon::None);
            if (outcome.kind == CWorkOutcome::Kind::Failed) ShowCallError(ui, kCannotRead, *outcome.error);
            if (outcome.IsDone()) EditAndWrite(doc, parent, *html, selection);
        });
}

}  // namespace marklens
