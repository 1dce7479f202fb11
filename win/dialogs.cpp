// Message boxes and the open-file dialog.
#include "dialogs.h"

#include <commdlg.h>

#include "image/convert_session.h"
#include "win_text.h"

namespace tv::win {

Answer message_box(HWND owner, const std::string& caption, const std::string& text, Icon icon,
                   Buttons buttons, Answer default_button) {
    UINT type = 0;
    switch (icon) {
        case Icon::Information:
            type |= MB_ICONINFORMATION;
            break;
        case Icon::Warning:
            type |= MB_ICONWARNING;
            break;
        case Icon::Question:
            type |= MB_ICONQUESTION;
            break;
    }
    if (buttons == Buttons::YesNo) {
        type |= MB_YESNO | (default_button == Answer::Yes ? MB_DEFBUTTON1 : MB_DEFBUTTON2);
    } else {
        type |= MB_OK;
    }
    // Without an owner the box would hide behind the window: it is brought to the front.
    if (!owner) type |= MB_SETFOREGROUND | MB_TASKMODAL;
    const int pressed = MessageBoxW(owner, wide(text).c_str(), wide(caption).c_str(), type);
    if (buttons == Buttons::Ok) return Answer::Ok;
    return pressed == IDYES ? Answer::Yes : Answer::No;
}

std::wstring file_filter_list(const std::vector<std::string>& filters) {
    std::wstring list;
    for (const std::string& f : filters) {
        // The patterns are what the parentheses hold, separated by spaces.
        const std::size_t open = f.rfind('('), close = f.rfind(')');
        std::string patterns =
            open != std::string::npos && close > open ? f.substr(open + 1, close - open - 1) : "*.*";
        for (char& c : patterns)
            if (c == ' ') c = ';';
        list += wide(f) + L'\0' + wide(patterns) + L'\0';
    }
    return list + L'\0';
}

bool choose_picture(HWND owner, const std::string& start_dir, std::string& path) {
    // A path may be as long as the system's own limit.
    std::wstring buffer(32768, L'\0');
    const std::wstring filters = file_filter_list(tv::picture_file_filters());
    const std::wstring dir = wide(start_dir);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    // The current directory stays: the core names its files from the start-up directory.
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING |
                OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return false;
    path = utf8(buffer.c_str());
    return true;
}

}  // namespace tv::win
