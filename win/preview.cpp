// The preview window.
#include "preview.h"

#include "dib.h"
#include "dpi.h"
#include "image/preview.h"
#include "ui/panel_layout.h"

namespace tv::win {

bool Preview::create(HWND parent) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Preview::proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    if (!registered) return false;
    const tv::Rect a = tv::kPreviewArea;
    hwnd_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, a.x, a.y, a.w, a.h,
                            parent, nullptr, GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

void Preview::place(UINT dpi) {
    dpi_ = dpi;
    const tv::Rect a = tv::kPreviewArea;
    SetWindowPos(hwnd_, nullptr, scaled(a.x, dpi), scaled(a.y, dpi), scaled(a.w, dpi), scaled(a.h, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Preview::refresh() {
    const tv::Raster r = tv::preview_raster();
    width_ = r.width;
    height_ = r.height;
    pixels_.resize(r.dots.size());
    for (std::size_t i = 0; i < r.dots.size(); ++i) pixels_[i] = r.dots[i] ? 0x000000u : 0xFFFFFFu;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

POINT Preview::origin() const {
    const tv::Rect a = tv::kPreviewArea;
    return POINT{scaled(tv::kPreviewCentreX - width_ / 2 - a.x, dpi_),
                 scaled(tv::kPreviewCentreY - height_ / 2 - a.y, dpi_)};
}

LRESULT CALLBACK Preview::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Preview*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (self) self->paint(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            if (self) self->paint(reinterpret_cast<HDC>(wp));
            return 0;
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // clicks go to the window beneath
        case WM_NCDESTROY:
            if (self) self->hwnd_ = nullptr;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Preview::paint(HDC dc) {
    RECT all{};
    GetClientRect(hwnd_, &all);
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    if (pixels_.empty()) return;  // no picture chosen, or one that cannot be read
    const BITMAPINFO bi = top_down_rgb32(width_, height_);
    const POINT o = origin();
    SetStretchBltMode(dc, COLORONCOLOR);  // whole dots, never blurred
    StretchDIBits(dc, o.x, o.y, scaled(width_, dpi_), scaled(height_, dpi_), 0, 0, width_, height_,
                  pixels_.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace tv::win
