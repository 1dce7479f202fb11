// A picture in the conversion dialog: the source fitted into the view over a light
// checkerboard (where it is transparent), or the 1-bit result, fitted (a small logo
// enlarged by a whole factor, each dot a square; a large one shrunk by averaging) or at
// 1:1, one screen pixel per dot, with scroll bars when it does not fit.
#pragma once
#include <windows.h>

namespace tv::logo {
struct Picture;
struct Logo;
}  // namespace tv::logo

namespace tv::win {

namespace picture_view {

// Answers with the picture's place as drawn, in the view's client pixels: lParam points at
// a RECT.
constexpr UINT kImageRect = WM_APP + 2;

HWND create(HWND parent, int id);
void set_source(HWND view, const tv::logo::Picture& rgba);  // RGBA, 4 channels
void set_logo(HWND view, const tv::logo::Logo& logo);
void set_one_to_one(HWND view, bool one_to_one);

}  // namespace picture_view

}  // namespace tv::win
