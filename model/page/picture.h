#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/mirror/box.h"

namespace marklens {

// A CSS coordinate or edge on a picture of this scale: the nearest picture pixel edge.
inline int ToPicturePixels(int css, double scale) { return static_cast<int>(std::lround(css * scale)); }

inline CBox ToPictureBox(const CBox& css, double scale) {
    return {ToPicturePixels(css.left, scale), ToPicturePixels(css.top, scale), ToPicturePixels(css.right, scale),
            ToPicturePixels(css.bottom, scale)};
}

// The CSS pixel under a picture pixel's centre, for hit testing. A centre that falls on a CSS
// edge goes the way that edge's rounding went, so a pixel is hit in a box exactly when it is
// inside the box's picture rectangle.
inline int ToCssPixels(int picturePixel, double scale) {
    return static_cast<int>(std::ceil((picturePixel + 0.5) / scale)) - 1;
}

// A decoded capture of the page's viewport at the browser's device pixels: scale picture pixels
// per CSS pixel (1 on an ordinary screen, 2 on a double-density one). The mirror's boxes are CSS
// pixels; ToPictureBox places them on the picture. Pixels are 0xAARRGGBB, row by row from the
// top-left.
struct CPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    double scale = 1.0;

    std::uint32_t Pixel(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

    // A picture of this size holds one of the new size at its top-left and at most the width
    // of scroll bars more.
    static bool HoldsCut(int width, int height, int newWidth, int newHeight) {
        constexpr int kScrollBarsAtMost = 64;
        return newWidth > 0 && newHeight > 0 && newWidth <= width && newHeight <= height &&
               width - newWidth <= kScrollBarsAtMost && height - newHeight <= kScrollBarsAtMost;
    }

    // Keeps the top-left pixels of the new size; false, unchanged, when it does not hold them.
    bool CutTo(int newWidth, int newHeight) {
        if (!HoldsCut(width, height, newWidth, newHeight)) return false;
        for (int y = 1; y < newHeight; ++y) {
            const auto row = pixels.begin() + static_cast<std::ptrdiff_t>(y) * width;
            std::copy(row, row + newWidth, pixels.begin() + static_cast<std::ptrdiff_t>(y) * newWidth);
        }
        pixels.resize(static_cast<std::size_t>(newWidth) * newHeight);
        width = newWidth;
        height = newHeight;
        return true;
    }
};

}  // namespace marklens
