#include "areashape.h"

#include <charconv>
#include <cmath>

namespace marklens {
namespace {

constexpr std::size_t kMaxCoordinates = 2 * 4096;  // a hostile page's polygon ends here

std::optional<std::vector<double>> Numbers(std::string_view text) {
    std::vector<double> numbers;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (at < end) {
        if (*at == ' ') {
            ++at;
            continue;
        }
        double value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || !std::isfinite(value) || numbers.size() >= kMaxCoordinates) return std::nullopt;
        numbers.push_back(value);
        at = next;
    }
    return numbers;
}

}  // namespace

std::optional<CAreaShape> CAreaShape::Parse(std::string_view text) {
    CAreaShape shape;
    if (text.starts_with("circle ")) {
        shape.circle_ = true;
        text.remove_prefix(7);
    } else if (text.starts_with("poly ")) {
        text.remove_prefix(5);
    } else {
        return std::nullopt;
    }
    std::optional<std::vector<double>> numbers = Numbers(text);
    if (!numbers) return std::nullopt;
    if (shape.circle_ ? numbers->size() != 3 : numbers->size() < 6 || numbers->size() % 2 != 0) return std::nullopt;
    shape.coordinates_ = std::move(*numbers);
    return shape;
}

// A circle holds the points not farther than its radius from its centre; a polygon those of
// nonzero winding, as the browser fills paths.
bool CAreaShape::Holds(int x, int y) const {
    const double px = x;
    const double py = y;
    const std::vector<double>& c = coordinates_;
    if (circle_) return std::hypot(px - c[0], py - c[1]) <= c[2];
    int winding = 0;
    const std::size_t points = c.size() / 2;
    for (std::size_t i = 0; i < points; ++i) {
        const double x1 = c[2 * i], y1 = c[2 * i + 1];
        const double x2 = c[2 * ((i + 1) % points)], y2 = c[2 * ((i + 1) % points) + 1];
        const double side = (x2 - x1) * (py - y1) - (px - x1) * (y2 - y1);
        if (y1 <= py) {
            if (y2 > py && side > 0) ++winding;
        } else if (y2 <= py && side < 0) {
            --winding;
        }
    }
    return winding != 0;
}

}  // namespace marklens
