#include "browserlabel.h"

namespace marklens {

namespace {
// Titles were read into a 512-character buffer.
constexpr std::size_t kMaxLabelCharacters = 511;
}  // namespace

std::string CutLabel(const std::string& title) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < title.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(title[i]) & 0xC0) != 0x80;
        if (starts && characters++ == kMaxLabelCharacters) return title.substr(0, i);
    }
    return title;
}

}  // namespace marklens
