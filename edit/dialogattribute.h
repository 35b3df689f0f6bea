#pragma once
#include <QString>

#include "widgets/templatedialog.h"

class QLineEdit;

namespace marklens {

class CPagewrightDoc;

// "Set Attribute Value": shows the attribute's name and catalog default and lets the user type
// the value. OK sets it through the document and waits, open, for the browser's answer; a value
// the browser refuses keeps the dialog open with the typed text.
class CDialogAttribute : public CTemplateDialog {
    Q_OBJECT
public:
    CDialogAttribute(CPagewrightDoc& doc, const QString& name, const QString& value, const QString& defaultValue,
                     QWidget* parent);

    QLineEdit* ValueBox() const { return value_; }

    void accept() override;

private:
    QLineEdit* ReadOnlyBox(int id, const QString& text);

    CPagewrightDoc& doc_;
    QString name_;
    QLineEdit* value_ = nullptr;
};

}  // namespace marklens
