#pragma once
#include <QList>
#include <QSplitter>

namespace marklens {

// A fixed grid of rows by columns with movable bars, as the frame lays out its panes. It is a
// vertical splitter of rows; with more than one column each row is a horizontal splitter, and
// the rows share one set of column widths, so the panes line up as a grid. When the splitter
// is resized the first column takes the whole change of width and the last row the whole
// change of height; a bar that the user moved stays where it was put.
class CPaneSplitter : public QSplitter {
    Q_OBJECT
public:
    CPaneSplitter(int rows, int columns, QWidget* parent = nullptr);

    int RowCount() const { return count(); }
    int ColumnCount() const { return columns_; }

    // Puts the pane into the cell in place of its placeholder; the splitter owns it from then.
    void SetPane(int row, int column, QWidget* pane);
    QWidget* Pane(int row, int column) const;
    // The splitter that holds the cell's row: the row's own one, or this with one column.
    QSplitter* RowSplitter(int row) const;

    // Ideal sizes; the last row or column takes what is left. No cell gets less than minimum.
    void SetRowHeights(const QList<int>& heights, int minimum);
    void SetColumnWidths(const QList<int>& widths, int minimum);
    QList<int> RowHeights() const { return sizes(); }
    QList<int> ColumnWidths() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShareColumnWidths(const QSplitter& from);

    int columns_;
    bool sharing_ = false;
    QList<int> idealRows_;  // until the first layout
};

}  // namespace marklens
