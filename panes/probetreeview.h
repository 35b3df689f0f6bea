#pragma once
#include <QTreeWidget>

#include "model/view.h"

namespace marklens {

class CPagewrightDoc;

// The element tree pane. For now it only takes its place as a view of the document.
class CProbeTreeView : public QTreeWidget, public IView {
    Q_OBJECT
public:
    static constexpr const char* kCaption = " HTML DOM Tree";

    explicit CProbeTreeView(CPagewrightDoc& doc, QWidget* parent = nullptr);
    ~CProbeTreeView() override;

    void OnUpdate(IView* sender, UpdateHint hint) override;

private:
    CPagewrightDoc& doc_;
};

}  // namespace marklens
