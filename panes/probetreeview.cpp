#include "probetreeview.h"

#include "model/pagewrightdoc.h"

namespace marklens {

CProbeTreeView::CProbeTreeView(CPagewrightDoc& doc, QWidget* parent) : QTreeWidget(parent), doc_(doc) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setHeaderHidden(true);
    doc_.AddView(*this);
}

CProbeTreeView::~CProbeTreeView() { doc_.RemoveView(*this); }

void CProbeTreeView::OnUpdate(IView*, UpdateHint) {}

}  // namespace marklens
