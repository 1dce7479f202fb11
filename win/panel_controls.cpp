// System controls for the controls of the panel model.
#include "panel_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "dpi.h"
#include "ui/Controls.h"
#include "ui/trace.h"
#include "win_text.h"

namespace tv::win {
namespace {

struct ClassAndStyle {
    const wchar_t* cls;
    DWORD style;
    DWORD ex_style;
};

DWORD edit_style(const tv::Control& c) {
    DWORD s = (c.style & tv::MultiLine) ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
    if (c.style & tv::ReadOnly) s |= ES_READONLY;
    if (c.style & tv::VScroll) s |= WS_VSCROLL;
    if (c.style & tv::RightAlign) s |= ES_RIGHT;
    return s;
}

ClassAndStyle class_and_style(const tv::Control& c) {
    switch (c.kind) {
        case tv::Kind::ProgressBar:
            return {PROGRESS_CLASSW, 0, 0};
        case tv::Kind::Button:
            return {WC_BUTTONW, BS_PUSHBUTTON, 0};
        case tv::Kind::CheckBox:
            // Not toggled by the system: a click goes to the dispatch, and the box shows the model.
            return {WC_BUTTONW, BS_CHECKBOX, 0};
        case tv::Kind::Selector:
            return {WC_COMBOBOXW,
                    CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS |
                        ((c.style & tv::VScroll) ? static_cast<DWORD>(WS_VSCROLL) : 0),
                    0};
        case tv::Kind::GroupBox:
            // A frame without a caption is a dividing rule: an etched frame of its own (Wine
            // wipes a captionless group box's lines where its caption would be).
            if (c.text.empty()) return {WC_STATICW, SS_ETCHEDFRAME, 0};
            return {WC_BUTTONW, BS_GROUPBOX, 0};
        case tv::Kind::IpAddress:
            return {WC_IPADDRESSW, 0, 0};
        case tv::Kind::Edit:
            return {WC_EDITW, edit_style(c), WS_EX_CLIENTEDGE};
        case tv::Kind::Label:
            return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0};
    }
    return {WC_STATICW, 0, 0};
}

bool is(const tv::Control& c, const char* handle) { return std::strcmp(c.handle, handle) == 0; }

std::wstring combo_item(HWND w, int i) {
    const LRESULT n = SendMessageW(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n == CB_ERR) return {};
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    SendMessageW(w, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<std::size_t>(n));
    return s;
}

void sync_selector(HWND w, const tv::Control& c) {
    const int count = static_cast<int>(SendMessageW(w, CB_GETCOUNT, 0, 0));
    bool same = count == static_cast<int>(c.items.size());
    for (int i = 0; same && i < count; ++i)
        same = combo_item(w, i) == wide(c.items[static_cast<std::size_t>(i)]);
    if (!same) {
        SendMessageW(w, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : c.items)
            SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
    }
    if (static_cast<int>(SendMessageW(w, CB_GETCURSEL, 0, 0)) != c.selection)
        SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(c.selection), 0);
    InvalidateRect(w, nullptr, FALSE);  // the notes may have changed
}

// The model's text "a.b.c.d" as the address control's value; false for any other text.
bool address_value(const std::string& text, DWORD& value) {
    unsigned part[4] = {};
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t digits = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3; ++digits)
            part[i] = part[i] * 10 + static_cast<unsigned>(text[at++] - '0');
        if (digits == 0 || part[i] > 255) return false;
        if (i < 3 && (at >= text.size() || text[at++] != '.')) return false;
    }
    if (at != text.size()) return false;
    value = MAKEIPADDRESS(part[0], part[1], part[2], part[3]);
    return true;
}

// The address control takes its address through IPM_SETADDRESS (it is not documented to
// take one as window text); a text that is no address leaves its four fields blank.
void sync_address(HWND w, const tv::Control& c) {
    if (address_text(w) == c.text) return;
    DWORD value = 0;
    if (address_value(c.text, value))
        SendMessageW(w, IPM_SETADDRESS, 0, static_cast<LPARAM>(value));
    else
        SendMessageW(w, IPM_CLEARADDRESS, 0, 0);
}

void sync_edit(HWND w, const tv::Control& c) {
    if (is(c, "gEdit_Info")) {
        if (c.text.empty() && GetWindowTextLengthW(w) > 0) SetWindowTextW(w, L"");
        return;
    }
    const std::wstring shown = (c.style & tv::MultiLine) ? shown_text(c.text) : wide(c.text);
    if (wide(window_text(w)) != shown) SetWindowTextW(w, shown.c_str());
}

}  // namespace

