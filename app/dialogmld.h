#pragma once
#include "widgets/templatedialog.h"

class QLineEdit;

namespace marklens {

class CObjectCallError;
class CPagewrightDoc;

// "Find Modeless Dialog": the user names, by an expression evaluated in the chosen browser's
// page, a window that page opened. Test only reports whether the expression finds one; OK
// attaches to it and closes. Failures keep the dialog open for another try.
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
    // True when the expression found a window (and, unless testing, attached to it).
    bool Evaluate(bool testOnly);
    void ReportFailure(const CObjectCallError& error);

    CPagewrightDoc& doc_;
    int position_;
    QLineEdit* expression_ = nullptr;
};

}  // namespace marklens
