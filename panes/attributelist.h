#pragma once
#include <string>
#include <vector>

#include "model/style/attributecatalog.h"
#include "model/style/attributepane.h"
#include "widgets/elementlistpane.h"

namespace marklens {

struct CStyleValue;

// " Current Style": one row per attribute of the catalog with the selected element's current
// value; values that differ from the attribute's default are tinted. Editing starts here.
class CAttributeList : public CElementListPane, public IAttributePane {
    Q_OBJECT
public:
    static constexpr const char* kCaption = " Current Style";
    static constexpr const char* kPointerHint = "Double-click to edit style attribute.";
    static constexpr const char* kNoXmlDocument = "Could not create XML document";
    static constexpr const char* kNoCatalog = "find attribs.xml";
    static const QColor kTint;

    // Reads the catalog once, from AttributeCatalogPath(); a missing one leaves the pane empty.
    explicit CAttributeList(CPagewrightDoc& doc, QWidget* parent = nullptr);
    ~CAttributeList() override;

    void OnUpdate(IView* sender, UpdateHint hint) override;
    void EditSelectedAttribute() override;

    void ClearValues();
    // Entry i fills row i; rows past the answer's end are emptied.
    void FillValues(const std::vector<CStyleValue>& values);
    bool EqualsDefault(int row) const { return equalsDefault_.at(static_cast<std::size_t>(row)); }

protected:
    void OnAnswers(const CStyleAnswers& answers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void LoadCatalog();
    void RefreshValues();
    void SetValue(int row, const QString& text, bool equalsDefault);
    void ShowContextMenu(const QPoint& viewportPos, const QPoint& globalPos);

    CAttributeCatalog catalog_;
    bool catalogLoaded_ = false;
    std::vector<bool> equalsDefault_;
    std::vector<std::string> defaults_;
};

}  // namespace marklens
