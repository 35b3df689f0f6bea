#include "panesplitter.h"

#include <numeric>

#include <QEvent>

namespace marklens {

namespace {

// The first layout gives each cell its ideal size and the last the rest; later ones keep the
// other sizes and give the whole change to one index. Hidden splitters are laid out only once
// shown, so the ideal sizes wait for that.
void LayOut(QSplitter& splitter, QList<int>& ideal, const QList<int>& before, int growing) {
    const QList<int> after = splitter.sizes();
    if (after.size() < 2) return;
    const int total = std::accumulate(after.begin(), after.end(), 0);
    QList<int> next = after;
    if (!ideal.isEmpty()) {
        next = ideal;
        next.back() = total - std::accumulate(ideal.begin(), ideal.end() - 1, 0);
        ideal.clear();
    } else if (before.size() == after.size() &&
               std::all_of(before.begin(), before.end(), [](int size) { return size > 0; })) {
        next = before;
        next[growing] += total - std::accumulate(before.begin(), before.end(), 0);
    }
    if (next != after && next[growing] > 0) splitter.setSizes(next);  // the minimums still hold
}

// A row of a grid: on resize the first column takes the change.
class CColumnRow : public QSplitter {
public:
    explicit CColumnRow(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {}
    QList<int> ideal;

protected:
    void resizeEvent(QResizeEvent* event) override {
        const QList<int> before = sizes();
        QSplitter::resizeEvent(event);
        LayOut(*this, ideal, before, 0);
    }
};

QWidget* Placeholder() { return new QWidget; }

}  // namespace

CPaneSplitter::CPaneSplitter(int rows, int columns, QWidget* parent)
    : QSplitter(Qt::Vertical, parent), columns_(columns) {
    setChildrenCollapsible(false);
    for (int row = 0; row < rows; ++row) {
        if (columns_ < 2) {
            addWidget(Placeholder());
            continue;
        }
        auto* cells = new CColumnRow(this);
        cells->setChildrenCollapsible(false);
        for (int column = 0; column < columns_; ++column)
            cells->addWidget(Placeholder());
        // The last cell moves or resizes once the row's layout is complete.
        cells->widget(columns_ - 1)->installEventFilter(this);
        addWidget(cells);
    }
}

QSplitter* CPaneSplitter::RowSplitter(int row) const {
    return columns_ < 2 ? const_cast<CPaneSplitter*>(this) : static_cast<QSplitter*>(widget(row));
}

QWidget* CPaneSplitter::Pane(int row, int column) const {
    return columns_ < 2 ? widget(row) : RowSplitter(row)->widget(column);
}

void CPaneSplitter::SetPane(int row, int column, QWidget* pane) {
    QSplitter* holder = RowSplitter(row);
    const int index = columns_ < 2 ? row : column;
    QWidget* old = holder->replaceWidget(index, pane);
    if (columns_ >= 2 && column == columns_ - 1) pane->installEventFilter(this);
    delete old;
}

void CPaneSplitter::SetRowHeights(const QList<int>& heights, int minimum) {
    for (int row = 0; row < count(); ++row)
        widget(row)->setMinimumHeight(minimum);
    if (isVisible())
        setSizes(heights);
    else
        idealRows_ = heights;
}

void CPaneSplitter::SetColumnWidths(const QList<int>& widths, int minimum) {
    for (int row = 0; row < count(); ++row) {
        QSplitter* cells = RowSplitter(row);
        if (cells == this) continue;
        for (int column = 0; column < cells->count(); ++column)
            cells->widget(column)->setMinimumWidth(minimum);
        if (cells->isVisible())
            cells->setSizes(widths);
        else
            static_cast<CColumnRow*>(cells)->ideal = widths;
    }
}

QList<int> CPaneSplitter::ColumnWidths() const { return columns_ < 2 ? QList<int>{width()} : RowSplitter(0)->sizes(); }

void CPaneSplitter::resizeEvent(QResizeEvent* event) {
    const QList<int> before = sizes();
    QSplitter::resizeEvent(event);
    LayOut(*this, idealRows_, before, count() - 1);
}

// A row whose bar moved, by mouse, keys or a resize, gives its widths to the rows of the same
// width; rows that are still being resized catch up when their own layout completes.
bool CPaneSplitter::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !sharing_) {
        if (auto* cells = qobject_cast<QSplitter*>(static_cast<QWidget*>(watched)->parentWidget())) {
            ShareColumnWidths(*cells);
        }
    }
    return QSplitter::eventFilter(watched, event);
}

void CPaneSplitter::ShareColumnWidths(const QSplitter& from) {
    sharing_ = true;
    const QList<int> widths = from.sizes();
    for (int row = 0; row < count(); ++row) {
        QSplitter* cells = RowSplitter(row);
        if (cells != &from && cells->width() == from.width() && cells->sizes() != widths) cells->setSizes(widths);
    }
    sharing_ = false;
}

}  // namespace marklens
