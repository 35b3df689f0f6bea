#include "attributelist.h"

#include <QMenu>
#include <QMouseEvent>

#include "model/document/documentui.h"
#include "model/document/pagewrightdoc.h"
#include "model/style/styleanswers.h"
#include "resources/commandtable.h"

namespace marklens {

namespace {

constexpr CElementListPane::CColumn kColumns[] = {{"Attribute", 125}, {"Value", 150}};

QString Wide(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

const QColor CAttributeList::kTint(192, 192, 255);

CAttributeList::CAttributeList(CPagewrightDoc& doc, QWidget* parent)
    : CElementListPane(doc, kCaption, kPointerHint, kColumns, parent) {
    setAllColumnsShowFocus(true);  // full-row selection
    LoadCatalog();
    Doc().SetAttributePane(this);
}

CAttributeList::~CAttributeList() {
    if (Doc().AttributePane() == this) Doc().SetAttributePane(nullptr);
}

void CAttributeList::LoadCatalog() {
    const CAttributeCatalog::LoadResult result = catalog_.Load(AttributeCatalogPath());
    if (result != CAttributeCatalog::LoadResult::Loaded) {
        const bool noDocument = result == CAttributeCatalog::LoadResult::NoXmlDocument;
        Doc().Ui().ShowMessage(noDocument ? kNoXmlDocument : kNoCatalog, MessageIcon::Warning);
        return;
    }
    catalogLoaded_ = true;
    for (const CAttributeCatalog::CEntry& entry : catalog_.Entries()) {
        addTopLevelItem(new QTreeWidgetItem(QStringList{Wide(entry.name), QString()}));
        equalsDefault_.push_back(true);
        defaults_.push_back(entry.defaultValue);
    }
    if (const int nameless = catalog_.NamelessEntries(); nameless > 0) {
        Doc().ShowStatusMessage("attribs.xml: " + std::to_string(nameless) + " entries without a name left out", false);
    }
}

void CAttributeList::OnUpdate(IView*, UpdateHint hint) {
    switch (hint) {
    case HintPageRebuilt: ClearValues(); break;
    case HintSelectionChanged:
    case HintStyleChanged: RefreshValues(); break;
    case HintPageFollowed:
        // The values stay until the new ones come, so a page that changes by itself does not flicker.
        if (!catalogLoaded_ || !AskAboutSelection({catalog_.QuestionXml(), false}, false)) ClearValues();
        break;
    }
}

// The values go until the new ones arrive: they belong to the element selected before.
void CAttributeList::RefreshValues() {
    ClearValues();
    if (catalogLoaded_) AskAboutSelection({catalog_.QuestionXml(), false}, false);
}

void CAttributeList::OnAnswers(const CStyleAnswers& answers) {
    if (answers.values) FillValues(*answers.values);
}

void CAttributeList::SetValue(int row, const QString& text, bool equalsDefault) {
    QTreeWidgetItem* item = topLevelItem(row);
    item->setText(1, text);
    item->setBackground(1, equalsDefault ? QBrush() : QBrush(kTint));
    equalsDefault_[static_cast<std::size_t>(row)] = equalsDefault;
}

void CAttributeList::ClearValues() {
    for (int row = 0; row < topLevelItemCount(); ++row)
        SetValue(row, QString(), true);
}

void CAttributeList::FillValues(const std::vector<CStyleValue>& values) {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const auto i = static_cast<std::size_t>(row);
        if (i < values.size())
            SetValue(row, Wide(values[i].current), values[i].EqualsDefault());
        else
            SetValue(row, QString(), true);
    }
}

void CAttributeList::EditSelectedAttribute() {
    if (topLevelItemCount() == 0) return;  // no catalog: no attribute to name
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QTreeWidgetItem* item = selected.isEmpty() ? topLevelItem(0) : selected.first();
    const int row = indexOfTopLevelItem(item);
    Doc().EditStyleAttribute(item->text(0).toStdString(), item->text(1).toStdString(),
                             defaults_[static_cast<std::size_t>(row)]);
}

void CAttributeList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        CElementListPane::mousePressEvent(event);
        return;
    }
    event->accept();
    ShowContextMenu(event->position().toPoint(), event->globalPosition().toPoint());
}

void CAttributeList::ShowContextMenu(const QPoint& viewportPos, const QPoint& globalPos) {
    if (QTreeWidgetItem* item = itemAt(viewportPos)) setCurrentItem(item);
    QMenu menu(this);
    for (const resources::CMenuEntry& entry : resources::AttributeContextMenu()) {
        menu.addAction(QString::fromUtf8(entry.text))->setData(entry.command);
    }
    const QAction* chosen = menu.exec(globalPos);
    if (chosen) Doc().OnCommand(chosen->data().toInt());
}

void CAttributeList::mouseDoubleClickEvent(QMouseEvent* event) {
    // Anywhere in the list, below the last row too; the press before it selected the row.
    event->accept();
    if (event->button() == Qt::LeftButton) EditSelectedAttribute();
}

}  // namespace marklens
