#pragma once
#include <cstdint>

// The 32-bit status codes that object calls fail with; messages and tests speak these.
namespace marklens::status {
inline constexpr std::uint32_t kInvalidPointer = 0x80004003;  // a missing object or interface
inline constexpr std::uint32_t kFail = 0x80004005;            // unspecified, browser gone
inline constexpr std::uint32_t kAccessDenied = 0x80070005;    // probe refused, other origin
inline constexpr std::uint32_t kTimeout = 0x800705B4;         // a call got no answer in time
inline constexpr std::uint32_t kCancelled = 0x800704C7;       // the user cancelled the work
}  // namespace marklens::status
