#pragma once

namespace marklens {

// A half-open rectangle in picture pixels: left <= x < right, top <= y < bottom.
struct CBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const CBox&, const CBox&) = default;
};

// Both empty: the all-zero box; one empty: the other; else the smallest box covering both.
CBox UnionBox(const CBox& a, const CBox& b);

}  // namespace marklens
