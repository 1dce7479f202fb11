// The native window as drawn: title, size, icons, every control of the panel model as the
// system control of its kind at the model's place, in its font and state, the Tab order;
// and what a user's acts do: picks, clicks, typing, F12; host calls from another thread.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <thread>

#include "dpi.h"
#include "ui/Controls.h"
#include "ui/panel_layout.h"
#include "win_fixture.h"
#include "win_text.h"

namespace tv::test {
namespace {

using win::scaled;

std::string class_name(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    std::string s = win::utf8(name);
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The system control each kind of the model is drawn with, and its kind of button or
// selector where the class has several.
struct Expected {
    const char* cls;
    LONG type_mask;
    LONG type;
};
Expected expected_for(const Control& c) {
    switch (c.kind) {
        case Kind::ProgressBar:
            return {"msctls_progress32", 0, 0};
        case Kind::Button:
            return {"button", 0x0F, BS_PUSHBUTTON};
        case Kind::CheckBox:
            return {"button", 0x0F, BS_CHECKBOX};
        case Kind::Selector:
            return {"combobox", 0x03, CBS_DROPDOWNLIST};
        case Kind::GroupBox:  // a dividing rule (no caption): an etched frame
            return c.text.empty() ? Expected{"static", SS_TYPEMASK, SS_ETCHEDFRAME}
                                  : Expected{"button", 0x0F, BS_GROUPBOX};
        case Kind::IpAddress:
            return {"sysipaddress32", 0, 0};
        case Kind::Edit:
            return {"edit", 0, 0};
        case Kind::Label:
            return {"static", 0, 0};
    }
    return {"", 0, 0};
}

std::vector<std::string> combo_items(HWND w) {
    std::vector<std::string> items;
    const int n = static_cast<int>(SendMessageW(w, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[256] = {};
        SendMessageW(w, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        items.push_back(win::utf8(buf));
    }
    return items;
}

class WinPanel : public WindowTest {
  protected:
    void expect_panel_at(UINT dpi);
};

TEST_F(WinPanel, TitleSizeAndIcons) {
    HWND w = window->hwnd();
    const UINT dpi = win::window_dpi(w);
    EXPECT_EQ(win::window_text(w), "Tarvix Vizaze");
    RECT outer{}, client{};
    GetWindowRect(w, &outer);
    GetClientRect(w, &client);
    EXPECT_EQ(outer.right - outer.left, scaled(1024, dpi));
    EXPECT_EQ(outer.bottom - outer.top, scaled(768, dpi));
    // The whole panel fits inside the frame.
    EXPECT_GE(client.right, scaled(kClientWidth, dpi));
    EXPECT_GE(client.bottom, scaled(kClientHeight, dpi));
    // A fixed window: no sizing frame, no maximize button.
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICON), 0u);
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICONSM), 0u);
    EXPECT_NE(LoadImageW(GetModuleHandleW(nullptr), L"THDICON", IMAGE_ICON, 16, 16, 0), nullptr);
    // The version under the bar's right end.
    EXPECT_EQ(win::window_text(window->version_label()), "v1.0.0");
    const RECT v = client_rect_of(window->version_label());
    EXPECT_EQ(v.left, scaled(889, dpi));
    EXPECT_EQ(v.right, scaled(989, dpi));
}

// Every control at its model place and size for the density, in its model font.
void WinPanel::expect_panel_at(UINT dpi) {
    for (Control* c : all_controls()) {
        SCOPED_TRACE(c->handle);
        HWND w = control(c->handle);
        ASSERT_NE(w, nullptr);
        const RECT r = client_rect_of(w);
        EXPECT_EQ(r.left, scaled(c->x, dpi));
        EXPECT_EQ(r.top, scaled(c->y, dpi));
        EXPECT_EQ(r.right - r.left, scaled(c->w, dpi));
        if (c->kind != Kind::Selector) {  // a selector's height: below
            EXPECT_EQ(r.bottom - r.top, scaled(c->h, dpi));
        }
        if (!c->font) continue;
        // The address control hands its font to its four fields.
        HWND lettered = c->kind == Kind::IpAddress ? GetWindow(w, GW_CHILD) : w;
        LOGFONTW lf{};
        ASSERT_TRUE(
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(lettered, WM_GETFONT, 0, 0)), sizeof lf, &lf));
        EXPECT_EQ(win::utf8(lf.lfFaceName), c->font->face);
        EXPECT_EQ(lf.lfHeight, scaled(c->font->height, dpi));
        EXPECT_EQ(lf.lfWeight, c->font->weight);
        EXPECT_EQ(lf.lfCharSet, c->font->charset);
    }
}

