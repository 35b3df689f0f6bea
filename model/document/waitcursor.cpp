#include "waitcursor.h"

#include "documentui.h"

namespace marklens {

CWaitCursor::CWaitCursor(IDocumentUi& ui) : ui_(ui) { ui_.BeginWaitCursor(); }

CWaitCursor::~CWaitCursor() { ui_.EndWaitCursor(); }

}  // namespace marklens
