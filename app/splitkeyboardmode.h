#pragma once
#include <QList>
#include <QObject>
#include <QPointer>

class QSplitter;

namespace marklens {

// The keyboard split mode: the arrow keys move the splitter's bar (16 pixels, 1 with Ctrl),
// Enter keeps the new place, Escape puts the bar back; a mouse press also keeps it. While
// the mode runs it takes every key, so nothing else reacts to them.
class CSplitKeyboardMode : public QObject {
    Q_OBJECT
public:
    static constexpr int kStep = 16;

    explicit CSplitKeyboardMode(QSplitter& splitter, QObject* parent = nullptr);
    ~CSplitKeyboardMode() override;

    bool IsActive() const { return active_; }

signals:
    void finished(bool kept);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Move(int delta);
    void Finish(bool keep);

    QPointer<QSplitter> splitter_;
    QList<int> originalSizes_;
    bool active_ = true;
};

}  // namespace marklens
