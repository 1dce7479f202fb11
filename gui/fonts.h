// The panel's fonts on this face: a model font (face, cell height, weight) becomes the
// nearest QFont the machine has.
#pragma once
#include <QFont>

namespace tv {
struct Font;
}

namespace tv::gui {

// The model gives the height as the font's cell height in pixels (em plus internal leading),
// so the em size is scaled down by the proportions of the face named; when that face is not
// installed, a sans-serif (or, for "Terminal", a fixed-pitch) face of similar widths stands in.
QFont qfont(const tv::Font& f);

}  // namespace tv::gui
