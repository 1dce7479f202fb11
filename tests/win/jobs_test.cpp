// The native window's jobs against the Windows simulator over TCP on 127.0.0.1: every job
// control disabled for the whole of a job held at its first frame and the focus back on the
// starting button; a picture chosen in the open-file dialog, sent, and stored by the
// simulator dot for dot; the close question answered both ways; the IP address and port
// fields refusing what is wrong.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/shell.h"
#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "common/paths.h"
#include "image/bmp_files.h"
#include "image/convert_session.h"
#include "support/sim_process.h"
#include "ui/Controls.h"
#include "ui/panel_layout.h"
#include "win_fixture.h"
#include "win_text.h"

namespace tv::test {
namespace {

bool logo_dark(int x, int y) { return (x / 8 + y / 8) % 2 == 0 || x == y; }

// Notes every job control that becomes enabled while a job runs.
struct EnableWatch {
    std::vector<std::string> woke;
    std::map<HWND, std::string> names;

    static LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
        auto* watch = reinterpret_cast<EnableWatch*>(self);
        if (msg == WM_ENABLE && wp && tv::bAction) watch->woke.push_back(watch->names[w]);
        return DefSubclassProc(w, msg, wp, lp);
    }
    void watch(HWND w, const std::string& name) {
        names[w] = name;
        SetWindowSubclass(w, &EnableWatch::proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~EnableWatch() {
        for (auto& [w, name] : names) RemoveWindowSubclass(w, &EnableWatch::proc, 1);
    }
};

class WinJobs : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (SimProcess::binary().empty()) GTEST_SKIP() << "the build has no simulator";
        write_file(file("logo.bmp"), bmp_1bit(200, 96, logo_dark));
    }

    // The controls a user acts on: every Tab stop, and the file box.
    std::vector<const char*> job_controls() const {
        std::vector<const char*> v;
        for (Control* c : tab_order()) v.push_back(c->handle);
        v.push_back("gEdit_File");
        return v;
    }

    std::vector<std::string> frames() const { return read_request_log(log_); }

    std::unique_ptr<SimProcess> start_sim(const std::vector<std::string>& faults, bool registers = false) {
        log_ = file("requests.log");
        std::filesystem::remove(log_);
        std::vector<std::string> args{
            registers ? "--register" : "--printer", "--tcp", "0", "--log", log_, "--store", file("store")};
        args.insert(args.end(), faults.begin(), faults.end());
        auto sim = std::make_unique<SimProcess>(args);
        if (sim->ok()) use_tcp(sim->port(), registers);
        return sim;
    }

