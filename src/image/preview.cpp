// The preview raster: the chosen picture through the quiet check and the uploads' grid.
#include "image/preview.h"

#include <fstream>

#include "common/globals.h"
#include "image/gr_grid.h"

namespace tv {

Raster picture_raster(const std::string& name) {
    GrHeader hdr;
    if (!gr_accepts(name, hdr)) return {};
    std::ifstream f;
    char iobuf[8192];
    if (!gr_open(f, name, iobuf, sizeof iobuf)) return {};
    GrGrid grid;
    if (!gr_load(f, hdr, grid)) return {};

    Raster r;
    r.width = hdr.W;
    r.height = hdr.H;
    r.dots.resize(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height));
    std::size_t i = 0;
    // A 0 grid bit is a dark dot: the upload sends each byte inverted, a set bit printed.
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) r.dots[i++] = (grid[y][x / 8] >> (7 - x % 8)) & 1 ? 0 : 1;
    return r;
}

Raster preview_raster() {
    const std::string name = gr_filename();
    if (name.empty() || !PaintBMP) return {};
    return picture_raster(name);
}

}  // namespace tv
