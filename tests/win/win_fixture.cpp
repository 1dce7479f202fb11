// The native window's test fixture.
#include "win_fixture.h"

#include <commctrl.h>
#include <dlgs.h>

#include <atomic>
#include <ostream>
#include <thread>

#include "app/shell.h"
#include "common/globals.h"
#include "dib.h"
#include "ui/Controls.h"
#include "win_text.h"

namespace tv::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kDialogUp = WM_APP + 20;  // to the helper: lParam is a dialog that came up
DialogUser* g_user = nullptr;            // the one user of this thread's dialogs

std::string class_of(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return win::utf8(name);
}

std::string lf_lines(std::string text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

Icon icon_of(HWND box) {
    // The icon's static: id 20 on Windows, stc1 under Wine.
    HWND icon = GetDlgItem(box, 0x14) ? GetDlgItem(box, 0x14) : GetDlgItem(box, stc1);
    const auto shown = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
    if (shown == LoadIconW(nullptr, IDI_WARNING)) return Icon::Warning;
    if (shown == LoadIconW(nullptr, IDI_QUESTION)) return Icon::Question;
    return Icon::Information;
}

void press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

void PrintTo(const SeenBox& b, std::ostream* os) {
    *os << "[" << b.caption << "] " << b.text << " (icon " << static_cast<int>(b.icon) << ", buttons "
        << static_cast<int>(b.buttons) << ", default " << static_cast<int>(b.default_button) << ")";
}

DialogUser::DialogUser(HWND main_window) : main_(main_window) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &DialogUser::helper_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TvTestDialogUser";
        return RegisterClassW(&wc) != 0;
    }();
    if (registered)
        helper_ = CreateWindowExW(0, L"TvTestDialogUser", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    g_user = this;
    hook_ = SetWindowsHookExW(WH_CBT, &DialogUser::hook, nullptr, GetCurrentThreadId());
}

DialogUser::~DialogUser() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (helper_) DestroyWindow(helper_);
    g_user = nullptr;
}

void DialogUser::answer_next(Answer a) { steps_.push_back(Step{Step::Answer, a, {}, {}}); }
void DialogUser::choose_next(const std::string& path) { steps_.push_back(Step{Step::Choose, {}, path, {}}); }
void DialogUser::act_next(std::function<void(HWND)> f) {
    steps_.push_back(Step{Step::Act, {}, {}, std::move(f)});
}

