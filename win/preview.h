// The preview of the chosen picture: a child window over the preview frame that draws the
// dots the core reads from the picture, one pixel per dot (at 96 dots per inch), centred
// where the panel says, dark dots black on white paper.
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
    // The picture may have changed (even under the same name): read it again and redraw.
    void forget();

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
    bool load();  // reads the chosen picture; false when there is nothing to draw
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    bool loaded_ = false;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace tv::win
