#pragma once
#include <functional>

#include <QDialog>
#include <QHash>
#include <QList>

#include "resources/dialogtemplate.h"

namespace marklens {

// A dialog laid out from its template: dialog units are turned into pixels with the
// template font's average character size (x: a quarter of the average width, y: an eighth
// of the height). Button 1 accepts, button 2 rejects.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    CTemplateDialog(const resources::CDialogTemplate& dialogTemplate, QWidget* parent);

    // The control with this identifier; none for an identifier the template lacks.
    QWidget* Control(int id) const { return controls_.value(id); }
    QPoint DialogUnitsToPixels(int x, int y) const;

    // The dialog waits for the browser's answer: it stays open and alive, its controls
    // disabled but for Cancel. Cancel and Esc then run onCancel (when there is one) instead of
    // closing; the answer's handler calls AnswerArrived before it closes the dialog or goes on.
    void WaitForAnswer(std::function<void()> onCancel = {});
    void AnswerArrived();
    bool IsWaiting() const { return waiting_; }

    void reject() override;

private:
    QWidget* CreateControl(const resources::CControlTemplate& control);

    QSize baseUnits_;
    QHash<int, QWidget*> controls_;
    bool waiting_ = false;
    QList<QWidget*> disabledWhileWaiting_;
    std::function<void()> onCancel_;
};

}  // namespace marklens
