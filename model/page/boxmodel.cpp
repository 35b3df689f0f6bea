#include "boxmodel.h"

#include <algorithm>

namespace marklens {

namespace {

double Extreme(const CQuad& quad, std::size_t first, bool highest) {
    double value = quad.points[first];
    for (std::size_t k = first + 2; k < quad.points.size(); k += 2)
        value = highest ? std::max(value, quad.points[k]) : std::min(value, quad.points[k]);
    return value;
}

}  // namespace

double CQuad::Left() const { return Extreme(*this, 0, false); }
double CQuad::Right() const { return Extreme(*this, 0, true); }
double CQuad::Top() const { return Extreme(*this, 1, false); }
double CQuad::Bottom() const { return Extreme(*this, 1, true); }

CQuad CQuad::Moved(double dx, double dy) const {
    CQuad moved = *this;
    for (std::size_t k = 0; k < moved.points.size(); k += 2) {
        moved.points[k] += dx;
        moved.points[k + 1] += dy;
    }
    return moved;
}

std::array<double, 4> CBoxModel::Widths(const CQuad& outer, const CQuad& inner) {
    return {inner.Left() - outer.Left(), inner.Top() - outer.Top(), outer.Right() - inner.Right(),
            outer.Bottom() - inner.Bottom()};
}

}  // namespace marklens
