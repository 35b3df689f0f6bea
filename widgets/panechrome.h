#pragma once
#include <QWidget>

namespace marklens {

class CPaneCaption;

// The chrome every pane shares: a caption bar with the pane's window title over the pane,
// and wheel routing. Qt already sends the wheel to the widget under the pointer; the chrome
// makes the pane under the pointer take the focus and lets the caption's wheel scroll it.
class CPaneChrome : public QWidget {
    Q_OBJECT
public:
    // What a press on the caption does: nothing for most panes, the capture view takes focus.
    enum class CaptionPress { Nothing, FocusPane };

    // Takes the pane as its child.
    explicit CPaneChrome(QWidget* pane, QWidget* parent = nullptr, CaptionPress press = CaptionPress::Nothing);

    QWidget* Pane() const { return pane_; }
    CPaneCaption* Caption() const { return caption_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ForwardWheel(QWheelEvent* event);
    QWidget* WheelTarget() const;

    QWidget* pane_;
    CPaneCaption* caption_;
};

}  // namespace marklens
