#pragma once
#include <QDialog>
#include <QHash>

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

private:
    QWidget* CreateControl(const resources::CControlTemplate& control);

    QSize baseUnits_;
    QHash<int, QWidget*> controls_;
};

}  // namespace marklens
