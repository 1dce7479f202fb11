// The core's 1-bit rasters as Qt images.
#include "raster_image.h"

namespace tv::gui {

QImage raster_image(const tv::Raster& raster) {
    if (raster.empty()) return QImage();
    QImage img(raster.width, raster.height, QImage::Format_Grayscale8);
    for (int y = 0; y < raster.height; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < raster.width; ++x) row[x] = raster.dark(x, y) ? 0 : 255;
    }
    return img;
}

}  // namespace tv::gui
