#pragma once
#include <vector>

#include "updatehint.h"

namespace marklens {

class IView;

// A document keeps its views in creation order and tells them of every change. It does not
// own them: a view removes itself before it goes away.
class CDocument {
public:
    CDocument() = default;
    virtual ~CDocument() = default;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    void AddView(IView& view);
    void RemoveView(const IView& view);
    const std::vector<IView*>& Views() const { return views_; }

    // Calls every view's OnUpdate in creation order, skipping the sender, before returning.
    // A view may broadcast again from its handler; that broadcast runs to completion inside.
    void UpdateAllViews(IView* sender, UpdateHint hint);
    bool HasView(const IView* view) const;

protected:
    // After the outermost broadcast has reached every view.
    virtual void OnBroadcastEnd() {}
    bool InBroadcast() const { return broadcastDepth_ > 0; }

private:
    std::vector<IView*> views_;
    int broadcastDepth_ = 0;
};

}  // namespace marklens
