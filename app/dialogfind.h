#pragma once
#include "widgets/templatedialog.h"

class QCheckBox;
class QLineEdit;

namespace marklens {

// "Find in HTML": edits the process's find settings. OK stores the text and both flags;
// Cancel leaves every setting as it was.
class CDialogFind : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CDialogFind(QWidget* parent);

    QLineEdit* FindText() const { return findText_; }
    QCheckBox* MatchCase() const { return matchCase_; }
    QCheckBox* SearchUp() const { return searchUp_; }

    void accept() override;

private:
    QLineEdit* findText_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* searchUp_ = nullptr;
    bool matchCaseChecked_ = false;
    bool searchUpChecked_ = false;
};

}  // namespace marklens
