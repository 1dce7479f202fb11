// The main window: panel controls, host requests, preview, close and the trace-pane key.
#include "main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "app/shell.h"
#include "common/globals.h"
#include "convert_dialog.h"
#include "dialogs.h"
#include "dpi.h"
#include "fonts.h"
#include "panel_controls.h"
#include "resource.h"
#include "ui/Controls.h"
#include "ui/fields.h"
#include "ui/panel.h"
#include "ui/panel_layout.h"
#include "win_host.h"
#include "win_text.h"

namespace tv::win {
namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kCloseTick = 20;  // ms between looks at a job asked to stop

// Pale red under a field whose text the core's check finds wrong.
constexpr COLORREF kFaultTint = RGB(255, 200, 200);

// No WS_CLIPCHILDREN: the window paints its background under the group frames, which draw
// only their lines and captions.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

COLORREF colorref(tv::Rgb c) { return RGB(c.r, c.g, c.b); }

bool register_class() {
    static bool done = false;
    if (done) return true;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;  // replaced as the window is made
    wc.hInstance = inst;
    wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(IDI_APP));
    wc.hIconSm = static_cast<HICON>(LoadImageW(inst, L"THDICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = MainWindow::kClassName;
    done = RegisterClassExW(&wc) != 0;
    return done;
}

bool is(const tv::Control* c, const char* handle) { return c && std::strcmp(c->handle, handle) == 0; }

bool read_only_multiline(HWND w) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    return _wcsicmp(cls, WC_EDITW) == 0 && (style & ES_MULTILINE) && (style & ES_READONLY);
}

}  // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
    WinHost::instance().detach(this);
    if (hwnd_) DestroyWindow(hwnd_);
    if (keys_) DestroyAcceleratorTable(keys_);
    for (HBRUSH b : {trace_brush_, file_brush_, fault_brush_})
        if (b) DeleteObject(b);
}

bool MainWindow::create(bool quit_on_close) {
    quit_on_close_ = quit_on_close;
    if (!register_class()) return false;
    const std::wstring title = wide(tv::WINDOW_TITLE);
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE, kClassName, title.c_str(), kWindowStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, tv::kWindowWidth, tv::kWindowHeight, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return false;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::proc));
    trace_brush_ = CreateSolidBrush(colorref(tv::kTraceBackground));
    file_brush_ = CreateSolidBrush(colorref(tv::kFileBoxBackground));
    fault_brush_ = CreateSolidBrush(kFaultTint);
    ACCEL f12{FVIRTKEY, VK_F12, kTraceKey};
    keys_ = CreateAcceleratorTableW(&f12, 1);
    fonts_ = std::make_unique<FontSet>(kBaseDpi);
    build_panel();
    apply_dpi(window_dpi(hwnd_));
    WinHost::instance().attach(this);
    return true;
}

void MainWindow::build_panel() {
    const auto& all = tv::all_controls();
    const auto& order = tv::tab_order();
    controls_.resize(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const tv::Control snap = tv::snapshot(all[i]);
        const bool tab = std::find(order.begin(), order.end(), all[i]) != order.end();
        syncing_ = true;
        controls_[i] = make_control(snap, hwnd_, kFirstControlId + static_cast<int>(i), tab);
        syncing_ = false;
    }
    version_ = CreateWindowExW(0, WC_STATICW, wide(tv::version_label_text()).c_str(),
                               WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_NOPREFIX, 0, 0, 0, 0, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kVersionId)),
                               GetModuleHandleW(nullptr), nullptr);
    preview_.create(hwnd_);
    set_tab_order();
}

