// The core's 1-bit rasters (the preview, the conversion's logo) as Qt images.
#pragma once
#include <QImage>

#include "image/raster.h"

namespace tv::gui {

// Dark dots black, blank ones white, one pixel per dot; a null image for an empty raster.
QImage raster_image(const tv::Raster& raster);

}  // namespace tv::gui