    std::string log_;
};

struct JobKind {
    const char* name;
    bool registers;
    const char* button;
    bool picture;
};
// Which controls each kind of job locks is the core's table (tests/jobs); here one job
// shows that the window's controls follow it and nothing comes back on during the job.
const JobKind kJobs[] = {
    {"printer send", false, "gButt_Send", true},
};

TEST_F(WinJobs, AJobKeepsThePanelLockedAndGivesTheFocusBack) {
    for (const JobKind& job : kJobs) {
        SCOPED_TRACE(job.name);
        // The first reply is held back until the simulator is stopped.
        auto sim = start_sim({"--delay", "1:120000"}, job.registers);
        ASSERT_TRUE(sim->ok()) << sim->error();
        pick("gComb_Timeout", 59);  // 60 s: the job waits for the reply meanwhile
        if (job.picture) open_picture(file("logo.bmp"));
        HWND start = control(job.button);
        ASSERT_TRUE(IsWindowEnabled(start));
        EnableWatch watch;
        for (const char* h : job_controls()) watch.watch(control(h), h);
        SetFocus(start);
        click(job.button);
        ASSERT_TRUE(bAction);
        ASSERT_TRUE(pump_until([&] { return !frames().empty(); }));

        for (const char* h : job_controls()) EXPECT_FALSE(IsWindowEnabled(control(h))) << h;
        const HWND focus = GetFocus();
        for (const char* h : job_controls()) EXPECT_NE(focus, control(h)) << h;

        user->answer_next(Answer::Ok);  // what the job says of the broken line
        sim->stop();
        ASSERT_TRUE(wait_for_job());
        EXPECT_TRUE(watch.woke.empty()) << watch.woke.front();
        EXPECT_FALSE(bAction);
        EXPECT_TRUE(IsWindowEnabled(start));
        EXPECT_TRUE(pump_until([&] { return GetFocus() == start; }, std::chrono::seconds(5)));
        EXPECT_EQ(IsWindowEnabled(control("gButt_Rep")) != 0, !job.registers);
    }
}

TEST_F(WinJobs, APictureChosenInTheFileDialogIsStoredDotForDot) {
    auto sim = start_sim({});
    ASSERT_TRUE(sim->ok()) << sim->error();
    open_picture(file("logo.bmp"));
    EXPECT_EQ(user->file_dialogs(), 1);
    EXPECT_EQ(user->file_types(), picture_file_filters());  // the core's list, in its order
    EXPECT_TRUE(std::filesystem::equivalent(fs_path(gr_filename()), fs_path(file("logo.bmp"))))
        << gr_filename();
    EXPECT_TRUE(IsWindowEnabled(control("gButt_Send")));
    pick("gComb_Slot", 1);  // slot 2
    std::vector<int> progress;
    user->answer_next(Answer::Ok);
    click("gButt_Send");
    ASSERT_TRUE(pump_until([&] {
        progress.push_back(static_cast<int>(SendMessageW(control("g_ProgressBar"), PBM_GETPOS, 0, 0)));
        return !job_running();
    }));
    ASSERT_EQ(user->boxes().size(), 1u);
    EXPECT_EQ(user->boxes()[0].caption, "Komunikat");
    EXPECT_EQ(user->boxes()[0].text, "Grafika została poprawnie zaprogramowana!");
    EXPECT_EQ(user->boxes()[0].icon, Icon::Information);
    EXPECT_TRUE(user->boxes()[0].owned);
    EXPECT_EQ(progress.back(), 0);
    EXPECT_GT(*std::max_element(progress.begin(), progress.end()), 0);

    const StoredSlot slot = read_stored_slot(file("store/slot2.pbm"));
    ASSERT_EQ(slot.w, 200);
    ASSERT_EQ(slot.h, 96);
    for (int y = 0; y < slot.h; ++y)
        for (int x = 0; x < slot.w; ++x) ASSERT_EQ(slot.dark(x, y), logo_dark(x, y)) << x << "," << y;
}

TEST_F(WinJobs, ThePreviewDrawsThePicturesDotsCentred) {
    open_picture(file("logo.bmp"));
    const win::Preview& p = window->preview();
    const Capture shot = capture_client(p.hwnd());
    ASSERT_EQ(p.width(), 200);
    ASSERT_EQ(p.height(), 96);
    const POINT o = p.origin();
    // The picture's centre on the panel's preview point.
    const RECT at = client_rect_of(p.hwnd());
    EXPECT_EQ(at.left + o.x + 100, kPreviewCentreX);
    EXPECT_EQ(at.top + o.y + 48, kPreviewCentreY);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(shot.at(o.x + x, o.y + y), logo_dark(x, y) ? 0x000000u : 0xFFFFFFu) << x << "," << y;
}

// The question as a box of the window (its text is the core's, tested there).
void check_question(const SeenBox& box) {
    EXPECT_EQ(box.caption, "UWAGA!");
    EXPECT_EQ(box.icon, Icon::Warning);
    EXPECT_EQ(box.buttons, Buttons::YesNo);
    EXPECT_EQ(box.default_button, Answer::No);
    EXPECT_TRUE(box.owned);
}

class WinClose : public WinJobs {
  protected:
    // An upload to a printer whose reply to the first graphic line comes late, held at it.
    void start_held_upload() {
        sim_ = start_sim({"--delay", "2:3000"});
        ASSERT_TRUE(sim_->ok()) << sim_->error();
        pick("gComb_Timeout", 19);
        open_picture(file("logo.bmp"));
        click("gButt_Send");
        ASSERT_TRUE(pump_until([&] { return frames().size() == 2; }));
        ASSERT_TRUE(bAction);
    }
    std::unique_ptr<SimProcess> sim_;
};

// The question and its answers are the core's (tests/app); here what the window adds: it
// goes once the job it stopped has ended, and saves the settings on the way out.
TEST_F(WinClose, YesStopsTheUploadAndClosesAfterIt) {
    ASSERT_NO_FATAL_FAILURE(start_held_upload());
    const std::string cfg = file("settings.cfg");
    std::filesystem::remove(cfg);
    user->answer_next(Answer::Yes);
    HWND hwnd = window->hwnd();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd));  // not yet: the job is stopping
    ASSERT_EQ(user->boxes().size(), 1u);
    check_question(user->boxes()[0]);
    EXPECT_TRUE(job_abort);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(hwnd); }));
    EXPECT_FALSE(job_running());
    EXPECT_EQ(user->boxes().size(), 1u);  // no box after the question
    // The line under way was answered, then the printer got the cancel and nothing more.
    const auto f = frames();
    ASSERT_GE(f.size(), 3u);
    EXPECT_LT(f.size(), 10u);
    const std::string cancel = tarv_frame("prncancel\t");
    EXPECT_EQ(f.front(), cancel);
    EXPECT_EQ(f.back(), cancel);
    EXPECT_EQ(std::count(f.begin(), f.end(), cancel), 2);
    EXPECT_TRUE(std::filesystem::exists(cfg));  // the settings saved on the way out
}

