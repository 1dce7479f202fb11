// Scaling for the screen's pixel density: the panel is laid out in pixels at 96 dots per
// inch, and the window is aware of each monitor's density (its manifest says so), so it
// scales every place, size and font itself.
#pragma once
#include <windows.h>

namespace tv::win {

constexpr UINT kBaseDpi = 96;

// The density the window is shown at (the screen's where the system cannot tell per
// window).
UINT window_dpi(HWND hwnd);
inline int scaled(int v, UINT dpi) { return MulDiv(v, static_cast<int>(dpi), static_cast<int>(kBaseDpi)); }

}  // namespace tv::win