TEST_F(WinPanel, EveryControlIsItsKindAtItsPlaceInItsFont) {
    const UINT dpi = win::window_dpi(window->hwnd());
    expect_panel_at(dpi);
    for (Control* c : all_controls()) {
        SCOPED_TRACE(c->handle);
        HWND w = control(c->handle);
        const Expected e = expected_for(*c);
        EXPECT_EQ(class_name(w), e.cls);
        EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & e.type_mask, e.type);
        EXPECT_EQ(IsWindowVisible(w) != 0, c->visible);
        EXPECT_EQ(IsWindowEnabled(w) != 0, c->enabled);
        if (c->kind == Kind::Selector) {
            // The model's height is the closed box's with the open list below it, as the
            // user sees the list: no deeper than the model says.
            COMBOBOXINFO info{sizeof(COMBOBOXINFO), {}, {}, 0, nullptr, nullptr, nullptr};
            GetComboBoxInfo(w, &info);
            SendMessageW(w, CB_SHOWDROPDOWN, TRUE, 0);
            const RECT list = client_rect_of(info.hwndList);
            SendMessageW(w, CB_SHOWDROPDOWN, FALSE, 0);
            EXPECT_LE(list.bottom - client_rect_of(w).top, scaled(c->h, dpi));
        }
    }
}

// The two dividing rules show across their frames: at least a line of the rule's length.
TEST_F(WinPanel, TheDividingRulesAreDrawn) {
    const Capture shot = capture_client(window->hwnd());
    for (const Control* rule : {gGroup_FrameCfg2, gGroup_FrameSet2}) {
        int drawn = 0;  // dots unlike the face above the rule, away from its ends
        for (int y = rule->y; y < rule->y + rule->h; ++y)
            for (int x = rule->x + 10; x < rule->x + rule->w - 10; ++x)
                drawn += shot.at(x, y) != shot.at(x, rule->y - 3);
        EXPECT_GE(drawn, rule->w - 20) << rule->handle;
    }
}

