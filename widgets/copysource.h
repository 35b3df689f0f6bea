#pragma once
#include <memory>

#include <QMimeData>

namespace marklens {

// A pane whose selection the Copy command puts on the clipboard.
class ICopySource {
public:
    virtual ~ICopySource() = default;
    virtual bool CanCopy() const = 0;
    // What the pane shows as selected, in the clipboard's form; null when there is nothing.
    virtual std::unique_ptr<QMimeData> CopyData() const = 0;
};

}  // namespace marklens
