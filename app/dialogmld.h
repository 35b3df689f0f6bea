#pragma once
#include "widgets/templatedialog.h"

class QLineEdit;

namespace marklens {

class CPagewrightDoc;

// "Find Modeless Dialog": the user names, by an expression evaluated in the chosen browser's
// page, a window that page opened. Test only reports whether the expression finds one; OK
// attaches to it and closes. The dialog stays open while the browser answers; failures keep
// it open for another try.
class CDialogMld : public CTemplateDialog {
    Q_OBJECT
public:
    static constexpr const char* kDefaultExpression = "_mld";

    // position: the browser's position in the document's lists, as the Connect dialog chose it.
    CDialogMld(CPagewrightDoc& doc, int position, QWidget* parent);

    QLineEdit* Expression() const { return expression_; }

    void accept() override;

private:
    void OnTest();
    void Evaluate(bool testOnly);

    CPagewrightDoc& doc_;
    int position_;
    QLineEdit* expression_ = nullptr;
};

}  // namespace marklens
