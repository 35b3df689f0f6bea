#pragma once
#include <cstdint>
#include <vector>

namespace marklens {

// A decoded capture of the page's viewport: one pixel per CSS pixel, so its coordinates are
// the mirror's box coordinates. Pixels are 0xAARRGGBB, row by row from the top-left.
struct CPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t Pixel(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace marklens
