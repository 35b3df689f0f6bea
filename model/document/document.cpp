#include "document.h"

#include <algorithm>

#include "view.h"

namespace marklens {

void CDocument::AddView(IView& view) {
    if (!HasView(&view)) views_.push_back(&view);
}

void CDocument::RemoveView(const IView& view) { std::erase(views_, &view); }

bool CDocument::HasView(const IView* view) const {
    return std::find(views_.begin(), views_.end(), view) != views_.end();
}

void CDocument::UpdateAllViews(IView* sender, UpdateHint hint) {
    // A handler may add or remove views; walk a copy and skip any view removed meanwhile,
    // so a pane that went away is never called.
    const std::vector<IView*> snapshot = views_;
    struct CDepth {
        int& depth;
        explicit CDepth(int& d) : depth(d) { ++depth; }
        ~CDepth() { --depth; }
    };
    {
        const CDepth depth(broadcastDepth_);
        for (IView* view : snapshot) {
            if (view != sender && HasView(view)) view->OnUpdate(sender, hint);
        }
    }
    if (broadcastDepth_ == 0) OnBroadcastEnd();
}

}  // namespace marklens
