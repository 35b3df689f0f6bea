#include "casefold.h"

#include <algorithm>

namespace marklens {

namespace {

// The lead bytes of multi-byte UTF-8 sequences: their range, payload bits, length and the
// smallest character that may take that length.
struct CUtf8Lead {
    unsigned char low, high, mask;
    std::size_t length;
    char32_t min;
};
constexpr CUtf8Lead kUtf8Leads[] = {
    {0xC2, 0xDF, 0x1F, 2, 0x80}, {0xE0, 0xEF, 0x0F, 3, 0x800}, {0xF0, 0xF4, 0x07, 4, 0x10000}};

// The length of the well-formed UTF-8 sequence at the start of text and its character; 0 when
// the bytes there are not one (stray continuation, overlong form, surrogate, past U+10FFFF).
std::size_t DecodeUtf8(std::string_view text, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const CUtf8Lead* lead = nullptr;
    for (const CUtf8Lead& candidate : kUtf8Leads) {
        if (byte(0) >= candidate.low && byte(0) <= candidate.high) lead = &candidate;
    }
    if (!lead || text.size() < lead->length) return 0;
    c = byte(0) & lead->mask;
    for (std::size_t i = 1; i < lead->length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    if (c < lead->min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return lead->length;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

char32_t FoldCharacter(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    const std::span<const CCaseFoldPair> table = SimpleCaseFolding();
    const auto found = std::lower_bound(table.begin(), table.end(), c,
                                        [](const CCaseFoldPair& pair, char32_t key) { return pair.from < key; });
    return found != table.end() && found->from == c ? found->to : c;
}

void AppendFolded(std::string_view utf8, std::string& out) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char byte = utf8[i];
        if (static_cast<unsigned char>(byte) < 0x80) {
            out += byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + ('a' - 'A')) : byte;
            ++i;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = DecodeUtf8(utf8.substr(i), c);
        if (length == 0) {
            out += byte;
            ++i;
            continue;
        }
        const char32_t folded = FoldCharacter(c);
        if (folded == c)
            out.append(utf8.substr(i, length));
        else
            AppendUtf8(folded, out);
        i += length;
    }
}

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendFolded(utf8, out);
    return out;
}

}  // namespace marklens
