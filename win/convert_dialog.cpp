// The picture-conversion dialog.
#include "convert_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "dpi.h"
#include "fonts.h"
#include "image/convert_session.h"
#include "picture_view.h"
#include "win_text.h"

namespace tv::win {
namespace {

namespace text = tv::convert_text;
namespace id = convert_id;

// The client area, and every control's place in it, at 96 dots per inch.
constexpr int kClientW = 990;
constexpr int kClientH = 620;

struct Item {
    int id;
    const wchar_t* cls;  // nullptr: a picture view
    const char* text;
    DWORD style;
    int x, y, w, h;
};

const Item kItems[] = {
    {id::Label, WC_BUTTONW, text::SOURCE, BS_GROUPBOX, 10, 8, 480, 462},
    {id::SourceView, nullptr, "", 0, 20, 30, 460, 400},
    {id::SourceText, WC_STATICW, "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 20, 440, 460, 20},
    {id::Label, WC_BUTTONW, text::RESULT, BS_GROUPBOX, 500, 8, 480, 462},
    {id::ResultView, nullptr, "", 0, 510, 30, 460, 400},
    {id::ResultText, WC_STATICW, "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 510, 440, 300, 20},
    {id::ZoomFit, WC_BUTTONW, text::ZOOM_FIT, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 820, 437, 80, 22},
    {id::ZoomOne, WC_BUTTONW, text::ZOOM_ONE, BS_AUTORADIOBUTTON, 905, 437, 60, 22},
    {id::Label, WC_STATICW, text::WIDTH, SS_LEFT, 10, 487, 70, 20},
    {id::Width, WC_EDITW, "", ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, 85, 483, 120, 24},
    {id::WidthSpin, UPDOWN_CLASSW, "", UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 0, 0, 0},
    {id::Label, WC_STATICW, text::METHOD, SS_LEFT, 225, 487, 60, 20},
    {id::Method, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 290, 483, 300, 200},
    {id::Label, WC_STATICW, text::LEVEL, SS_LEFT, 10, 520, 70, 20},
    {id::Level, TRACKBAR_CLASSW, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 85, 515, 410, 30},
    {id::LevelValue, WC_STATICW, "", SS_LEFT, 500, 520, 35, 20},
    {id::LevelAuto, WC_BUTTONW, text::LEVEL_AUTO, BS_AUTOCHECKBOX | WS_TABSTOP, 540, 517, 160, 22},
    {id::Invert, WC_BUTTONW, text::INVERT, BS_AUTOCHECKBOX | WS_TABSTOP, 10, 552, 220, 22},
    {IDOK, WC_BUTTONW, text::OK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 790, 584, 90, 26},
    {IDCANCEL, WC_BUTTONW, text::CANCEL, BS_PUSHBUTTON | WS_TABSTOP, 890, 584, 90, 26},
};

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;

class ConvertDialog {
  public:
    explicit ConvertDialog(tv::ConvertSession& session) : session_(session) {}
    static INT_PTR CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    void init(HWND hwnd);
    void place(UINT dpi);
    void changed();     // a control moved: options to the model, model updated, redrawn
    void show_model();  // controls, texts and pictures from the model
    bool take_typed_width();
    INT_PTR on_command(int control, int code);
    HWND item(int control) const { return GetDlgItem(hwnd_, control); }

    tv::ConvertSession& session_;
    HWND hwnd_ = nullptr;
    std::unique_ptr<FontSet> fonts_;
    bool showing_ = false;  // controls being set from the model: their notifications are ignored
};

// A control's id: its own, or for the frames and labels one of their own after the rest.
int item_id(std::size_t i) {
    return kItems[i].id == id::Label ? id::Label + static_cast<int>(i) : kItems[i].id;
}

void ConvertDialog::init(HWND hwnd) {
    hwnd_ = hwnd;
    SetWindowTextW(hwnd, wide(text::TITLE).c_str());
    for (std::size_t i = 0; i < std::size(kItems); ++i) {
        const Item& it = kItems[i];
        HWND w = it.cls ? CreateWindowExW(it.id == id::Width ? WS_EX_CLIENTEDGE : 0, it.cls,
                                          wide(it.text).c_str(), WS_CHILD | WS_VISIBLE | it.style, 0, 0, 0, 0,
                                          hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item_id(i))),
                                          GetModuleHandleW(nullptr), nullptr)
                        : picture_view::create(hwnd, it.id);
        if (it.id == id::WidthSpin)
            SendMessageW(w, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(id::Width)), 0);
    }
    for (tv::logo::Dither d : tv::logo::ALL_DITHERS)
        SendMessageW(item(id::Method), CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(wide(tv::logo::dither_label(d)).c_str()));
    SendMessageW(item(id::Level), TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(item(id::Level), TBM_SETRANGEMAX, TRUE, 255);
    SendMessageW(item(id::ZoomFit), BM_SETCHECK, BST_CHECKED, 0);
    place(window_dpi(hwnd));
    picture_view::set_source(item(id::SourceView), session_.shown_source());
    set_window_text(item(id::SourceText), session_.source_text());
    show_model();
    SetFocus(item(IDOK));
}

void ConvertDialog::place(UINT dpi) {
    auto fonts = std::make_unique<FontSet>(dpi);
    for (std::size_t i = 0; i < std::size(kItems); ++i) {
        const Item& it = kItems[i];
        HWND w = item(item_id(i));
        if (it.id != id::WidthSpin)  // the arrows sit at the box's right end
            SetWindowPos(w, nullptr, scaled(it.x, dpi), scaled(it.y, dpi), scaled(it.w, dpi),
                         scaled(it.h, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->get(nullptr)), TRUE);
    }
    SendMessageW(item(id::WidthSpin), UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(id::Width)), 0);
    fonts_ = std::move(fonts);
    // The window around the client area, centred on its owner (or the screen).
    RECT r{0, 0, scaled(kClientW, dpi), scaled(kClientH, dpi)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
    RECT around{};
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (!owner || !GetWindowRect(owner, &around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr, (around.left + around.right - w) / 2,
                 std::max<LONG>(0, (around.top + around.bottom - h) / 2), w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ConvertDialog::changed() {
    if (showing_) return;
    tv::logo::Options& o = session_.options;
    const int method = static_cast<int>(SendMessageW(item(id::Method), CB_GETCURSEL, 0, 0));
    o.dither = tv::logo::ALL_DITHERS[std::clamp(method, 0, 3)];
    const bool automatic = SendMessageW(item(id::LevelAuto), BM_GETCHECK, 0, 0) == BST_CHECKED;
    o.level =
        automatic ? tv::logo::AUTO_LEVEL : static_cast<int>(SendMessageW(item(id::Level), TBM_GETPOS, 0, 0));
    o.invert = SendMessageW(item(id::Invert), BM_GETCHECK, 0, 0) == BST_CHECKED;
    session_.update();
    show_model();
}

// The width box: "dopasuj" for 0, else the number and its unit.
std::string width_text(int width) {
    return width == 0 ? std::string(text::WIDTH_FIT) : std::to_string(width) + text::WIDTH_UNIT;
}

void ConvertDialog::show_model() {
    showing_ = true;
    const tv::logo::Options& o = session_.options;
    SendMessageW(item(id::WidthSpin), UDM_SETRANGE32, 0, session_.width_max());
    SendMessageW(item(id::WidthSpin), UDM_SETPOS32, 0, o.width);
    set_window_text(item(id::Width), width_text(o.width));
    for (int i = 0; i < 4; ++i)
        if (tv::logo::ALL_DITHERS[i] == o.dither)
            SendMessageW(item(id::Method), CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    EnableWindow(item(id::LevelAuto), session_.level_applies());
    SendMessageW(item(id::LevelAuto), BM_SETCHECK,
                 o.level == tv::logo::AUTO_LEVEL ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(item(id::Level), session_.level_slider_enabled());
    SendMessageW(item(id::Level), TBM_SETPOS, TRUE, session_.slider_level());
    EnableWindow(item(id::LevelValue), session_.level_applies());
    set_window_text(item(id::LevelValue), std::to_string(session_.slider_level()));
    SendMessageW(item(id::Invert), BM_SETCHECK, o.invert ? BST_CHECKED : BST_UNCHECKED, 0);
    set_window_text(item(id::ResultText),
                    session_.error().empty() ? session_.result_text() : session_.error());
    picture_view::set_logo(item(id::ResultView), session_.logo());
    showing_ = false;
}

// A width typed into the box takes effect when it is complete (Enter, or leaving the box):
// its digits, within 0 (fit) .. the limit. False when it was the width already.
bool ConvertDialog::take_typed_width() {
    const std::string typed = window_text(item(id::Width));
    if (typed == width_text(session_.options.width)) return false;
    long value = 0;
    for (char c : typed) {
        if (c >= '0' && c <= '9')
            value = std::min(value * 10 + (c - '0'), 100000L);
        else if (value > 0)
            break;
    }
    session_.options.width = std::clamp(static_cast<int>(value), 0, session_.width_max());
    session_.update();
    show_model();
    return true;
}

INT_PTR ConvertDialog::on_command(int control, int code) {
    switch (control) {
        case IDOK:
            // Enter in the width box takes the width; the dialog stays.
            if (GetFocus() == item(id::Width) && take_typed_width()) return TRUE;
            EndDialog(hwnd_, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(hwnd_, IDCANCEL);
            return TRUE;
        case id::Width:
            if (code == EN_KILLFOCUS && !showing_) take_typed_width();
            return TRUE;
        case id::Method:
            if (code == CBN_SELCHANGE) changed();
            return TRUE;
        case id::LevelAuto:
        case id::Invert:
            if (code == BN_CLICKED) changed();
            return TRUE;
        case id::ZoomFit:
        case id::ZoomOne:
            if (code == BN_CLICKED)
                picture_view::set_one_to_one(
                    item(id::ResultView), SendMessageW(item(id::ZoomOne), BM_GETCHECK, 0, 0) == BST_CHECKED);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK ConvertDialog::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        reinterpret_cast<ConvertDialog*>(lp)->init(hwnd);
        return FALSE;  // the focus is set: on "OK"
    }
    auto* self = reinterpret_cast<ConvertDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    switch (msg) {
        case WM_COMMAND:
            return self->on_command(LOWORD(wp), HIWORD(wp));
        case WM_HSCROLL:  // the level slider
            if (reinterpret_cast<HWND>(lp) == self->item(id::Level)) self->changed();
            return TRUE;
        case WM_NOTIFY: {
            const auto* n = reinterpret_cast<const NMHDR*>(lp);
            if (n->idFrom != id::WidthSpin || n->code != UDN_DELTAPOS) return FALSE;
            const auto* ud = reinterpret_cast<const NMUPDOWN*>(lp);
            tv::logo::Options& o = self->session_.options;
            o.width = std::clamp(o.width + ud->iDelta, 0, self->session_.width_max());
            self->session_.update();
            self->show_model();
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);  // the position is the model's
            return TRUE;
        }
        case WM_DPICHANGED:
            self->place(HIWORD(wp));
            return TRUE;
    }
    return FALSE;
}

}  // namespace

DialogResult run_convert_dialog(HWND owner, ConvertSession& session) {
    // An empty template: the dialog makes its controls itself, in pixels.
    struct alignas(4) Template {
        DLGTEMPLATE t;
        WORD menu, window_class, title;
    } tpl{};
    tpl.t.style = kDialogStyle;
    tpl.t.cx = 100;
    tpl.t.cy = 100;
    ConvertDialog dialog(session);
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tpl.t, owner, &ConvertDialog::proc,
                                              reinterpret_cast<LPARAM>(&dialog));
    return r == IDOK ? DialogResult::Accepted : DialogResult::Cancelled;
}

}  // namespace tv::win