TEST_F(WinPanel, AnotherDensityScalesEveryPlaceAndFont) {
    // The system's notice that the window is now on a monitor of 144 dots per inch, with
    // the outer rectangle it suggests.
    RECT suggested{0, 0, scaled(kWindowWidth, 144), scaled(kWindowHeight, 144)};
    SendMessageW(window->hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    expect_panel_at(144);
    const RECT v = client_rect_of(window->version_label());
    EXPECT_EQ(v.left, scaled(kVersionLabel.x, 144));
    const RECT p = client_rect_of(window->preview().hwnd());
    EXPECT_EQ(p.left, scaled(kPreviewArea.x, 144));
    EXPECT_EQ(p.right - p.left, scaled(kPreviewArea.w, 144));
}

TEST_F(WinPanel, ControlsShowTheModelsTexts) {
    for (Control* c : all_controls()) {
        SCOPED_TRACE(c->handle);
        HWND w = control(c->handle);
        const Control m = snapshot(c);
        if (c->kind == Kind::Selector) {
            EXPECT_EQ(combo_items(w), m.items);
            EXPECT_EQ(SendMessageW(w, CB_GETCURSEL, 0, 0), m.selection);
        } else if (c->kind != Kind::ProgressBar) {
            std::string shown = win::window_text(w);
            if (c->style & MultiLine) shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
            std::string text = m.text;
            if (c->style & MultiLine) text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
            EXPECT_EQ(shown, text);
        }
    }
    // Edits keep what the model allows: the TCP port five characters.
    EXPECT_EQ(SendMessageW(control("gEdit_PortTCP"), EM_GETLIMITTEXT, 0, 0), 5);
    EXPECT_TRUE(GetWindowLongW(control("gEdit_PortTCP"), GWL_STYLE) & ES_RIGHT);
    EXPECT_TRUE(GetWindowLongW(control("gEdit_Info"), GWL_STYLE) & ES_READONLY);
}

TEST_F(WinPanel, TabWalksThePanelsOrder) {
    EXPECT_EQ(GetFocus(), GetNextDlgTabItem(window->hwnd(), nullptr, FALSE));  // the focus at the start
    for (int iface : {0, 1}) {
        pick("gComb_Interface", iface);
        std::vector<std::string> expected, walked;
        for (Control* c : tab_order())
            if (visible(c) && enabled(c)) expected.push_back(c->handle);
        HWND first = GetNextDlgTabItem(window->hwnd(), nullptr, FALSE);
        HWND at = first;
        do {
            const Control* c = nullptr;
            for (Control* m : all_controls())
                if (control(m->handle) == at) c = m;
            walked.push_back(c ? c->handle : "?");
            at = GetNextDlgTabItem(window->hwnd(), at, FALSE);
        } while (at && at != first && walked.size() < 40);
        EXPECT_EQ(walked, expected) << "interface " << iface;
    }
}

TEST_F(WinPanel, PicksClicksAndTypingReachTheModel) {
    pick("gComb_Interface", 1);
    EXPECT_EQ(sel(gComb_Interface), 1);
    for (const char* shown :
         {"g_IPaddress", "gEdit_PortTCP", "gStat_Address", "gStat_TCPPort", "gButt_ComDetect"})
        EXPECT_TRUE(IsWindowVisible(control(shown))) << shown;
    EXPECT_EQ(win::window_text(control("gButt_ComDetect")), "Szukaj w sieci");  // what the button shows
    for (const char* hidden : {"gComb_COM", "gComb_Baudrate"})
        EXPECT_FALSE(IsWindowVisible(control(hidden))) << hidden;
    pick("gComb_Protocol", 1);
    for (const char* printer_only : {"gCheck_TestPrint", "gButt_Rep", "gComb_Rep"})
        EXPECT_FALSE(IsWindowEnabled(control(printer_only))) << printer_only;

    click("gCheck_Print");
    EXPECT_TRUE(checked(gCheck_Print));
    EXPECT_EQ(SendMessageW(control("gCheck_Print"), BM_GETCHECK, 0, 0), BST_CHECKED);
    click("gCheck_Print");
    EXPECT_EQ(SendMessageW(control("gCheck_Print"), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    type_over("gEdit_PortTCP", "4321");
    EXPECT_EQ(text(gEdit_PortTCP), "4321");
    // The address control's four fields show the model's address (the shipped 10.10.10.10);
    // a digit typed over the last one changes that part alone.
    HWND ip = control("g_IPaddress"), last = nullptr;
    for (HWND f = GetWindow(ip, GW_CHILD); f; f = GetWindow(f, GW_HWNDNEXT))
        if (!last || client_rect_of(f).left > client_rect_of(last).left) last = f;
    SendMessageW(last, EM_SETSEL, 0, -1);
    SendMessageW(last, WM_CHAR, L'2', 0);
    DWORD address = 0;
    SendMessageW(ip, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    EXPECT_EQ(address, MAKEIPADDRESS(10, 10, 10, 2));
    EXPECT_EQ(text(g_IPaddress), "10.10.10.2");

    // F12, pressed wherever the focus is, shows the trace pane and hides it again.
    for (bool shown : {true, false}) {
        SetFocus(control("gButt_File"));
        PostMessageW(control("gButt_File"), WM_KEYDOWN, VK_F12, 0);
        pump();
        EXPECT_EQ(IsWindowVisible(control("gEdit_Info")) != 0, shown);
    }
}

TEST_F(WinPanel, CallsFromAnotherThreadAreDoneOnTheWindowsThreadInOrder) {
    user->answer_next(Answer::Yes);
    Answer answered = Answer::Ok;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        tv::host().trace_append("lost");
        tv::host().trace_replace(
            "\x02"
            "ab");
        tv::host().trace_append("c\x03\r\nd\x10");
        tv::host().progress(42);
        // A box holds the worker until the user has answered it.
        answered = tv::host().message_box("UWAGA!", "Czy dalej?", Icon::Question, Buttons::YesNo, Answer::No);
        done = true;
    });
    const bool ended = pump_until([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(answered, Answer::Yes);
    ASSERT_EQ(user->boxes().size(), 1u);
    EXPECT_EQ(user->boxes()[0].caption, "UWAGA!");
    EXPECT_EQ(user->boxes()[0].text, "Czy dalej?");
    EXPECT_EQ(user->boxes()[0].icon, Icon::Question);
    EXPECT_EQ(user->boxes()[0].default_button, Answer::No);
    EXPECT_TRUE(user->boxes()[0].owned);
    // The frame's control bytes as readable marks; the line break as the edit shows it.
    EXPECT_EQ(win::window_text(control("gEdit_Info")), "<STX>abc<ETX>\r\nd<DLE>");
    EXPECT_EQ(SendMessageW(control("g_ProgressBar"), PBM_GETPOS, 0, 0), 42);
}

TEST_F(WinPanel, CallsAfterTheWindowHasGoneGetTheDefaults) {
    DestroyWindow(window->hwnd());
    pump();
    std::thread worker([] {
        EXPECT_EQ(tv::host().message_box("UWAGA!", "?", Icon::Question, Buttons::YesNo, Answer::No),
                  Answer::No);
        tv::host().trace_append("nothing");
    });
    worker.join();
    EXPECT_TRUE(user->boxes().empty());
}

}  // namespace
}  // namespace tv::test
