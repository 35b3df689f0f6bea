#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace marklens {

// Reads one protocol message. The browser writes unpaired UTF-16 surrogates of page text (an
// id or class cut in the middle of an emoji) as \ud83d-style escapes, which a strict JSON
// reader refuses; they read as U+FFFD. Text that still cannot be read is discarded, and
// failure, when given, gets the reader's reason.
nlohmann::json ReadProtocolMessage(std::string_view text, std::string* failure = nullptr);

// The text with every unpaired surrogate escape replaced by \ufffd.
std::string ReplaceLoneSurrogateEscapes(std::string_view text);

// The id of an answer, from the "id" member the browser writes first; for a message that
// cannot be read, so the call waiting for it can fail at once.
std::optional<std::int64_t> LeadingAnswerId(std::string_view text);

}  // namespace marklens
