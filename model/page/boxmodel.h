#pragma once
#include <array>

namespace marklens {

// Four corners, clockwise from the top left, as x, y pairs in CSS pixels of the top page's
// viewport; a transformed element's are not a rectangle.
struct CQuad {
    std::array<double, 8> points{};

    double Left() const;
    double Right() const;
    double Top() const;
    double Bottom() const;
    CQuad Moved(double dx, double dy) const;
};

// The browser's box model of an element: its content, padding, border and margin areas.
struct CBoxModel {
    CQuad content;
    CQuad padding;
    CQuad border;
    CQuad margin;

    // The widths of the area between outer and inner on each side: left, top, right, bottom.
    static std::array<double, 4> Widths(const CQuad& outer, const CQuad& inner);
};

}  // namespace marklens
