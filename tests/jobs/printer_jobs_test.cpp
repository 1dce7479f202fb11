// Printer jobs end to end: the window's buttons, the real links and the simulator. What the
// simulator received is compared byte for byte with the frames the rules give; what the
// user saw is compared in order. (How each fault of a device or its line ends a job is the
// fault-scenario table's.)
#include <chrono>

#include "job_fixture.h"
#include "support/platform.h"
#include "ui/panel_layout.h"

using namespace tv;
using namespace tv::test;

namespace {

class PrinterJobs : public JobTest {
  protected:
    static std::vector<std::string> upload(unsigned slot, unsigned w, unsigned h, const std::string& digits,
                                           bool report = false) {
        return upload_frames(true, slot, w, h, digits, report);
    }
};

const std::string k640 = expected_payload(640, 640, shipped_pattern, true);

TEST_F(PrinterJobs, Programs640x640OverTcpIn101FramesAndStoresThePicture) {
    start_sim({"--printer"});
    choose(shipped("full_640x640_im.bmp"));
    ASSERT_TRUE(enabled(gButt_Send));
    press(ID_SEND);
    const auto f = frames();
    EXPECT_TRUE(same_frames(f, upload(1, 640, 640, k640)));
    EXPECT_EQ(f.size(), 101u);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] Grafika została poprawnie zaprogramowana!"});
    EXPECT_EQ(job_outcome, JobOutcome::Succeeded);
    EXPECT_EQ(stored(1).w, 640);
    EXPECT_EQ(stored(1).h, 640);
    // The sequence file holds exactly the frames sent since the connection opened.
    std::string all;
    for (const auto& x : f) all += x;
    EXPECT_EQ(read_file(dir.file("SEQ/seq_")), all);
    EXPECT_FALSE(bAction);
    EXPECT_EQ(position(g_ProgressBar), 0);
}

TEST_F(PrinterJobs, TheStoredPictureIsTheOneSentOverSerial) {
    TV_NEEDS_PTY();
    start_sim({"--printer"}, true);
    const std::string path = dir.file("logo.bmp");
    auto dark = [](int x, int y) { return (x / 4 + y / 3) % 2 == 0; };
    write_file(path, bmp_1bit(20, 6, dark, /*colour0_white=*/true));
    choose(path);
    set_sel(gComb_Slot, 4);
    dispatch_command(ID_NONE, Notify::DropDownClosed, gComb_Slot);
    set_checked(gCheck_Print, true);
    press(ID_SEND);
    EXPECT_TRUE(same_frames(frames(), upload(5, 20, 6, expected_payload(20, 6, dark, false), true)));
    EXPECT_TRUE(host.boxes().empty());  // "drukuj po wysłaniu": the printout is the answer
    EXPECT_EQ(job_outcome, JobOutcome::Succeeded);
    const Pbm pbm = stored(5);
    ASSERT_EQ(pbm.w, 20);
    ASSERT_EQ(pbm.h, 6);
    ASSERT_EQ(pbm.bits.size(), 18u);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 20; ++x) EXPECT_EQ(pbm.dot(x, y), dark(x, y) ? 1 : 0) << x << "," << y;
}

TEST_F(PrinterJobs, ClearingOneSlotSendsTwoFramesWithProgressAndTheSingularMessage) {
    TV_NEEDS_PTY();
    start_sim({"--printer"}, true);
    set_sel(gComb_Slot, 2);
    press(ID_CLEAR);
    EXPECT_TRUE(same_frames(frames(), printer_frames({"prncancel\t", "imgslotset\tno3\twx1\thx1\t"})));
    EXPECT_EQ(host.progress_values(), (std::vector<int>{33, 66, 100, 0}));
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Komunikat] Kasowanie grafiki zostało zakończne pomyślnie!"});
}

TEST_F(PrinterJobs, ClearingAllSlotsSendsSevenLinesAndThePluralMessage) {
    start_sim({"--printer"});
    set_sel(gComb_Slot, 6);
    press(ID_CLEAR);
    std::vector<std::string> lines = {"prncancel\t"};
    for (int i = 1; i <= 6; ++i) lines.push_back("imgslotset\tno" + std::to_string(i) + "\twx1\thx1\t");
    EXPECT_TRUE(same_frames(frames(), printer_frames(lines)));
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Komunikat] Kasowanie grafik zostało zakończne pomyślnie!"});
}

