// The one bitmap layout the window draws from and reads back: 32 bits a pixel (0xRRGGBB,
// the top byte alpha or unused), rows top down, no compression.
#pragma once
#include <windows.h>

namespace tv::win {

inline BITMAPINFO top_down_rgb32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // rows top down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

}  // namespace tv::win
