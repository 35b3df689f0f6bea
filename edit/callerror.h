#pragma once
#include <string>

namespace marklens {

class CObjectCallError;
class IDocumentUi;

// The system text of a failed call: the browser's own message where it gave one, else the
// text of the code, else "IDispatch error #n" for interface-defined codes or "Unknown error".
std::string SystemErrorText(const CObjectCallError& error);
// text + "(" + system text + ")", with no blanks between.
std::string CallErrorText(const std::string& text, const CObjectCallError& error);
// Shows that in a message box with an OK button and no icon.
void ShowCallError(IDocumentUi& ui, const std::string& text, const CObjectCallError& error);

}  // namespace marklens
