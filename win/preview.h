// The preview of the chosen picture: a child window over the preview frame that draws the
// core's preview raster (the dots the upload sends), one pixel per dot (at 96 dots per
// inch), centred where the panel says, dark dots black on white paper.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tv::win {

class Preview {
  public:
    static constexpr wchar_t kClassName[] = L"TarvixVizazePreview";

    bool create(HWND parent);
    HWND hwnd() const { return hwnd_; }
    // Over the preview area, for the window's density.
    void place(UINT dpi);
    // Fetches the core's preview raster afresh (the host's repaint request: the picture may
    // have changed, even under the same name) and redraws.
    void refresh();

    // What is drawn: the size in dots and the pixels, rows top down, 0x000000 a dark dot
    // and 0xFFFFFF paper (empty when nothing is drawn).
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }
    // Where the picture's top-left dot is drawn, in the preview window's own pixels.
    POINT origin() const;

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void paint(HDC dc);
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace tv::win
