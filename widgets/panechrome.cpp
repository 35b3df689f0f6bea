#include "panechrome.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "panecaption.h"

namespace marklens {

CPaneChrome::CPaneChrome(QWidget* pane, QWidget* parent, CaptionPress press)
    : QWidget(parent), pane_(pane), caption_(new CPaneCaption(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption_);
    layout->addWidget(pane_, 1);
    caption_->setText(pane_->windowTitle());
    pane_->installEventFilter(this);
    if (QWidget* target = WheelTarget(); target != pane_) target->installEventFilter(this);
    connect(caption_, &CPaneCaption::wheelTurned, this, &CPaneChrome::ForwardWheel);
    if (press == CaptionPress::FocusPane) {
        connect(caption_, &CPaneCaption::pressed, this, [this] { pane_->setFocus(Qt::MouseFocusReason); });
    }
}

QWidget* CPaneChrome::WheelTarget() const {
    const auto* area = qobject_cast<QAbstractScrollArea*>(pane_);
    return area ? area->viewport() : pane_;
}

bool CPaneChrome::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pane_ && event->type() == QEvent::WindowTitleChange) {
        caption_->setText(pane_->windowTitle());
    } else if (event->type() == QEvent::Wheel && pane_->focusPolicy() != Qt::NoFocus) {
        pane_->setFocus(Qt::MouseFocusReason);  // the wheel scrolls it; it takes the focus
    }
    return QWidget::eventFilter(watched, event);
}

void CPaneChrome::ForwardWheel(QWheelEvent* event) {
    QWidget* target = WheelTarget();
    const QPointF local = target->mapFromGlobal(event->globalPosition());
    QWheelEvent copy(local, event->globalPosition(), event->pixelDelta(), event->angleDelta(), event->buttons(),
                     event->modifiers(), event->phase(), event->inverted(), event->source());
    QCoreApplication::sendEvent(target, &copy);
}

}  // namespace marklens
