#include "lenientjson.h"

#include <charconv>

namespace marklens {

namespace {

// The code unit of a \uXXXX escape at text[at] (the backslash), or nothing.
std::optional<unsigned> EscapedUnit(std::string_view text, std::size_t at) {
    if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return std::nullopt;
    unsigned unit = 0;
    const char* first = text.data() + at + 2;
    const auto [end, ec] = std::from_chars(first, first + 4, unit, 16);
    if (ec != std::errc() || end != first + 4) return std::nullopt;
    return unit;
}

bool IsHigh(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string ReplaceLoneSurrogateEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\\') {
            out += text[i++];
            continue;
        }
        const std::optional<unsigned> unit = EscapedUnit(text, i);
        if (!unit) {
            // Any other escape, \\ included, is two characters that stay as they are.
            out.append(text.substr(i, 2));
            i += 2;
            continue;
        }
        if (IsHigh(*unit)) {
            const std::optional<unsigned> next = EscapedUnit(text, i + 6);
            if (next && IsLow(*next)) {
                out.append(text.substr(i, 12));
                i += 12;
                continue;
            }
        }
        out.append(IsHigh(*unit) || IsLow(*unit) ? std::string_view("\\ufffd") : text.substr(i, 6));
        i += 6;
    }
    return out;
}

nlohmann::json ReadProtocolMessage(std::string_view text, std::string* failure) {
    nlohmann::json message = nlohmann::json::parse(text, nullptr, false);
    if (!message.is_discarded()) return message;
    try {
        return nlohmann::json::parse(ReplaceLoneSurrogateEscapes(text));
    } catch (const nlohmann::json::exception& error) {
        if (failure) *failure = error.what();
        return nlohmann::json::value_t::discarded;
    }
}

std::optional<std::int64_t> LeadingAnswerId(std::string_view text) {
    constexpr std::string_view kLead = "{\"id\":";
    if (text.substr(0, kLead.size()) != kLead) return std::nullopt;
    std::int64_t id = 0;
    const char* first = text.data() + kLead.size();
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), id);
    if (ec != std::errc() || end == first) return std::nullopt;
    return id;
}

}  // namespace marklens
