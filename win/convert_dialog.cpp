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
constexpr COLORREF kMarked = RGB(255, 214, 214);  // the width box when it holds no width

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
    ~ConvertDialog() { DeleteObject(marked_); }
    ConvertDialog(const ConvertDialog&) = delete;
    ConvertDialog& operator=(const ConvertDialog&) = delete;
    static INT_PTR CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    void init(HWND hwnd);
    void place(UINT dpi);
    void changed();      // a control moved: options to the model, model updated, redrawn
    void show_model();   // controls, texts and pictures from the model
    void width_typed();  // each keystroke: the text to the model, marked when it is no width
    bool take_width();   // the typed width takes effect: true when it changed the result
    void press_ok();
    HBRUSH width_colour(HDC dc);
    INT_PTR on_command(int control, int code);
    HWND item(int control) const { return GetDlgItem(hwnd_, control); }

    tv::ConvertSession& session_;
    HWND hwnd_ = nullptr;
    std::unique_ptr<FontSet> fonts_;
    bool showing_ = false;  // controls being set from the model: their notifications are ignored
    HBRUSH marked_ = CreateSolidBrush(kMarked);
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

void ConvertDialog::show_model() {
    showing_ = true;
    const tv::logo::Options& o = session_.options;
    SendMessageW(item(id::WidthSpin), UDM_SETRANGE32, 0, session_.width_max());
    SendMessageW(item(id::WidthSpin), UDM_SETPOS32, 0, o.width);
    if (window_text(item(id::Width)) != session_.width_text())
        set_window_text(item(id::Width), session_.width_text());
    InvalidateRect(item(id::Width), nullptr, TRUE);
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
    set_window_text(item(id::ResultText), session_.status_text());
    picture_view::set_logo(item(id::ResultView), session_.logo());
    showing_ = false;
}

void ConvertDialog::width_typed() {
    session_.set_width_text(window_text(item(id::Width)));
    InvalidateRect(item(id::Width), nullptr, TRUE);
    set_window_text(item(id::ResultText), session_.status_text());
}

bool ConvertDialog::take_width() {
    if (!session_.take_typed_width()) return false;
    show_model();
    return true;
}

void ConvertDialog::press_ok() {
    // Enter in the width box shows the width typed and keeps the dialog open, also when the
    // width was already in effect; "OK" takes the result.
    take_width();
    if (GetFocus() == item(id::Width)) return;
    if (session_.accept()) EndDialog(hwnd_, IDOK);
}

HBRUSH ConvertDialog::width_colour(HDC dc) {
    if (session_.width_ok()) return nullptr;
    SetBkColor(dc, kMarked);
    return marked_;
}

INT_PTR ConvertDialog::on_command(int control, int code) {
    switch (control) {
        case IDOK:
            press_ok();
            return TRUE;
        case IDCANCEL:
            EndDialog(hwnd_, IDCANCEL);
            return TRUE;
        case id::Width:
            if (showing_) return TRUE;
            if (code == EN_CHANGE) width_typed();
            if (code == EN_KILLFOCUS) take_width();
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
        case WM_CTLCOLOREDIT:
            if (reinterpret_cast<HWND>(lp) == self->item(id::Width))
                if (HBRUSH b = self->width_colour(reinterpret_cast<HDC>(wp)))
                    return reinterpret_cast<INT_PTR>(b);
            return FALSE;
        case WM_HSCROLL:  // the level slider
            if (reinterpret_cast<HWND>(lp) == self->item(id::Level)) self->changed();
            return TRUE;
        case WM_NOTIFY: {
            const auto* n = reinterpret_cast<const NMHDR*>(lp);
            if (n->idFrom != id::WidthSpin || n->code != UDN_DELTAPOS) return FALSE;
            const auto* ud = reinterpret_cast<const NMUPDOWN*>(lp);
            self->session_.set_width(self->session_.options.width + ud->iDelta);
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
