#pragma once
#include <span>

#include <QTreeWidget>

#include "model/document/view.h"
#include "model/page/liveelement.h"

namespace marklens {

class CPagewrightDoc;

// A report list that follows the document's selection: one of the document's views, with its
// caption, its column headings and a status-line hint while the pointer moves over it.
class CElementListPane : public QTreeWidget, public IView {
    Q_OBJECT
public:
    struct CColumn {
        const char* heading;
        int width;
    };

    ~CElementListPane() override;

protected:
    CElementListPane(CPagewrightDoc& doc, const char* caption, const char* pointerHint,
                     std::span<const CColumn> columns, QWidget* parent);

    CPagewrightDoc& Doc() const { return doc_; }
    // The live element of the selected mirror node, when that node is an element or a frame
    // (or, with acceptDocument, a document); none when the page has no such element.
    LiveElementHandle SelectedElement(bool acceptDocument) const;

    void mouseMoveEvent(QMouseEvent* event) override;
    // No menu from the menu key, and none travels on to the frame.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CPagewrightDoc& doc_;
    const char* pointerHint_;
};

}  // namespace marklens
