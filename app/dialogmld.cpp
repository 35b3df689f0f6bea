#include "dialogmld.h"

#include <QLineEdit>
#include <QPointer>
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

void CDialogMld::Evaluate(bool testOnly) {
    if (IsWaiting()) return;
    WaitForAnswer();
    doc_.EvaluateModelessExpression(
        position_, expression_->text().toStdString(), testOnly,
        [doc = &doc_, dialog = QPointer<CDialogMld>(this), testOnly](const CWorkOutcome& outcome) {
            if (dialog) dialog->AnswerArrived();
            if (outcome.kind == CWorkOutcome::Kind::Failed) {
                const bool denied = outcome.error->Code() == status::kAccessDenied;
                doc->Ui().ShowMessage(denied ? message::kModelessAccessDenied : message::kModelessNotFound,
                                      MessageIcon::Warning);
                return;  // open for another try
            }
            if (!outcome.IsDone()) return;
            if (testOnly) {
                doc->Ui().ShowMessage(message::kModelessFound, MessageIcon::Information);
            } else if (dialog) {
                dialog->CTemplateDialog::accept();
            }
        });
}

void CDialogMld::OnTest() { Evaluate(true); }

void CDialogMld::accept() { Evaluate(false); }

}  // namespace marklens
