#pragma once

#include "widgets/elementlistpane.h"

namespace marklens {

// " Style Rules": the style-sheet rules that apply to the selected element, one row each, in
// the answer's order (the winner first). Read-only.
class CStyleList : public CElementListPane {
    Q_OBJECT
public:
    static constexpr const char* kCaption = " Style Rules";
    static constexpr const char* kPointerHint = "Style rules";

    explicit CStyleList(CPagewrightDoc& doc, QWidget* parent = nullptr);

    void OnUpdate(IView* sender, UpdateHint hint) override;

protected:
    void OnAnswers(const CStyleAnswers& answers) override;
};

}  // namespace marklens
