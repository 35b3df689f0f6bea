#include "panecaption.h"

#include <QMouseEvent>
#include <QWheelEvent>

namespace marklens {

CPaneCaption::CPaneCaption(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Mid);
    setForegroundRole(QPalette::WindowText);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    setFont(small);
    setContentsMargins(0, 1, 0, 1);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

// Accepted so that nothing behind the caption reacts either.
void CPaneCaption::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit pressed();
}
void CPaneCaption::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
void CPaneCaption::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void CPaneCaption::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void CPaneCaption::wheelEvent(QWheelEvent* event) {
    emit wheelTurned(event);
    event->accept();
}

}  // namespace marklens