TEST_F(PrinterJobs, HeaderAndFooterWithAndWithoutTheTestForm) {
    start_sim({"--printer"});
    program_slot(16, 8, 2);
    EXPECT_TRUE(same_frames(set_header_footer(2, 0),
                            printer_frames({"prncancel\t", "imgheaderset\tno2\t", "imgfooterset\tno0\t"})));
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{
                  "[Komunikat] Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!"});
    host.clear();
    dispatch_command(ID_TEST_PRINT, Notify::Clicked, gCheck_TestPrint);
    press(ID_SET);
    const std::vector<std::string> f = frames();
    ASSERT_EQ(f.size(), 15u);
    EXPECT_EQ(f[5], printer_frame("prncancel\t"));
    EXPECT_EQ(f[7], printer_frame("imgfooterset\tno0\t"));
    EXPECT_EQ(f[8], printer_frame("formstart\tfn200\tfh84\talW Y D R U K   T E S T O W Y\t"));
    // The escape inside the form line reaches the printer as one line feed.
    EXPECT_EQ(f[9],
              printer_frame("formline\tfn200\tfl706\ts1test \\LFtest  test  test  test  test  test  test\t"));
    EXPECT_EQ(f[14], printer_frame("formend\tfn200\t"));
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(PrinterJobs, ReportForOneSlotAndForAll) {
    start_sim({"--printer"});
    set_sel(gComb_Rep, 1);
    press(ID_REPORT);  // slot 2 is empty: the printer refuses the report
    set_sel(gComb_Rep, 6);
    press(ID_REPORT);
    EXPECT_TRUE(same_frames(frames(), printer_frames({"prncancel\t", "imgprogrep\tno2\t", "prncancel\t",
                                                      "prncancel\t", "imgrep\t"})));
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[UWAGA!] Wystąpił błąd podczas innej czynności!\n\n"
                                       "Brak grafiki w slocie.\n\nBŁĄD : 3251 ERR_IMG_SLOT_EMPTY"});
}

TEST_F(PrinterJobs, NoConnectionShowsItsBoxAndSendsNothing) {
    use_closed_port();
    press(ID_CLEAR);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Błąd] Brak połączenia z drukarką fiskalną!"});
    EXPECT_EQ(job_outcome, JobOutcome::Failed);
}

TEST_F(PrinterJobs, TcpTimeoutQuestionAnsweredYesWaitsForTheLateReply) {
    start_sim({"--printer", "--delay", "1:1500"});
    set_sel(gComb_Timeout, 0);  // 1 s
    host.answer_next(Answer::Yes);
    press(ID_CLEAR);
    EXPECT_EQ(host.boxes_shown(),
              (std::vector<Box>{{"Warning", "TIMEOUT! Try again?", Icon::Question, Buttons::YesNo},
                                {"Komunikat", "Kasowanie grafiki zostało zakończne pomyślnie!"}}));
    EXPECT_TRUE(same_frames(frames(), printer_frames({"prncancel\t", "imgslotset\tno1\twx1\thx1\t"})));
}

// The user stops an upload (the window's close, the console's Ctrl-C) as its third line goes
// out: that line's reply is awaited, then the printer gets "prncancel" and nothing else.
TEST_F(PrinterJobs, AStoppedUploadEndsWithTheCancelCommandAndNoBox) {
    start_sim({"--printer"});
    choose(shipped("full_640x640_im.bmp"));
    host.clear();
    // The job moves the bar before each line: line 3 of 101 is at 3 * 100 / 102.
    host.on_progress([](int position) {
        if (position == 2) job_abort = true;
    });
    press(ID_SEND);
    host.on_progress(nullptr);
    const auto cmds = commands();
    ASSERT_EQ(cmds.size(), 4u);
    EXPECT_EQ(cmds[0], "prncancel\t");
    EXPECT_EQ(cmds[1].substr(0, 14), "imgslotset\tno1");
    EXPECT_EQ(cmds[2].substr(0, 17), "imgslotappend\tno1");
    EXPECT_EQ(cmds[3], "prncancel\t");
    EXPECT_TRUE(host.boxes().empty());
    EXPECT_EQ(job_outcome, JobOutcome::Failed);
    EXPECT_FALSE(bAction);
    EXPECT_TRUE(enabled(gButt_Send));
}

// The same stop over a serial line, the printer slow to answer "prncancel": the stopped job
// takes that answer, so that the next job on the line gets its own replies; and that job,
// started in the same window, is not ended by the stop asked of the one before.
TEST_F(PrinterJobs, AfterAStopTheNextJobOnTheSerialLineSucceeds) {
    TV_NEEDS_PTY();
    start_sim({"--printer", "--delay", "4:300"}, true);
    choose(shipped("full_640x640_im.bmp"));
    host.on_progress([](int position) {
        if (position == 2) job_abort = true;
    });
    press(ID_SEND);
    host.on_progress(nullptr);
    ASSERT_EQ(job_outcome, JobOutcome::Failed);
    ASSERT_EQ(frames().size(), 4u);
    host.clear();
    press(ID_SEND);
    EXPECT_EQ(job_outcome, JobOutcome::Succeeded);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] Grafika została poprawnie zaprogramowana!"});
    const auto f = frames();
    EXPECT_TRUE(same_frames(std::vector<std::string>(f.begin() + 4, f.end()), upload(1, 640, 640, k640)));
}

