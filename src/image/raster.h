// A 1-bit raster as the devices print it: what a face draws for a logo or a preview.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tv {

// One byte per dot, rows top first, 1 = a printed (dark) dot, 0 = a blank one. Empty (0 x 0,
// no dots) when there is nothing to show.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dots;  // width * height
    bool empty() const { return dots.empty(); }
    bool dark(int x, int y) const { return dots[static_cast<std::size_t>(y) * width + x] != 0; }
};

}  // namespace tv
