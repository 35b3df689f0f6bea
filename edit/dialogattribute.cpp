#include "dialogattribute.h"

#include <QLineEdit>
#include <QPointer>

#include "model/document/documentmessages.h"
#include "model/document/documentui.h"
#include "model/document/pagewrightdoc.h"
#include "resources/attributedialogtemplate.h"

namespace marklens {

CDialogAttribute::CDialogAttribute(CPagewrightDoc& doc, const QString& name, const QString& value,
                                   const QString& defaultValue, QWidget* parent)
    : CTemplateDialog(resources::AttributeDialogTemplate(), parent), doc_(doc), name_(name) {
    ReadOnlyBox(resources::kIdcAttributeName, name);
    ReadOnlyBox(resources::kIdcAttributeDefault, defaultValue);
    value_ = qobject_cast<QLineEdit*>(Control(resources::kIdcAttributeValue));
    value_->setText(value);
    // Typing replaces the current value.
    value_->selectAll();
    value_->setFocus(Qt::OtherFocusReason);
}

QLineEdit* CDialogAttribute::ReadOnlyBox(int id, const QString& text) {
    auto* box = qobject_cast<QLineEdit*>(Control(id));
    box->setText(text);
    box->setReadOnly(true);
    box->setCursorPosition(0);
    return box;
}

void CDialogAttribute::accept() {
    if (IsWaiting()) return;
    WaitForAnswer();
    doc_.SetStyleAttribute(name_.toStdString(), value_->text().toStdString(),
                           [doc = &doc_, dialog = QPointer<CDialogAttribute>(this)](const CWorkOutcome& outcome) {
                               if (!dialog) return;
                               dialog->AnswerArrived();
                               if (outcome.IsDone()) {
                                   dialog->CTemplateDialog::accept();
                               } else if (outcome.kind != CWorkOutcome::Kind::Cancelled) {
                                   doc->Ui().ShowMessage(message::kValueNotAccepted, MessageIcon::Warning);
                               }
                           });
}

}  // namespace marklens