// A reply that does not come while the user stops the job: no offer to wait again.
TEST_F(PrinterJobs, AStoppedJobIsNotAskedToWaitForALateReply) {
    start_sim({"--printer", "--no-reply", "2"});
    set_sel(gComb_Timeout, 0);  // 1 s
    set_sel(gComb_Slot, 6);     // all: seven lines
    host.on_progress([](int position) {
        if (position == 25) job_abort = true;  // line 2 of 7 is at 2 * 100 / 8
    });
    press(ID_CLEAR);
    host.on_progress(nullptr);
    EXPECT_TRUE(host.boxes().empty());
    const auto cmds = commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[1], "imgslotset\tno1\twx1\thx1\t");
    EXPECT_EQ(job_outcome, JobOutcome::Failed);
}

// After a job the focus goes back to the button that started it.
TEST_F(PrinterJobs, TheFocusGoesBackToTheStartingButton) {
    use_closed_port();
    press(ID_CLEAR);
    EXPECT_EQ(host.focused(), std::vector<std::string>{"gButt_Clear"});
    host.clear();
    press(ID_TEST);
    EXPECT_EQ(host.focused(), std::vector<std::string>{"gButt_ComTest"});
    host.clear();
    choose(picture(16, 8));
    EXPECT_EQ(host.focused(), std::vector<std::string>{"gButt_File"});
}

TEST_F(PrinterJobs, ARejectedPictureSendsNothingAndShowsOnlyTheCheckMessage) {
    start_sim({"--printer"});
    choose(picture(16, 8));
    choose(shipped("wide_641x10_im.bmp"));  // the check rejects it: nothing to send now
    EXPECT_FALSE(enabled(gButt_Send));
    EXPECT_EQ(gr_filename(), "");
    host.clear();
    set_gr_filename(shipped("wide_641x10_im.bmp"));
    press(ID_SEND);
    EXPECT_TRUE(all_frames().empty());
    EXPECT_EQ(box_texts(), std::vector<std::string>{
                               "[Błąd!] Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n"});
    EXPECT_EQ(job_outcome, JobOutcome::Failed);
}

// Every kind of job, held at its first reply: while it runs no control a user could press
// is enabled; afterwards the panel is back and the focus is on the button that started it.
// (The faces show the same in their widgets: one job each in tests/gui and tests/win.)
TEST_F(PrinterJobs, EveryJobLocksThePanelAndGivesTheFocusBack) {
    const struct {
        const char* name;
        bool registers;
        int id;
        Control* button;
        bool picture;
    } jobs[] = {
        {"printer send", false, ID_SEND, gButt_Send, true},
        {"printer clear", false, ID_CLEAR, gButt_Clear, false},
        {"printer header and footer", false, ID_SET, gButt_Set, false},
        {"printer report", false, ID_REPORT, gButt_Rep, false},
        {"printer connection test", false, ID_TEST, gButt_ComTest, false},
        {"register send", true, ID_SEND, gButt_Send, true},
        {"register clear", true, ID_CLEAR, gButt_Clear, false},
        {"register header and footer", true, ID_SET, gButt_Set, false},
        {"register connection test", true, ID_TEST, gButt_ComTest, false},
    };
    for (const auto& job : jobs) {
        SCOPED_TRACE(job.name);
        start_sim({job.registers ? "--register" : "--printer", "--delay", "1:120000"});
        if (job.registers) use_registers();
        set_sel(gComb_Timeout, 59);  // 60 s: the job waits for the reply meanwhile
        if (job.picture) choose(picture(16, 8));
        host.clear();
        dispatch_command(job.id, Notify::Clicked, job.button);
        ASSERT_TRUE(host.wait_for_trace("Send : ", std::chrono::seconds(20)));
        for (const Control* c : tab_order()) EXPECT_FALSE(enabled(c)) << c->handle;
        EXPECT_FALSE(enabled(gEdit_File));
        sim->stop();  // the line breaks: the job reports it and ends
        finish_job();
        EXPECT_FALSE(bAction);
        EXPECT_TRUE(enabled(job.button));
        EXPECT_EQ(enabled(gButt_Rep), !job.registers);
        ASSERT_FALSE(host.focused().empty());
        EXPECT_EQ(host.focused().back(), job.button->handle);
    }
}

}  // namespace
