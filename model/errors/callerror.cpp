#include "callerror.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "model/document/documentmessages.h"
#include "model/document/documentui.h"
#include "objectcallerror.h"
#include "statuscodes.h"

namespace marklens {

namespace {

struct CCodeText {
    std::uint32_t code;
    const char* text;
};

// The codes this program meets.
constexpr std::array kCodeTexts{
    CCodeText{status::kInvalidPointer, "Invalid pointer"},
    CCodeText{status::kFail, "Unspecified error"},
    CCodeText{status::kAccessDenied, "Access is denied."},
    CCodeText{status::kTimeout, "The browser did not answer in time."},
    CCodeText{status::kCancelled, "The operation was cancelled."},
};

constexpr std::uint32_t kDispatchBase = 0x80040200;
constexpr std::uint32_t kDispatchLast = 0x8004FFFF;

}  // namespace

std::string StatusCodeText(std::uint32_t code) {
    for (const CCodeText& entry : kCodeTexts) {
        if (entry.code == code) return entry.text;
    }
    std::array<char, 48> text{};
    if (code > kDispatchBase && code <= kDispatchLast) {
        std::snprintf(text.data(), text.size(), "IDispatch error #%d", static_cast<int>(code - kDispatchBase));
    } else {
        std::snprintf(text.data(), text.size(), "Unknown error 0x%0lX", static_cast<unsigned long>(code));
    }
    return text.data();
}

std::string SystemErrorText(const CObjectCallError& error) {
    std::string text = error.Message().empty() ? StatusCodeText(error.Code()) : error.Message();
    if (text.ends_with('\n')) {
        text.pop_back();
        if (text.ends_with('\r')) text.pop_back();
    }
    return text;
}

std::string CallErrorText(const std::string& text, const CObjectCallError& error) {
    return text + "(" + SystemErrorText(error) + ")";
}

const char* ConnectErrorText(const CObjectCallError& error) {
    return error.Code() == status::kAccessDenied ? message::kAccessDenied : message::kCouldNotConnect;
}

void ShowCallError(IDocumentUi& ui, const std::string& text, const CObjectCallError& error) {
    ui.ShowMessage(CallErrorText(text, error), MessageIcon::None);
}

}  // namespace marklens
