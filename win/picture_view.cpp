// The conversion dialog's picture views.
#include "picture_view.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "dib.h"
#include "image/convert.h"

namespace tv::win::picture_view {
namespace {

constexpr wchar_t kClassName[] = L"TarvixVizazePicture";
constexpr int kChecker = 8;  // the checkerboard's squares

struct View {
    std::vector<std::uint32_t> pixels;  // BGRA, rows top down; premultiplied for the source
    int width = 0;
    int height = 0;
    bool source = false;
    bool one_to_one = false;
    POINT scroll{0, 0};
};

View* view_of(HWND w) { return reinterpret_cast<View*>(GetWindowLongPtrW(w, GWLP_USERDATA)); }

BITMAPINFO bitmap_info(const View& v) { return top_down_rgb32(v.width, v.height); }

// Where the picture is drawn in a client area of cw x ch.
RECT image_rect(const View& v, int cw, int ch) {
    if (v.width <= 0 || v.height <= 0) return RECT{0, 0, 0, 0};
    int w = v.width, h = v.height;
    if (!v.one_to_one) {
        const int factor = v.source ? 0 : std::min((cw - 2) / v.width, (ch - 2) / v.height);
        if (factor >= 1) {
            w *= factor;
            h *= factor;
        } else {  // fitted with the aspect kept
            const double s = std::min(static_cast<double>(cw) / v.width, static_cast<double>(ch) / v.height);
            w = std::max(1, static_cast<int>(v.width * s));
            h = std::max(1, static_cast<int>(v.height * s));
        }
    }
    const int x = w < cw ? (cw - w) / 2 : -v.scroll.x;
    const int y = h < ch ? (ch - h) / 2 : -v.scroll.y;
    return RECT{x, y, x + w, y + h};
}

void draw_source(HDC dc, const View& v, const RECT& r) {
    HBRUSH light = CreateSolidBrush(RGB(204, 204, 204));
    for (int y = r.top; y < r.bottom; y += kChecker)
        for (int x = r.left; x < r.right; x += kChecker) {
            RECT sq{x, y, std::min<LONG>(x + kChecker, r.right), std::min<LONG>(y + kChecker, r.bottom)};
            FillRect(dc, &sq,
                     ((x - r.left + y - r.top) / kChecker) % 2
                         ? light
                         : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        }
    DeleteObject(light);
    const BITMAPINFO bi = bitmap_info(v);
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp && bits) {
        std::copy(v.pixels.begin(), v.pixels.end(), static_cast<std::uint32_t*>(bits));
        HGDIOBJ old = SelectObject(mem, bmp);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, v.width, v.height,
                   blend);
        SelectObject(mem, old);
    }
    if (bmp) DeleteObject(bmp);
    DeleteDC(mem);
}

void paint(HWND w, HDC dc) {
    RECT client{};
    GetClientRect(w, &client);
    View* v = view_of(w);
    FillRect(dc, &client, GetSysColorBrush(v && !v->source ? COLOR_BTNSHADOW : COLOR_BTNFACE));
    if (!v || v->pixels.empty()) return;
    const RECT r = image_rect(*v, client.right, client.bottom);
    if (v->source) {
        draw_source(dc, *v, r);
        return;
    }
    const BITMAPINFO bi = bitmap_info(*v);
    const bool shrunk = r.right - r.left < v->width;
    SetStretchBltMode(dc, shrunk ? HALFTONE : COLORONCOLOR);  // shrunk by averaging, else whole dots
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, v->width, v->height,
                  v->pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
}

// The scroll bars at 1:1 when the logo is larger than the view; none otherwise.
void update_scroll(HWND w) {
    View* v = view_of(w);
    RECT client{};
    GetClientRect(w, &client);
    const bool on = v && v->one_to_one;
    if (v) {  // a smaller logo than before keeps the view inside it
        v->scroll.x = std::clamp<LONG>(v->scroll.x, 0, std::max<LONG>(0, v->width - client.right));
        v->scroll.y = std::clamp<LONG>(v->scroll.y, 0, std::max<LONG>(0, v->height - client.bottom));
    }
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = on ? v->width - 1 : 0;
    si.nPage = static_cast<UINT>(client.right);
    si.nPos = on ? v->scroll.x : 0;
    SetScrollInfo(w, SB_HORZ, &si, TRUE);
    si.nMax = on ? v->height - 1 : 0;
    si.nPage = static_cast<UINT>(client.bottom);
    si.nPos = on ? v->scroll.y : 0;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    InvalidateRect(w, nullptr, FALSE);
}

void on_scroll(HWND w, int bar, int code) {
    View* v = view_of(w);
    if (!v) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(w, bar, &si);
    int pos = si.nPos;
    const int page = static_cast<int>(si.nPage);
    switch (code) {
        case SB_LINEUP:
            pos -= 16;
            break;
        case SB_LINEDOWN:
            pos += 16;
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBTRACK:
            pos = si.nTrackPos;
            break;
        default:
            break;
    }
    pos = std::clamp(pos, 0, std::max(0, si.nMax - page + 1));
    (bar == SB_HORZ ? v->scroll.x : v->scroll.y) = pos;
    update_scroll(w);
}

LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NCCREATE:
            SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new View));
            break;
        case WM_NCDESTROY:
            delete view_of(w);
            SetWindowLongPtrW(w, GWLP_USERDATA, 0);
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            paint(w, dc);
            EndPaint(w, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paint(w, reinterpret_cast<HDC>(wp));
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL:
            on_scroll(w, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wp));
            return 0;
        case kImageRect: {
            RECT client{};
            GetClientRect(w, &client);
            if (View* v = view_of(w))
                *reinterpret_cast<RECT*>(lp) = image_rect(*v, client.right, client.bottom);
            return 1;
        }
    }
    return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

HWND create(HWND parent, int id) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    if (!registered) return nullptr;
    return CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL,
                           0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void set_source(HWND view, const tv::logo::Picture& rgba) {
    View* v = view_of(view);
    if (!v || rgba.channels != 4 || !rgba.pixels()) return;
    v->source = true;
    v->width = rgba.width;
    v->height = rgba.height;
    v->pixels.resize(static_cast<std::size_t>(rgba.width) * static_cast<std::size_t>(rgba.height));
    const std::uint8_t* p = rgba.pixels();
    for (std::uint32_t& px : v->pixels) {
        // Premultiplied BGRA, as the blend wants it.
        const std::uint32_t a = p[3];
        px = (a << 24) | ((p[0] * a / 255) << 16) | ((p[1] * a / 255) << 8) | (p[2] * a / 255);
        p += 4;
    }
    update_scroll(view);
}

void set_logo(HWND view, const tv::logo::Logo& logo) {
    View* v = view_of(view);
    if (!v) return;
    v->source = false;
    v->width = logo.width;
    v->height = logo.height;
    v->pixels.resize(logo.dots.size());
    for (std::size_t i = 0; i < logo.dots.size(); ++i) v->pixels[i] = logo.dots[i] ? 0x000000u : 0xFFFFFFu;
    update_scroll(view);
}

void set_one_to_one(HWND view, bool one_to_one) {
    if (View* v = view_of(view)) {
        v->one_to_one = one_to_one;
        v->scroll = POINT{0, 0};
    }
    update_scroll(view);
}

}  // namespace tv::win::picture_view
