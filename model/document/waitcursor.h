#pragma once

namespace marklens {

class IDocumentUi;

// Shows the wait cursor for its lifetime, also when the operation throws.
class CWaitCursor {
public:
    explicit CWaitCursor(IDocumentUi& ui);
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    IDocumentUi& ui_;
};

}  // namespace marklens
