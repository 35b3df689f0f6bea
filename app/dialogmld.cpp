#include "dialogmld.h"

#include <QLineEdit>
#include <QPushButton>

#include "model/document/documentmessages.h"
#include "model/document/documentui.h"
#include "model/document/pagewrightdoc.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "resources/mldtemplate.h"

namespace marklens {

CDialogMld::CDialogMld(CPagewrightDoc& doc, int position, QWidget* parent)
    : CTemplateDialog(resources::MldTemplate(), parent), doc_(doc), position_(position) {
    expression_ = qobject_cast<QLineEdit*>(Control(resources::kIdcModelessExpression));
    if (auto* test = qobject_cast<QPushButton*>(Control(resources::kIdcModelessTest))) {
        connect(test, &QPushButton::clicked, this, &CDialogMld::OnTest);
    }
    expression_->setText(QString::fromLatin1(kDefaultExpression));
    expression_->selectAll();
    expression_->setFocus(Qt::OtherFocusReason);
}

bool CDialogMld::Evaluate(bool testOnly) {
    try {
        doc_.EvaluateModelessExpression(position_, expression_->text().toStdString(), testOnly);
        return true;
    } catch (const CObjectCallError& error) {
        ReportFailure(error);
        return false;
    }
}

void CDialogMld::ReportFailure(const CObjectCallError& error) {
    const bool denied = error.Code() == status::kAccessDenied;
    doc_.Ui().ShowMessage(denied ? message::kModelessAccessDenied : message::kModelessNotFound, MessageIcon::Warning);
}

void CDialogMld::OnTest() {
    if (Evaluate(true)) doc_.Ui().ShowMessage(message::kModelessFound, MessageIcon::Information);
}

void CDialogMld::accept() {
    if (Evaluate(false)) CTemplateDialog::accept();
}

}  // namespace marklens