LRESULT CALLBACK DialogUser::hook(int code, WPARAM wp, LPARAM lp) {
    // A dialog coming up: handled later, in its own loop, once it is whole.
    if (code == HCBT_ACTIVATE && g_user && g_user->helper_) {
        HWND w = reinterpret_cast<HWND>(wp);
        if (class_of(w) == "#32770" && g_user->seen_.insert(w).second)
            PostMessageW(g_user->helper_, kDialogUp, 0, reinterpret_cast<LPARAM>(w));
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK DialogUser::helper_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kDialogUp && g_user) {
        g_user->handle(reinterpret_cast<HWND>(lp));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void DialogUser::handle(HWND dialog) {
    if (!IsWindow(dialog)) return;
    if (on_each_) on_each_(dialog);
    if (GetDlgItem(dialog, 0xFFFF) && !GetDlgItem(dialog, cmb13)) {
        handle_box(dialog);
    } else if (GetDlgItem(dialog, cmb13) || GetDlgItem(dialog, edt1)) {
        handle_file_dialog(dialog);
    } else if (!steps_.empty() && steps_.front().kind == Step::Act) {
        const auto act = std::move(steps_.front().act);
        steps_.pop_front();
        act(dialog);
    } else {
        ++unscripted_;
        press(dialog, IDCANCEL);
    }
}

void DialogUser::handle_box(HWND box) {
    SeenBox b;
    b.caption = win::window_text(box);
    b.text = lf_lines(win::window_text(GetDlgItem(box, 0xFFFF)));
    b.icon = icon_of(box);
    const bool yes_no = GetDlgItem(box, IDYES) != nullptr;
    b.buttons = yes_no ? Buttons::YesNo : Buttons::Ok;
    if (yes_no)
        b.default_button = (GetWindowLongW(GetDlgItem(box, IDYES), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON
                               ? Answer::Yes
                               : Answer::No;
    b.owned = GetWindow(box, GW_OWNER) == main_;
    boxes_.push_back(b);
    Answer a = b.default_button;
    if (!steps_.empty() && steps_.front().kind == Step::Answer) {
        a = steps_.front().answer;
        steps_.pop_front();
    } else {
        ++unscripted_;
    }
    press(box, a == Answer::Yes ? IDYES : a == Answer::No ? IDNO : IDOK);
}

void DialogUser::handle_file_dialog(HWND dialog) {
    ++file_dialogs_;
    file_types_.clear();
    HWND types = GetDlgItem(dialog, cmb1);
    const int n = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t name[256] = {};
        if (SendMessageW(types, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 256)
            SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        file_types_.push_back(win::utf8(name));
    }
    if (steps_.empty() || steps_.front().kind != Step::Choose) {
        ++unscripted_;
        press(dialog, IDCANCEL);
        return;
    }
    std::string path = steps_.front().path;
    steps_.pop_front();
    for (char& c : path)
        if (c == '/') c = '\\';
    // The name typed into the file name box, and "Otwórz".
    const int box = GetDlgItem(dialog, cmb13) ? cmb13 : edt1;
    SetDlgItemTextW(dialog, box, win::wide(path).c_str());
    press(dialog, IDOK);
}

WindowTest::WindowTest() {
    window = std::make_unique<win::MainWindow>();
    if (!window->create(false)) return;
    user = std::make_unique<DialogUser>(window->hwnd());
    window->start(dir.path());
    window->show(SW_SHOWNORMAL);
    pump();
}

WindowTest::~WindowTest() {
    // A job still running ends before the window and the state it uses go.
    job_abort = true;
    Stoper = true;
    pump_until([] { return !job_running(); }, std::chrono::seconds(30));
    wait_for_check(std::chrono::seconds(10));
    user.reset();
    window.reset();
}

void WindowTest::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (window && window->hwnd() && window->pre_translate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WindowTest::pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
        pump();
        if (done()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return false;
        // Woken by any message for the thread (a host call from the worker among them); the
        // slice bounds a wait for a state no message announces (a thread's end).
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<long long>(left, 20)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

bool WindowTest::wait_for_job(std::chrono::milliseconds limit) {
    return pump_until([] { return !job_running(); }, limit);
}

bool WindowTest::wait_for_check(std::chrono::milliseconds limit) {
    // The check thread's calls reach the window through its messages: it is waited for
    // while they are served.
    std::atomic<bool> ended{false};
    std::thread waiter([&ended] {
        tv::wait_for_check();
        ended = true;
    });
    const bool ok = pump_until([&] { return ended.load(); }, limit);
    waiter.join();
    return ok;
}

HWND WindowTest::control(const char* handle) const { return window->control(handle); }

void WindowTest::click(const char* handle) { SendMessageW(control(handle), BM_CLICK, 0, 0); }

void WindowTest::pick(const char* handle, int index) {
    HWND w = control(handle);
    SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(w));
}

void WindowTest::type_over(const char* handle, const std::string& text) {
    HWND w = control(handle);
    SendMessageW(w, EM_SETSEL, 0, -1);
    SendMessageW(w, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(win::wide(text).c_str()));
}

void WindowTest::use_tcp(int port, bool registers) {
    pick("gComb_Interface", 1);
    pick("gComb_Protocol", registers ? 1 : 0);
    SendMessageW(control("g_IPaddress"), IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 1));
    type_over("gEdit_PortTCP", std::to_string(port));
}

void WindowTest::open_picture(const std::string& path) {
    user->choose_next(path);
    click("gButt_File");
    wait_for_check();
}

RECT WindowTest::client_rect_of(HWND w) const {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

Capture capture_client(HWND w) {
    Capture c;
    RECT r{};
    GetClientRect(w, &r);
    c.width = r.right;
    c.height = r.bottom;
    // Read back in the layout the window draws from.
    BITMAPINFO bi = win::top_down_rgb32(c.width, c.height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (bmp && bits && c.width > 0 && c.height > 0) {
        HGDIOBJ old = SelectObject(mem, bmp);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        HDC shown = GetDC(w);
        BitBlt(mem, 0, 0, c.width, c.height, shown, 0, 0, SRCCOPY);
        ReleaseDC(w, shown);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        c.pixels.assign(p, p + static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height));
        SelectObject(mem, old);
    }
    DeleteDC(mem);
    if (bmp) DeleteObject(bmp);
    return c;
}

BmpDots read_1bit_bmp(const std::string& path) {
    BmpDots d;
    const std::string b = read_file(path);
    auto u32 = [&b](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
        return v;
    };
    if (b.size() < 62 || b[0] != 'B' || b[1] != 'M' || (static_cast<unsigned char>(b[28]) != 1)) return d;
    const std::uint32_t offset = u32(10);
    const int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
    const std::size_t stride = static_cast<std::size_t>((w + 31) / 32) * 4;
    if (w <= 0 || h <= 0 || offset + stride * static_cast<std::size_t>(h) > b.size()) return d;
    // Colour 0's brightness says which bit value is dark.
    const bool zero_dark = static_cast<unsigned char>(b[54]) + static_cast<unsigned char>(b[55]) +
                               static_cast<unsigned char>(b[56]) <
                           3 * 128;
    d.width = w;
    d.height = h;
    d.dark.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const std::size_t row = offset + stride * static_cast<std::size_t>(h - 1 - y);  // bottom row first
        for (int x = 0; x < w; ++x) {
            const bool one =
                (static_cast<unsigned char>(b[row + static_cast<std::size_t>(x / 8)]) >> (7 - x % 8)) & 1;
            d.dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
                one != zero_dark;
        }
    }
    return d;
}

}  // namespace tv::test
