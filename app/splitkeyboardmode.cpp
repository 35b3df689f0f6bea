#include "splitkeyboardmode.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSplitter>

namespace marklens {

CSplitKeyboardMode::CSplitKeyboardMode(QSplitter& splitter, QObject* parent)
    : CSplitKeyboardMode(splitter.orientation() == Qt::Horizontal ? &splitter : nullptr,
                         splitter.orientation() == Qt::Vertical ? &splitter : nullptr, parent) {}

CSplitKeyboardMode::CSplitKeyboardMode(QSplitter* horizontal, QSplitter* vertical, QObject* parent)
    : QObject(parent),
      horizontal_{horizontal, horizontal ? horizontal->sizes() : QList<int>()},
      vertical_{vertical, vertical ? vertical->sizes() : QList<int>()} {
    qApp->installEventFilter(this);
}

CSplitKeyboardMode::~CSplitKeyboardMode() {
    if (active_) qApp->removeEventFilter(this);
}

bool CSplitKeyboardMode::eventFilter(QObject* watched, QEvent* event) {
    if (!active_) return QObject::eventFilter(watched, event);
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
    switch (key->key()) {
    case Qt::Key_Left: Move(horizontal_, -step); break;
    case Qt::Key_Right: Move(horizontal_, step); break;
    case Qt::Key_Up: Move(vertical_, -step); break;
    case Qt::Key_Down: Move(vertical_, step); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: Finish(true); break;
    case Qt::Key_Escape: Finish(false); break;
    default: break;
    }
    return true;
}

void CSplitKeyboardMode::Move(CBar& bar, int delta) {
    if (!bar.splitter) return;
    QList<int> sizes = bar.splitter->sizes();
    if (sizes.size() < 2) return;
    delta = std::clamp(delta, -sizes[0], sizes[1]);
    sizes[0] += delta;
    sizes[1] -= delta;
    bar.splitter->setSizes(sizes);
}

void CSplitKeyboardMode::Finish(bool keep) {
    active_ = false;
    qApp->removeEventFilter(this);
    for (const CBar* bar : {&horizontal_, &vertical_}) {
        if (!keep && bar->splitter) bar->splitter->setSizes(bar->originalSizes);
    }
    emit finished(keep);
}

}  // namespace marklens