TEST_F(WinJobs, TheAddressAndPortFieldsRefuseWhatIsWrong) {
    use_tcp(2121);
    // The address control takes digits only, and no part above 255: what is typed into its
    // first and last fields ("3a00") leaves four numbers of 0..255.
    HWND first = GetWindow(control("g_IPaddress"), GW_CHILD);
    HWND last = first;
    for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) last = w;
    SendMessageW(control("g_IPaddress"), IPM_CLEARADDRESS, 0, 0);
    for (HWND field : {first, last}) {
        SetFocus(field);
        for (wchar_t ch : std::wstring(L"3a00")) SendMessageW(field, WM_CHAR, ch, 0);
    }
    SetFocus(control("gButt_ComTest"));  // leaving the field settles its value
    pump();
    const std::string ip = text(g_IPaddress);
    int parts = 0;
    for (std::size_t from = 0; from <= ip.size(); ++parts) {
        const std::size_t dot = std::min(ip.find('.', from), ip.size());
        const std::string part = ip.substr(from, dot - from);
        EXPECT_TRUE(part.empty() ||
                    (part.find_first_not_of("0123456789") == std::string::npos && std::stoi(part) <= 255))
            << ip;
        from = dot + 1;
    }
    EXPECT_EQ(parts, 4) << ip;
    // "300": Windows caps the part at 255; Wine's own control drops the third digit typed.
    EXPECT_TRUE(ip.rfind("255.", 0) == 0 || ip.rfind("30.", 0) == 0) << ip;

    // A port out of range is kept as typed; the job refuses it with a box that names the
    // field, which gets the focus and keeps its text; no job starts.
    SendMessageW(control("g_IPaddress"), IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 1));
    type_over("gEdit_PortTCP", "99999");
    EXPECT_EQ(text(gEdit_PortTCP), "99999");
    user->answer_next(Answer::Ok);
    click("gButt_ComTest");
    ASSERT_EQ(user->boxes().size(), 1u);
    EXPECT_EQ(user->boxes()[0].caption, "Błąd");
    EXPECT_NE(user->boxes()[0].text.find("\"99999\""), std::string::npos);  // its text: tests/app
    EXPECT_EQ(user->boxes()[0].icon, Icon::Warning);
    EXPECT_FALSE(bAction);
    EXPECT_TRUE(pump_until([&] { return GetFocus() == control("gEdit_PortTCP"); }, std::chrono::seconds(5)));
    EXPECT_EQ(win::window_text(control("gEdit_PortTCP")), "99999");
    // The field whose text is wrong is drawn tinted, the good one not.
    auto background = [&](const char* field) {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(window->hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control(field)));
        const COLORREF c = GetBkColor(dc);
        DeleteDC(dc);
        return c;
    };
    EXPECT_EQ(background("gEdit_PortTCP"), RGB(255, 200, 200));
    type_over("gEdit_PortTCP", "2121");
    EXPECT_NE(background("gEdit_PortTCP"), RGB(255, 200, 200));
}

}  // namespace
}  // namespace tv::test
