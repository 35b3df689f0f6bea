#include "stylelist.h"

#include "model/document/pagewrightdoc.h"
#include "model/style/styleanswers.h"

namespace marklens {

namespace {

constexpr CElementListPane::CColumn kColumns[] = {
    {"Selector", 80}, {"Precedence", 70}, {"Source", 140}, {"Style Rule", 314}};

QString Wide(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CStyleList::CStyleList(CPagewrightDoc& doc, QWidget* parent)
    : CElementListPane(doc, kCaption, kPointerHint, kColumns, parent) {
    setSelectionBehavior(QAbstractItemView::SelectItems);  // no full-row selection here
}

void CStyleList::OnUpdate(IView*, UpdateHint) { Rebuild(); }

void CStyleList::Rebuild() {
    clear();
    const PageProbeHandle probe = Doc().Probe();
    const LiveElementHandle element = probe ? SelectedElement(true) : nullptr;
    const auto rules = element ? AskStyleRules(*probe, *element) : std::nullopt;
    if (!rules) return;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(rules->size()));
    for (const CStyleRule& rule : *rules) {
        rows << new QTreeWidgetItem(
            QStringList{Wide(rule.selector), Wide(rule.score), Wide(rule.source), Wide(rule.text)});
    }
    addTopLevelItems(rows);
}

}  // namespace marklens
