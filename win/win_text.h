// Text between the core and the system: the core's UTF-8 to the wide-character calls and
// back, a window's whole text, and line ends as an edit control wants them.
#pragma once
#include <windows.h>

#include <string>

#include "common/text.h"

namespace tv::win {

inline std::wstring wide(const std::string& utf8) { return tv::wide_of_utf8(utf8); }
inline std::string utf8(const std::wstring& w) { return tv::utf8_of_wide(w); }

// The whole text of a window (a control's caption or contents), as UTF-8.
std::string window_text(HWND hwnd);
void set_window_text(HWND hwnd, const std::string& utf8);

// An edit control breaks lines at CR LF only: every lone LF becomes CR LF.
std::wstring crlf(const std::wstring& text);

}  // namespace tv::win
