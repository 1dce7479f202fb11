// The native conversion dialog, opened by choosing a picture the BMP reader refuses: the
// result it shows at 1:1 is the logo it writes, dot for dot; its controls change the result
// as the core's model says; "Anuluj" writes nothing.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>

#include "common/globals.h"
#include "common/paths.h"
#include "convert_dialog.h"
#include "image/bmp_files.h"
#include "picture_view.h"
#include "support/recording_host.h"
#include "ui/Controls.h"
#include "win_fixture.h"
#include "win_text.h"

namespace tv::test {
namespace {

namespace id = win::convert_id;

class WinConvert : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        std::filesystem::copy_file(shipped("pictures/card_rgb.png"), file("karta.png"));
    }

    // The result as the dialog draws it, and where in its view the logo lies.
    struct Shown {
        Capture view;
        RECT logo{};
        bool dark(int x, int y) const { return view.at(logo.left + x, logo.top + y) == 0x000000u; }
        int width() const { return logo.right - logo.left; }
        int height() const { return logo.bottom - logo.top; }
    };
    static Shown shown(HWND dialog) {
        Shown s;
        HWND view = GetDlgItem(dialog, id::ResultView);
        SendMessageW(view, win::picture_view::kImageRect, 0, reinterpret_cast<LPARAM>(&s.logo));
        s.view = capture_client(view);
        return s;
    }
    static void press(HWND dialog, int control) { SendMessageW(GetDlgItem(dialog, control), BM_CLICK, 0, 0); }
};

TEST_F(WinConvert, TheResultAtOneToOneIsTheLogoItWrites) {
    Shown at_one;
    std::string title, width;
    user->choose_next(file("karta.png"));
    user->act_next([&](HWND dialog) {
        title = win::window_text(dialog);
        width = win::window_text(GetDlgItem(dialog, id::Width));
        press(dialog, id::ZoomOne);
        at_one = shown(dialog);
        press(dialog, IDOK);
    });
    user->answer_next(Answer::Ok);  // where the logo went
    click("gButt_File");
    ASSERT_TRUE(wait_for_check());
    EXPECT_EQ(title, "Zamiana obrazu na logo");
    EXPECT_EQ(width, "dopasuj");
    ASSERT_EQ(user->boxes().size(), 1u);
    EXPECT_EQ(user->boxes()[0].caption, "Komunikat");
    EXPECT_EQ(user->boxes()[0].text.rfind("Logo zapisano w pliku:\n", 0), 0u) << user->boxes()[0].text;

    const std::string logo = file("karta_logo.bmp");
    EXPECT_TRUE(std::filesystem::equivalent(fs_path(gr_filename()), fs_path(logo))) << gr_filename();
    const BmpDots written = read_1bit_bmp(logo);
    ASSERT_GT(written.width, 0);
    ASSERT_EQ(at_one.width(), written.width);
    ASSERT_EQ(at_one.height(), written.height);
    int dark = 0;
    for (int y = 0; y < written.height; ++y)
        for (int x = 0; x < written.width; ++x) {
            const bool d = written.dark[static_cast<std::size_t>(y * written.width + x)];
            dark += d;
            ASSERT_EQ(at_one.dark(x, y), d) << x << "," << y;
        }
    EXPECT_GT(dark, 0);  // a picture, not a blank page
}

TEST_F(WinConvert, TheControlsChangeTheResultAndCancelWritesNothing) {
    Shown before, inverted, narrow;
    std::string narrow_text;
    bool slider_with_auto = true, slider_without_auto = false;
    user->choose_next(file("karta.png"));
    user->act_next([&](HWND dialog) {
        press(dialog, id::ZoomOne);
        before = shown(dialog);
        press(dialog, id::Invert);
        inverted = shown(dialog);
        // A width typed and Enter: the dialog stays, with the new width.
        HWND width = GetDlgItem(dialog, id::Width);
        SetWindowTextW(width, L"12");
        SetFocus(width);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        narrow = shown(dialog);
        narrow_text = win::window_text(width);
        // The threshold method: its level chosen automatically at first, the slider still.
        HWND method = GetDlgItem(dialog, id::Method);
        SendMessageW(method, CB_SETCURSEL, 3, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id::Method, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(method));
        slider_with_auto = IsWindowEnabled(GetDlgItem(dialog, id::Level));
        press(dialog, id::LevelAuto);
        slider_without_auto = IsWindowEnabled(GetDlgItem(dialog, id::Level));
        press(dialog, IDCANCEL);
    });
    click("gButt_File");
    ASSERT_TRUE(wait_for_check());
    ASSERT_GT(before.width(), 12);
    ASSERT_EQ(inverted.width(), before.width());
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            ASSERT_NE(inverted.dark(x, y), before.dark(x, y)) << x << "," << y;
    EXPECT_EQ(narrow.width(), 12);
    EXPECT_EQ(narrow_text, "12");
    EXPECT_FALSE(slider_with_auto);
    EXPECT_TRUE(slider_without_auto);
    EXPECT_TRUE(user->boxes().empty());
    EXPECT_FALSE(std::filesystem::exists(file("karta_logo.bmp")));
    EXPECT_TRUE(gr_filename().empty());
}

TEST_F(WinConvert, AWidthPastTheLimitIsRefusedAndNoToReplacingKeepsTheDialog) {
    write_file(file("karta_logo.bmp"), "the user's own file");
    struct Seen {
        bool open;
        std::string width, status;
    };
    std::vector<Seen> seen;
    user->choose_next(file("karta.png"));
    user->act_next([&](HWND dialog) {
        HWND width = GetDlgItem(dialog, id::Width);
        for (const wchar_t* typed : {L"900", L"50"}) {  // typed key by key over the box's text
            SendMessageW(width, EM_SETSEL, 0, -1);
            for (const wchar_t* key = typed; *key; ++key) SendMessageW(width, WM_CHAR, *key, 0);
            press(dialog, IDOK);
            seen.push_back({IsWindowVisible(dialog) != FALSE, win::window_text(width),
                            win::window_text(GetDlgItem(dialog, id::ResultText))});
        }
        press(dialog, IDCANCEL);
    });
    user->answer_next(Answer::Ok);  // the width refused
    user->answer_next(Answer::No);  // do not replace the file
    click("gButt_File");
    ASSERT_TRUE(wait_for_check());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].open && seen[1].open);
    EXPECT_EQ(seen[0].width, "900");
    EXPECT_NE(seen[0].status.find("od 1 do 640 pikseli"), std::string::npos) << seen[0].status;
    EXPECT_EQ(seen[1].width, "50");
    ASSERT_EQ(user->boxes().size(), 2u);
    EXPECT_EQ(user->boxes()[0].text, seen[0].status);
    EXPECT_EQ(user->boxes()[1].buttons, Buttons::YesNo);
    EXPECT_EQ(read_file(file("karta_logo.bmp")), "the user's own file");
}

}  // namespace
}  // namespace tv::test
