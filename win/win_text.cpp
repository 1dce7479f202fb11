// Text between the core and the system.
#include "win_text.h"

namespace tv::win {

std::string window_text(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    if (n <= 0) return {};
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    w.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, w.data(), n + 1)));
    return utf8(w);
}

void set_window_text(HWND hwnd, const std::string& utf8_text) {
    SetWindowTextW(hwnd, wide(utf8_text).c_str());
}

std::wstring crlf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
    }
    return out;
}

}  // namespace tv::win
