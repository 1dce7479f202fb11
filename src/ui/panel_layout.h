// Where the panel sits and how the keyboard walks it: the size of the window's inner area
// and the order in which Tab visits the controls.
#pragma once
#include <vector>

namespace tv {

struct Control;

// The inner (client) area of the main window: what a 1024 x 768 window holds inside its
// frame and title bar. The panel's positions are laid out for this area.
constexpr int kClientWidth = 1008;
constexpr int kClientHeight = 730;

// The controls Tab visits, in order: group by group, top to bottom, and left to right
// within a row. Controls not listed (labels, frames, the progress bar, the read-only file
// box and trace pane) are never reached with Tab. Hidden or disabled controls are skipped
// by the face as usual.
const std::vector<Control*>& tab_order();

}  // namespace tv
