// Screenshots of the native window for docs/windows.md, taken on a real X server under Wine
// (scripts/win-screenshots.sh): each state is brought about as a user would, and the
// screen is taken with ImageMagick's import while it is shown. Without TV_SHOTS_DIR (a
// folder of the host) the case is skipped.
#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include "common/globals.h"
#include "image/bmp_files.h"
#include "support/sim_process.h"
#include "ui/Controls.h"
#include "win_fixture.h"
#include "win_text.h"

namespace tv::test {
namespace {

// A logo-like picture: a ring, a bar and a hatched band.
bool logo_dot(int x, int y) {
    const double r = std::hypot(x - 120.0, y - 120.0);
    return (r > 70 && r < 100) || (x > 240 && x < 380 && y > 60 && y < 90) ||
           (x > 240 && x < 380 && y > 140 && y < 200 && (x + y) % 12 < 6);
}

// A colour picture for the conversion: a sky gradient with a dark sun.
std::string colour_picture(int w, int h) {
    const int stride = ((w * 3 + 3) / 4) * 4;
    std::string b = bmp_header(54, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), 24,
                               54 + static_cast<std::uint32_t>(stride * h));
    for (int fy = 0; fy < h; ++fy) {
        const int y = h - 1 - fy;
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < w; ++x) {
            const bool sun = std::hypot(x - w * 0.7, y - h * 0.4) < h * 0.25;
            const int v = 255 - 200 * y / h;
            row[static_cast<std::size_t>(3 * x)] = static_cast<char>(sun ? 40 : 255 - v / 3);  // blue
            row[static_cast<std::size_t>(3 * x + 1)] = static_cast<char>(sun ? 20 : v);
            row[static_cast<std::size_t>(3 * x + 2)] = static_cast<char>(sun ? 20 : v * 3 / 4);
        }
        b += row;
    }
    return b;
}

class WinScreenshots : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        const char* d = std::getenv("TV_SHOTS_DIR");
        if (!d || !*d)
            GTEST_SKIP() << "screenshots only where TV_SHOTS_DIR names a folder (scripts/win-screenshots.sh)";
        shots_ = d;
        localDir = dir.path();  // the file dialog opens where the pictures are
        SetWindowPos(window->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
        user->on_each([this](HWND) {
            if (names_.empty()) return;
            const std::string name = names_.front();
            names_.pop_front();
            snap(name);
        });
    }

    // Lets everything draw: the thread's messages until none has come for a while.
    void settle() {
        for (int quiet = 0; quiet < 10;) {
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                quiet = 0;
                if (!window->pre_translate(msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            } else {
                ++quiet;
                MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            }
        }
        GdiFlush();
    }

    // The screen around the main window, as ImageMagick's import sees it on the X server. A
    // program of the host runs on its own once started: it says it has finished by a file.
    void snap(const std::string& name) {
        settle();
        RECT r{};
        GetWindowRect(window->hwnd(), &r);
        const std::string png = shots_ + "/" + name + ".png", done = shots_ + "/" + name + ".done";
        const std::string cmd = "Z:\\bin\\sh -c \"import -window root -crop " +
                                std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                                "+" + std::to_string(r.left) + "+" + std::to_string(r.top) + " " + png +
                                " && touch " + done + "\"";
        std::wstring line = win::wide(cmd);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(
            CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_TRUE(
            pump_until([&] { return std::filesystem::exists("Z:" + done); }, std::chrono::seconds(30)))
            << name;
    }

    std::string shots_;
    std::deque<std::string> names_;  // the dialogs to take, in the order they come up
};

TEST_F(WinScreenshots, TheWindowInEachState) {
    snap("win-start");

    // An upload over Ethernet held at its fourth frame, with and without the trace pane;
    // the close question over it.
    write_file(file("logo.bmp"), bmp_1bit(400, 240, logo_dot));
    const std::string log = file("requests.log");
    SimProcess sim({"--printer", "--tcp", "0", "--log", log, "--delay", "4:120000"});
    ASSERT_TRUE(sim.ok()) << sim.error();
    use_tcp(sim.port());
    pick("gComb_Timeout", 59);
    open_picture(file("logo.bmp"));
    pick("gComb_Slot", 1);
    click("gButt_Send");
    ASSERT_TRUE(pump_until([&] { return read_request_log(log).size() >= 4; }));
    snap("win-mid-job");
    PostMessageW(control("gButt_Send"), WM_KEYDOWN, VK_F12, 0);
    snap("win-mid-job-trace");
    PostMessageW(control("gButt_Send"), WM_KEYDOWN, VK_F12, 0);
    settle();
    names_ = {"win-close-question"};
    user->answer_next(Answer::No);
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    sim.stop();
    ASSERT_TRUE(wait_for_job());

    // "Otwórz": the open-file dialog, then the conversion dialog for a colour picture, and
    // the box that says where the logo went.
    write_file(file("sklep.bmp"), colour_picture(480, 240));
    names_ = {"win-file-dialog", "win-convert-dialog", "win-message-box"};
    user->choose_next(file("sklep.bmp"));
    user->act_next([](HWND dialog) { SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); });
    user->answer_next(Answer::Ok);
    click("gButt_File");
    ASSERT_TRUE(wait_for_check());
    EXPECT_TRUE(names_.empty());

    // "Szukaj w sieci" with a printer and a cash register on loopback addresses: their list.
    SimProcess printer({"--printer", "--listen", "127.0.0.20", "--tcp", "0"});
    SimProcess cash({"--register", "--listen", "127.0.0.30", "--tcp", std::to_string(printer.port())});
    ASSERT_TRUE(printer.ok() && cash.ok());
    use_tcp(printer.port());
    SendMessageW(control("g_IPaddress"), IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 20));
    names_ = {"win-scan-dialog"};
    user->act_next([](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    click("gButt_ComDetect");
    ASSERT_TRUE(wait_for_job());
    EXPECT_TRUE(names_.empty());
}

}  // namespace
}  // namespace tv::test
