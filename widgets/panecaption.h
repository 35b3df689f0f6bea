#pragma once
#include <QLabel>

namespace marklens {

// The small caption bar over a pane. It never moves its pane; a press only reports itself,
// and the chrome decides whether that focuses the pane. The wheel over it scrolls its pane.
class CPaneCaption : public QLabel {
    Q_OBJECT
public:
    explicit CPaneCaption(QWidget* parent = nullptr);

signals:
    void wheelTurned(QWheelEvent* event);
    void pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace marklens
