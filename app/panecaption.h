#pragma once
#include <QLabel>

namespace marklens {

// The small caption bar over a pane. Pressing or dragging on it does nothing: it neither
// moves the pane nor activates or focuses anything. The wheel over it scrolls its pane.
class CPaneCaption : public QLabel {
    Q_OBJECT
public:
    explicit CPaneCaption(QWidget* parent = nullptr);

signals:
    void wheelTurned(QWheelEvent* event);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace marklens
