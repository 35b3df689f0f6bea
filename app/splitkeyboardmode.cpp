#include "splitkeyboardmode.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSplitter>

namespace marklens {

CSplitKeyboardMode::CSplitKeyboardMode(QSplitter& splitter, QObject* parent)
    : QObject(parent), splitter_(&splitter), originalSizes_(splitter.sizes()) {
    qApp->installEventFilter(this);
}

CSplitKeyboardMode::~CSplitKeyboardMode() {
    if (active_) qApp->removeEventFilter(this);
}

bool CSplitKeyboardMode::eventFilter(QObject* watched, QEvent* event) {
    if (!active_ || !splitter_) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        Finish(true);
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();  // keep the keys from the frame's accelerators while the mode runs
        return true;
    }
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const int step = key->modifiers().testFlag(Qt::ControlModifier) ? 1 : kStep;
    const bool horizontal = splitter_->orientation() == Qt::Horizontal;
    switch (key->key()) {
    case Qt::Key_Left: if (horizontal) Move(-step); break;
    case Qt::Key_Right: if (horizontal) Move(step); break;
    case Qt::Key_Up: if (!horizontal) Move(-step); break;
    case Qt::Key_Down: if (!horizontal) Move(step); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: Finish(true); break;
    case Qt::Key_Escape: Finish(false); break;
    default: break;
    }
    return true;
}

void CSplitKeyboardMode::Move(int delta) {
    QList<int> sizes = splitter_->sizes();
    if (sizes.size() < 2) return;
    delta = std::clamp(delta, -sizes[0], sizes[1]);
    sizes[0] += delta;
    sizes[1] -= delta;
    splitter_->setSizes(sizes);
}

void CSplitKeyboardMode::Finish(bool keep) {
    active_ = false;
    qApp->removeEventFilter(this);
    if (!keep && splitter_) splitter_->setSizes(originalSizes_);
    emit finished(keep);
}

}  // namespace marklens
