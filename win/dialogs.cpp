// Message boxes and the open-file dialog.
#include "dialogs.h"

#include <commctrl.h>
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

namespace {

struct RowList {
    std::string caption;
    const std::vector<std::string>* columns;
    const std::vector<std::vector<std::string>>* rows;
    int chosen = -1;
};

constexpr int kListId = 100;

void fill_row_list(HWND dialog, RowList& list) {
    SetWindowTextW(dialog, wide(list.caption).c_str());
    HWND view =
        CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                        10, 10, 540, 190, dialog, reinterpret_cast<HMENU>(kListId), nullptr, nullptr);
    ListView_SetExtendedListViewStyle(view, LVS_EX_FULLROWSELECT);
    const int widths[] = {110, 60, 130, 160, 70};
    for (std::size_t c = 0; c < list.columns->size(); ++c) {
        std::wstring heading = wide((*list.columns)[c]);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = c < 5 ? widths[c] : 80;
        col.pszText = heading.data();
        ListView_InsertColumn(view, static_cast<int>(c), &col);
    }
    for (std::size_t r = 0; r < list.rows->size(); ++r)
        for (std::size_t c = 0; c < (*list.rows)[r].size() && c < list.columns->size(); ++c) {
            std::wstring cell = wide((*list.rows)[r][c]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.iSubItem = static_cast<int>(c);
            item.pszText = cell.data();
            if (c == 0)
                ListView_InsertItem(view, &item);
            else
                ListView_SetItem(view, &item);
        }
    ListView_SetItemState(view, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 370, 210, 85,
                    26, dialog, reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
    CreateWindowExW(0, L"BUTTON", L"Anuluj", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 465, 210, 85, 26, dialog,
                    reinterpret_cast<HMENU>(IDCANCEL), nullptr, nullptr);
    SetFocus(view);
}

INT_PTR CALLBACK row_list_proc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
    auto* list = reinterpret_cast<RowList*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, l);
            fill_row_list(dialog, *reinterpret_cast<RowList*>(l));
            return FALSE;  // the focus was set on the list
        case WM_NOTIFY:
            if (reinterpret_cast<NMHDR*>(l)->idFrom == kListId &&
                reinterpret_cast<NMHDR*>(l)->code == NM_DBLCLK)
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(w) == IDOK && list) {
                list->chosen = ListView_GetNextItem(GetDlgItem(dialog, kListId), -1, LVNI_SELECTED);
                EndDialog(dialog, IDOK);
            } else if (LOWORD(w) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int choose_row(HWND owner, const std::string& caption, const std::vector<std::string>& columns,
               const std::vector<std::vector<std::string>>& rows) {
    // An empty dialog template in memory (size in dialog units); the controls are made in
    // WM_INITDIALOG, in pixels.
    alignas(DWORD) WORD buffer[32] = {};
    auto* t = reinterpret_cast<DLGTEMPLATE*>(buffer);
    t->style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    t->cx = 375;
    t->cy = 160;
    RowList list{caption, &columns, &rows};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t, owner, row_list_proc,
                            reinterpret_cast<LPARAM>(&list));
    return list.chosen;
}

}  // namespace tv::win
