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

void CStyleList::OnUpdate(IView*, UpdateHint hint) {
    // Rows of a page that changes by itself stay until the new ones come, so they do not flicker.
    if (hint != HintPageFollowed) clear();
    if (!AskAboutSelection({std::nullopt, true}, true)) clear();
}

void CStyleList::OnAnswers(const CStyleAnswers& answers) {
    if (!answers.rules) return;
    clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(answers.rules->size()));
    for (const CStyleRule& rule : *answers.rules) {
        rows << new QTreeWidgetItem(
            QStringList{Wide(rule.selector), Wide(rule.score), Wide(rule.source), Wide(rule.text)});
    }
    addTopLevelItems(rows);
}

}  // namespace marklens
