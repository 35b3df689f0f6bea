#include "dialogfind.h"

#include <QCheckBox>
#include <QLineEdit>

#include "model/find/findsettings.h"
#include "resources/findtemplate.h"

namespace marklens {

CDialogFind::CDialogFind(QWidget* parent)
    : CTemplateDialog(resources::FindTemplate(), parent),
      matchCaseChecked_(FindSettings().matchCase),
      searchUpChecked_(FindSettings().searchUp) {
    findText_ = qobject_cast<QLineEdit*>(Control(resources::kIdcFindText));
    matchCase_ = qobject_cast<QCheckBox*>(Control(resources::kIdcMatchCase));
    searchUp_ = qobject_cast<QCheckBox*>(Control(resources::kIdcSearchUp));
    matchCase_->setChecked(matchCaseChecked_);
    searchUp_->setChecked(searchUpChecked_);
    connect(matchCase_, &QCheckBox::toggled, this, [this](bool on) { matchCaseChecked_ = on; });
    connect(searchUp_, &QCheckBox::toggled, this, [this](bool on) { searchUpChecked_ = on; });
    findText_->setText(QString::fromStdString(FindSettings().text));
    findText_->selectAll();
    findText_->setFocus(Qt::OtherFocusReason);
}

void CDialogFind::accept() {
    CFindSettings& settings = FindSettings();
    settings.matchCase = matchCaseChecked_;
    settings.searchUp = searchUpChecked_;
    settings.text = findText_->text().toStdString();
    CTemplateDialog::accept();
}

}  // namespace marklens
