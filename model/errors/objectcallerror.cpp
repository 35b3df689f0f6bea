#include "objectcallerror.h"

#include <cstdio>

namespace marklens {

std::string FormatStatusCode(std::uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

CObjectCallError::CObjectCallError(std::uint32_t code, std::string message)
    : std::runtime_error(message.empty() ? FormatStatusCode(code) : FormatStatusCode(code) + ": " + message),
      code_(code),
      message_(std::move(message)) {}

}  // namespace marklens
