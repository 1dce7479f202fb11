// Where the panel sits and how the keyboard walks it: the size of the window and of its inner
// area, the places of what the window draws beside the controls (the preview, the version
// label), its colours, and the order in which Tab visits the controls.
#pragma once
#include <string>
#include <vector>

namespace tv {

struct Control;

// The inner (client) area of the main window: what a 1024 x 768 window holds inside its
// frame and title bar. The panel's positions are laid out for this area.
constexpr int kClientWidth = 1008;
constexpr int kClientHeight = 730;
// The outer size of the main window, frame and title bar included, where a face sets that
// (a native Windows window).
constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;

// A place in the client area, in pixels at 96 dots per inch.
struct Rect {
    int x, y, w, h;
};
struct Rgb {
    unsigned char r, g, b;
};

// The chosen picture is drawn unscaled, centred on this point of the preview frame, and
// never beyond the area below.
constexpr int kPreviewCentreX = 663;
constexpr int kPreviewCentreY = 350;
constexpr Rect kPreviewArea{343, 30, 640, 640};

// The version label: under the progress bar, its right end in line with the bar's, the
// text right-aligned in the panel's first font (F1).
constexpr Rect kVersionLabel{889, 708, 100, 16};
std::string version_label_text();  // "v1.0.0"

// Colours: the trace pane green on black, the file box on white; everything else draws on
// the system's button face.
constexpr Rgb kTraceText{0, 255, 0};
constexpr Rgb kTraceBackground{0, 0, 0};
constexpr Rgb kFileBoxBackground{255, 255, 255};

// The controls Tab visits, in order: group by group, top to bottom, and left to right
// within a row. Controls not listed (labels, frames, the progress bar, the read-only file
// box and trace pane) are never reached with Tab. Hidden or disabled controls are skipped
// by the face as usual.
const std::vector<Control*>& tab_order();

}  // namespace tv
