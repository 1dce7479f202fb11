// The window's pixel density.
#include "dpi.h"

namespace tv::win {

UINT window_dpi(HWND hwnd) {
    // GetDpiForWindow arrived with Windows 10 (1607); on an older system the screen's
    // density serves for every monitor.
    using GetDpi = UINT(WINAPI*)(HWND);
    static const auto get = reinterpret_cast<GetDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get && hwnd) {
        if (const UINT dpi = get(hwnd)) return dpi;
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

}  // namespace tv::win