void MainWindow::set_tab_order() {
    // Tab walks the controls in their stacking order: the visited ones first, in the
    // panel's order; the group frames last, beneath the controls they enclose, so that they
    // draw first and every click reaches the control.
    HWND after = HWND_TOP;
    for (tv::Control* c : tv::tab_order()) {
        HWND w = control(c->handle);
        SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = w;
    }
    // The preview lies on its frame, beneath the trace pane. The dividing rules (frames
    // without a caption) lie above the frames they cross: beneath one, a frame's window
    // would clip the rule away (WS_CLIPSIBLINGS).
    SetWindowPos(preview_.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (bool titled : {false, true})
        for (tv::Control* c : tv::all_controls())
            if (c->kind == tv::Kind::GroupBox && tv::snapshot(c).text.empty() != titled)
                SetWindowPos(control(c->handle), HWND_BOTTOM, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::apply_dpi(UINT dpi) {
    // New fonts first, given to every control, and only then the old ones let go.
    auto fonts = std::make_unique<FontSet>(dpi);
    const auto& all = tv::all_controls();
    for (std::size_t i = 0; i < all.size(); ++i) {
        place_control(controls_[i], *all[i], dpi);
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts->get(all[i]->font)), TRUE);
        // The address control's four fields, also where the control does not pass its font on.
        if (all[i]->kind == tv::Kind::IpAddress)
            for (HWND f = GetWindow(controls_[i], GW_CHILD); f; f = GetWindow(f, GW_HWNDNEXT))
                SendMessageW(f, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->get(all[i]->font)), TRUE);
        if (all[i]->kind == tv::Kind::Selector) {
            TEXTMETRICW tm{};
            HDC dc = GetDC(controls_[i]);
            HGDIOBJ old = SelectObject(dc, fonts->get(all[i]->font));
            GetTextMetricsW(dc, &tm);
            SelectObject(dc, old);
            ReleaseDC(controls_[i], dc);
            const int row = tm.tmHeight + scaled(2, dpi);
            for (WPARAM part : {static_cast<WPARAM>(-1), WPARAM{0}})
                SendMessageW(controls_[i], CB_SETITEMHEIGHT, part, row);
            // With common controls 6 the open list shows a number of rows (30 unless told)
            // whatever height the box was made with: as many as the model's height holds
            // below the closed box.
            RECT closed{};
            GetWindowRect(controls_[i], &closed);
            const int list = scaled(all[i]->h, dpi) - (closed.bottom - closed.top) - 2;
            SendMessageW(controls_[i], CB_SETMINVISIBLE, static_cast<WPARAM>(std::max(1, list / row)), 0);
        }
    }
    const tv::Rect v = tv::kVersionLabel;
    SetWindowPos(version_, nullptr, scaled(v.x, dpi), scaled(v.y, dpi), scaled(v.w, dpi), scaled(v.h, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(version_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->get(&tv::F1)), TRUE);
    preview_.place(dpi);
    fonts_ = std::move(fonts);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::start(const std::string& startup_dir) { tv::app_start(startup_dir); }

void MainWindow::show(int how) {
    // The outer size for the window's density (the system gave the first one at 96 dpi).
    const UINT dpi = window_dpi(hwnd_);
    SetWindowPos(hwnd_, nullptr, 0, 0, scaled(tv::kWindowWidth, dpi), scaled(tv::kWindowHeight, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd_, how);
    UpdateWindow(hwnd_);
    restore_focus();  // the first control Tab visits, as a dialog starts
}

void MainWindow::restore_focus() {
    HWND to = last_focus_;
    if (!to || !IsChild(hwnd_, to) || !IsWindowEnabled(to) || !IsWindowVisible(to))
        to = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (to) SetFocus(to);
}

HWND MainWindow::control(const char* handle) const {
    const auto& all = tv::all_controls();
    for (std::size_t i = 0; i < all.size() && i < controls_.size(); ++i)
        if (std::strcmp(all[i]->handle, handle) == 0) return controls_[i];
    return nullptr;
}

tv::Control* MainWindow::model_of(int id) const {
    const auto& all = tv::all_controls();
    const int i = id - kFirstControlId;
    return i >= 0 && i < static_cast<int>(all.size()) ? all[static_cast<std::size_t>(i)] : nullptr;
}

bool MainWindow::pre_translate(MSG& msg) {
    if (!hwnd_) return false;
    if (keys_ && TranslateAcceleratorW(hwnd_, keys_, &msg)) return true;
    // A read-only text box keeps Tab for itself; from there Tab goes on to the next control.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && read_only_multiline(msg.hwnd)) {
        const bool back = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(hwnd_, msg.hwnd, back)) SetFocus(next);
        return true;
    }
    return IsDialogMessageW(hwnd_, &msg) != 0;
}

LRESULT CALLBACK MainWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->handle(msg, wp, lp);
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kHostCall:
            (*reinterpret_cast<HostCall*>(lp))(*this);
            return 1;
        case WM_COMMAND:
            on_command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            return on_colour(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_MEASUREITEM:
            on_measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
            return TRUE;
        case WM_DRAWITEM: {
            const auto& d = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (d.CtlType != ODT_COMBOBOX) break;
            draw_selector_row(d, model_of(static_cast<int>(d.CtlID)));
            return TRUE;
        }
        case WM_ACTIVATE:
            // The control that had the focus gets it back when the window is active again.
            if (LOWORD(wp) == WA_INACTIVE) last_focus_ = GetFocus();
            break;
        case WM_SETFOCUS:
            restore_focus();
            return 0;
        case WM_CLOSE:
            on_close();
            return 0;
        case WM_TIMER:
            if (wp == kCloseTimer) close_after_job();
            return 0;
        case WM_DPICHANGED: {
            apply_dpi(HIWORD(wp));
            const RECT& r = *reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_DESTROY:
            WinHost::instance().detach(this);
            if (quit_on_close_) PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND gone = hwnd_;
            SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return DefWindowProcW(gone, msg, wp, lp);
        }
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::on_command(int id, int code, HWND from) {
    if (id == kTraceKey && !from) {
        tv::toggle_trace_pane();
        return;
    }
    tv::Control* model = model_of(id);
    if (!model || syncing_) return;
    switch (model->kind) {
        case tv::Kind::Button:
        case tv::Kind::CheckBox:
            // Push buttons and check boxes alike: the dispatch decides (a check box is
            // toggled in the model, and the box follows).
            if (code == BN_CLICKED) tv::dispatch_command(model->id, tv::Notify::Clicked, model);
            return;
        case tv::Kind::Selector:
            on_selector(model, code, from);
            return;
        case tv::Kind::IpAddress:
        case tv::Kind::Edit:
            // What is typed is what the field holds: the core checks it when a job would use it.
            if (code == EN_CHANGE && !(GetWindowLongW(from, GWL_STYLE) & ES_READONLY)) {
                tv::set_text(model,
                             model->kind == tv::Kind::IpAddress ? address_text(from) : window_text(from));
                InvalidateRect(from, nullptr, TRUE);  // its marking may change
            }
            return;
        default:
            return;
    }
}

void MainWindow::on_selector(tv::Control* model, int code, HWND from) {
    const int index = static_cast<int>(SendMessageW(from, CB_GETCURSEL, 0, 0));
    switch (code) {
        case CBN_DROPDOWN:
            tv::selector_opening(model);
            SendMessageW(from, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(selector_list_width(from, model)), 0);
            return;
        case CBN_SELENDOK:  // an item chosen in the open list
            tv::selector_picked(model, index);
            return;
        case CBN_SELCHANGE:
            // With the list closed (the keyboard on the box) a change is a pick; in the open
            // list it is only where the user is, until the list closes on an item.
            if (!SendMessageW(from, CB_GETDROPPEDSTATE, 0, 0) && index != tv::sel(model))
                tv::selector_picked(model, index);
            return;
        default:
            return;
    }
}

LRESULT MainWindow::on_colour(UINT msg, HDC dc, HWND from) {
    const tv::Control* model = model_of(GetDlgCtrlID(from));
    if (is(model, "gEdit_Info")) {
        SetTextColor(dc, colorref(tv::kTraceText));
        SetBkColor(dc, colorref(tv::kTraceBackground));
        return reinterpret_cast<LRESULT>(trace_brush_);
    }
    if (is(model, "gEdit_File")) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, colorref(tv::kFileBoxBackground));
        return reinterpret_cast<LRESULT>(file_brush_);
    }
    if (is(model, "gEdit_PortTCP") && !tv::tcp_port_faults(window_text(from)).empty()) {
        SetBkColor(dc, kFaultTint);
        return reinterpret_cast<LRESULT>(fault_brush_);
    }
    if (!model || model->kind == tv::Kind::Edit || model->kind == tv::Kind::Selector)
        return DefWindowProcW(hwnd_, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(from));
    // Labels, check boxes and group frames draw on the window's button face.
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void MainWindow::on_measure(MEASUREITEMSTRUCT& m) {
    // A selector's rows and closed box: the height of its font's cell and a margin. Asked
    // while the selector is being made, before it has its font.
    const tv::Control* model = model_of(static_cast<int>(m.CtlID));
    const UINT dpi = fonts_ ? fonts_->dpi() : kBaseDpi;
    m.itemHeight = static_cast<UINT>(scaled((model && model->font ? model->font->height : 16) + 2, dpi));
}

void MainWindow::on_close() {
    if (closed_) {
        DestroyWindow(hwnd_);
        return;
    }
    if (close_waiting_) return;  // already waiting for the job to stop
    switch (tv::app_close_request()) {
        case tv::CloseRequest::Stay:
            return;
        case tv::CloseRequest::AfterJob:
            // The job is stopping; the window stays (its host serves the job's last calls)
            // until it has ended.
            close_waiting_ = true;
            close_limit_ms_ = tv::app_close_wait_ms();
            close_asked_ = GetTickCount64();
            SetTimer(hwnd_, kCloseTimer, kCloseTick, nullptr);
            return;
        case tv::CloseRequest::Close:
            break;
    }
    finish_close();
}

void MainWindow::close_after_job() {
    if (tv::job_running() && GetTickCount64() - close_asked_ < static_cast<ULONGLONG>(close_limit_ms_))
        return;
    finish_close();
}

void MainWindow::finish_close() {
    KillTimer(hwnd_, kCloseTimer);
    close_waiting_ = false;
    closed_ = true;
    tv::app_close();
    DestroyWindow(hwnd_);
}

// The host's requests.

Answer MainWindow::show_message_box(const std::string& caption, const std::string& text, Icon icon,
                                    Buttons buttons, Answer default_button) {
    // Owned by the window's open dialog (the conversion dialog), if any, so that it waits
    // for the answer too.
    return message_box(IsWindowVisible(hwnd_) ? GetLastActivePopup(hwnd_) : nullptr, caption, text, icon,
                       buttons, default_button);
}

void MainWindow::set_progress(int position) {
    SendMessageW(control("g_ProgressBar"), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void MainWindow::append_trace(const std::string& text) {
    HWND pane = control("gEdit_Info");
    const std::wstring shown = shown_text(text);
    const int end = GetWindowTextLengthW(pane);
    SendMessageW(pane, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
    SendMessageW(pane, EM_SCROLLCARET, 0, 0);
}

void MainWindow::replace_trace(const std::string& text) {
    SetWindowTextW(control("gEdit_Info"), shown_text(text).c_str());
}

void MainWindow::sync(const char* handle) {
    HWND w = control(handle);
    const tv::Control* c = tv::control_by_handle(handle);
    if (!w || !c) return;
    syncing_ = true;
    sync_control(w, tv::snapshot(c));
    syncing_ = false;
}

bool MainWindow::open_file_dialog(const std::string& start_dir, std::string& path) {
    return choose_picture(hwnd_, start_dir, path);
}

int MainWindow::show_row_dialog(const std::string& caption, const std::vector<std::string>& columns,
                                const std::vector<std::vector<std::string>>& rows) {
    return choose_row(hwnd_, caption, columns, rows);
}

DialogResult MainWindow::show_convert_dialog(ConvertSession& session) {
    return run_convert_dialog(IsWindowVisible(hwnd_) ? hwnd_ : nullptr, session);
}

void MainWindow::update_preview() { preview_.refresh(); }

void MainWindow::focus_control(const char* handle) {
    if (HWND w = control(handle)) SetFocus(w);
}

}  // namespace tv::win
