#pragma once
#include <QList>
#include <QObject>
#include <QPointer>

class QSplitter;

namespace marklens {

// The keyboard split mode: the arrow keys move the splitters' bars (16 pixels, 1 with Ctrl),
// left and right the bar of the horizontal splitter, up and down that of the vertical one;
// Enter keeps the new places, Escape puts the bars back; a mouse press also keeps them. While
// the mode runs it takes every key, so nothing else reacts to them.
class CSplitKeyboardMode : public QObject {
    Q_OBJECT
public:
    static constexpr int kStep = 16;

    explicit CSplitKeyboardMode(QSplitter& splitter, QObject* parent = nullptr);
    // Either splitter may be none; each must have the orientation its name says.
    CSplitKeyboardMode(QSplitter* horizontal, QSplitter* vertical, QObject* parent = nullptr);
    ~CSplitKeyboardMode() override;

    bool IsActive() const { return active_; }

signals:
    void finished(bool kept);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct CBar {
        QPointer<QSplitter> splitter;
        QList<int> originalSizes;
    };

    void Move(CBar& bar, int delta);
    void Finish(bool keep);

    CBar horizontal_;
    CBar vertical_;
    bool active_ = true;
};

}  // namespace marklens