HWND make_control(const tv::Control& c, HWND parent, int id, bool tab_stop) {
    const ClassAndStyle cs = class_and_style(c);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | cs.style;
    if (tab_stop) style |= WS_TABSTOP;
    const std::wstring text = c.kind == tv::Kind::Edit || c.kind == tv::Kind::IpAddress ? L"" : wide(c.text);
    HWND w = CreateWindowExW(cs.ex_style, cs.cls, text.c_str(), style, c.x, c.y, c.w, c.h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                             nullptr);
    if (!w) return nullptr;
    if (c.kind == tv::Kind::ProgressBar) SendMessageW(w, PBM_SETRANGE32, 0, 100);
    if (c.kind == tv::Kind::Edit) {
        // 0: as much as the system allows (the trace pane grows through a whole job).
        SendMessageW(w, EM_SETLIMITTEXT, (c.style & tv::MultiLine) ? 0 : static_cast<WPARAM>(c.max_len), 0);
    }
    sync_control(w, c);
    return w;
}

void place_control(HWND w, const tv::Control& c, UINT dpi) {
    SetWindowPos(w, nullptr, scaled(c.x, dpi), scaled(c.y, dpi), scaled(c.w, dpi), scaled(c.h, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void sync_control(HWND w, const tv::Control& c) {
    switch (c.kind) {
        case tv::Kind::Button:
        case tv::Kind::Label:
        case tv::Kind::GroupBox:
            if (window_text(w) != c.text) set_window_text(w, c.text);
            break;
        case tv::Kind::CheckBox:
            if (window_text(w) != c.text) set_window_text(w, c.text);
            SendMessageW(w, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case tv::Kind::Selector:
            sync_selector(w, c);
            break;
        case tv::Kind::IpAddress:
            sync_address(w, c);
            break;
        case tv::Kind::Edit:
            sync_edit(w, c);
            break;
        case tv::Kind::ProgressBar:
            SendMessageW(w, PBM_SETPOS, static_cast<WPARAM>(c.position), 0);
            break;
    }
    if (static_cast<bool>(IsWindowEnabled(w)) != c.enabled) EnableWindow(w, c.enabled);
    const bool shown = (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != c.visible) ShowWindow(w, c.visible ? SW_SHOWNA : SW_HIDE);
}

std::string address_text(HWND w) {
    if (SendMessageW(w, IPM_ISBLANK, 0, 0)) return {};
    DWORD value = 0;
    if (SendMessageW(w, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value)) == 4)
        return std::to_string(FIRST_IPADDRESS(value)) + "." + std::to_string(SECOND_IPADDRESS(value)) + "." +
               std::to_string(THIRD_IPADDRESS(value)) + "." + std::to_string(FOURTH_IPADDRESS(value));
    // Some fields blank (IPM_GETADDRESS reads them as 0): the fields left to right as they
    // show, a blank one empty, so that the core's check finds the address incomplete.
    std::vector<std::pair<LONG, std::string>> fields;
    for (HWND f = GetWindow(w, GW_CHILD); f; f = GetWindow(f, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(f, &r);
        fields.emplace_back(r.left, window_text(f));
    }
    std::sort(fields.begin(), fields.end());
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? "." : "") + fields[i].second;
    return text;
}

std::wstring shown_text(const std::string& model_text) { return crlf(wide(tv::readable_trace(model_text))); }

void draw_selector_row(const DRAWITEMSTRUCT& d, const tv::Control* model) {
    const bool closed_box = (d.itemState & ODS_COMBOBOXEDIT) != 0;
    const bool selected = (d.itemState & ODS_SELECTED) != 0;
    const bool disabled = (d.itemState & ODS_DISABLED) != 0;
    const int index = static_cast<int>(d.itemID);
    SetBkColor(d.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(d.hDC, GetSysColor(disabled   ? COLOR_GRAYTEXT
                                    : selected ? COLOR_HIGHLIGHTTEXT
                                               : COLOR_WINDOWTEXT));
    ExtTextOutW(d.hDC, 0, 0, ETO_OPAQUE, &d.rcItem, nullptr, 0, nullptr);
    if (index < 0) return;
    const std::wstring text = closed_box ? combo_item(d.hwndItem, index) : wide(tv::item_label(model, index));
    RECT r = d.rcItem;
    r.left += 2;
    DrawTextW(d.hDC, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((d.itemState & ODS_FOCUS) && !(d.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(d.hDC, &d.rcItem);
}

int selector_list_width(HWND w, const tv::Control* model) {
    RECT own{};
    GetWindowRect(w, &own);
    int widest = 0;
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)));
    const int count = static_cast<int>(SendMessageW(w, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const std::wstring label = wide(tv::item_label(model, i));
        SIZE size{};
        GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    // Room for the margin and the list's scroll bar.
    return std::max(static_cast<int>(own.right - own.left), widest + 8 + GetSystemMetrics(SM_CXVSCROLL));
}

}  // namespace tv::win
