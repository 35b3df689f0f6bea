#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace marklens {

// The failure of a call into the browser, the probe or the XML layer: a status code and,
// where the other side gave one, its own message text.
class CObjectCallError : public std::runtime_error {
public:
    explicit CObjectCallError(std::uint32_t code, std::string message = {});

    std::uint32_t Code() const noexcept { return code_; }
    const std::string& Message() const noexcept { return message_; }

private:
    std::uint32_t code_;
    std::string message_;
};

// "0x80004005" style text for a code.
std::string FormatStatusCode(std::uint32_t code);

}  // namespace marklens
