// The chosen picture as a device gets it, for a face to draw: read by the uploads' own
// reader (the check, then the pixel grid), so every face shows the dots that are sent.
#pragma once
#include <string>

#include "image/raster.h"

namespace tv {

// The dots an upload sends for the picture in name: the first W columns of the H grid rows,
// top row first. Empty when the check refuses the file or it cannot be read. Shows no box,
// writes no trace and changes no global.
Raster picture_raster(const std::string& name);

// The preview of the chosen picture: picture_raster(gr_filename()) once the picture's check
// has passed, empty while none is chosen. A face fetches it when the host asks it to repaint
// the preview (repaint_preview) and draws it until the next request.
Raster preview_raster();

}  // namespace tv
