#pragma once
#include <cstdint>
#include <string>

namespace marklens {

class CObjectCallError;
class IDocumentUi;

// The text of a status code: the table of the codes this program meets, else
// "IDispatch error #n" for interface-defined codes, else "Unknown error 0x...".
std::string StatusCodeText(std::uint32_t code);
// The system text of a failed call: the browser's own message where it gave one, else the
// text of the code, else "IDispatch error #n" for interface-defined codes or "Unknown error".
std::string SystemErrorText(const CObjectCallError& error);
// text + "(" + system text + ")", with no blanks between.
std::string CallErrorText(const std::string& text, const CObjectCallError& error);
// The message for a failed attach or refresh: the access-denied text for a refused page,
// else "Could not connect to browser".
const char* ConnectErrorText(const CObjectCallError& error);
// Shows that in a message box with an OK button and no icon.
void ShowCallError(IDocumentUi& ui, const std::string& text, const CObjectCallError& error);

}  // namespace marklens
