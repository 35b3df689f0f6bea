#pragma once
#include <span>

#include <QTreeWidget>

#include "copysource.h"
#include "model/document/view.h"
#include "model/style/styleanswers.h"

namespace marklens {

class CPagewrightDoc;

// A report list that follows the document's selection: one of the document's views, with its
// caption, its column headings and a status-line hint while the pointer moves over it. The
// panes of this kind ask their questions of the selected element through the document, which
// asks them all at once and drops answers that come after the selection moved on.
class CElementListPane : public QTreeWidget, public IView, public ICopySource {
    Q_OBJECT
public:
    struct CColumn {
        const char* heading;
        int width;
    };

    ~CElementListPane() override;

    // The selected rows, top to bottom, each its columns between tabs.
    bool CanCopy() const override;
    std::unique_ptr<QMimeData> CopyData() const override;

protected:
    CElementListPane(CPagewrightDoc& doc, const char* caption, const char* pointerHint,
                     std::span<const CColumn> columns, QWidget* parent);

    CPagewrightDoc& Doc() const { return doc_; }
    // Asks the questions of the selected mirror node when that node is an element or a frame
    // (or, with acceptDocument, a document); its answers reach OnAnswers later. False, and
    // nothing asked, for a node of another kind or none.
    bool AskAboutSelection(const CStyleQuestions& questions, bool acceptDocument);
    virtual void OnAnswers(const CStyleAnswers& answers) = 0;

    void mouseMoveEvent(QMouseEvent* event) override;
    // No menu from the menu key, and none travels on to the frame.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CPagewrightDoc& doc_;
    const char* pointerHint_;
};

}  // namespace marklens
