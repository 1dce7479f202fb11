// Cash-register jobs end to end against the simulated register: the frames it received
// (compared with the frames the rules give), the boxes shown, and the time-outs put back
// after every job.
#include "job_fixture.h"
#include "support/platform.h"

using namespace tv;
using namespace tv::test;

namespace {

class RegisterJobs : public JobTest {
  protected:
    void TearDown() override {
        // Every job restores the link's time-outs.
        EXPECT_EQ(RCV_TIMEOUT, 10);
        EXPECT_EQ(TIMEOUT_BASE, 20);
        JobTest::TearDown();
    }
};

TEST_F(RegisterJobs, Programs384x384InOneSlotSetAnd72Blocks) {
    start_sim({"--register"});
    use_registers();
    choose(picture(384, 384));
    set_sel(gComb_Slot, 2);
    press(ID_SEND);
    const auto f = frames();
    EXPECT_TRUE(
        same_frames(f, upload_frames(false, 3, 384, 384, expected_payload(384, 384, job_pattern, true))));
    EXPECT_EQ(f.size(), 73u);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] Grafika została poprawnie zaprogramowana!"});
    EXPECT_EQ(stored(3).w, 384);
    EXPECT_EQ(job_outcome, JobOutcome::Succeeded);
}

TEST_F(RegisterJobs, ClearingAllWithErrorsOnSlotsTwoAndFiveGoesOn) {
    start_sim({"--register", "--fail", "2:3252", "--fail", "5:3251"});
    use_registers();
    set_sel(gComb_Slot, 6);
    press(ID_CLEAR);
    std::vector<std::string> clears;
    for (unsigned slot = 1; slot <= 6; ++slot) clears.push_back(register_frame(4602, {B(slot)}));
    EXPECT_TRUE(same_frames(frames(), clears));
    EXPECT_EQ(box_texts(),
              (std::vector<std::string>{"[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 2.\n\n"
                                        "grafika tylko do odczytu\n\nBŁĄD : 3252 ERR_IMG_READ_ONLY",
                                        "[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 5.\n\n"
                                        "brak grafiki w slocie\n\nBŁĄD : 3251 ERR_IMG_SLOT_EMPTY"}));
    EXPECT_NE(host.trace().find("ERROR: 3252\r\n"), std::string::npos);
    EXPECT_EQ(job_outcome, JobOutcome::Failed);
}

TEST_F(RegisterJobs, ClearingEndsWithTheSameSuccessBoxAsPrinters) {
    start_sim({"--register"});
    use_registers();
    set_sel(gComb_Slot, 3);
    press(ID_CLEAR);
    EXPECT_TRUE(same_frames(frames(), {register_frame(4602, {B(4)})}));
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Komunikat] Kasowanie grafiki zostało zakończne pomyślnie!"});
}

TEST_F(RegisterJobs, HeaderNoneAndFooterThree) {
    start_sim({"--register"});
    use_registers();
    program_slot(48, 8, 3);
    EXPECT_TRUE(same_frames(set_header_footer(0, 3),
                            {register_frame(4603, {B(0), B(1)}), register_frame(4604, {B(3), B(1)})}));
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{
                  "[Komunikat] Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!"});
}

TEST_F(RegisterJobs, ARefusedHeaderEndsTheJobWithoutTheFooter) {
    start_sim({"--register", "--fail", "1:3250"});
    use_registers();
    set_sel(gComb_GrHdr, 1);
    set_sel(gComb_GrFoot, 2);
    press(ID_SET);
    EXPECT_TRUE(same_frames(all_frames(), {register_frame(4603, {B(1), B(1)})}));
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].caption, "UWAGA!");
    EXPECT_EQ(host.boxes()[0].text.rfind("Wystąpił błąd podczas innej czynności!\n\n", 0), 0u);
    EXPECT_NE(host.boxes()[0].text.find("BŁĄD : 3250 ERR_IMG_SLOT_NO_OVERRANGE"), std::string::npos);
}

TEST_F(RegisterJobs, NoConnectionIsReportedForEveryJob) {
    use_registers();
    use_closed_port();
    set_gr_filename(shipped("worked_10x2_im.bmp"));
    for (int id : {ID_SEND, ID_CLEAR, ID_SET}) {
        host.clear();
        press(id);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"[Błąd] Brak połączenia z kasą fiskalną!"}) << id;
        EXPECT_EQ(job_outcome, JobOutcome::Failed);
    }
}

}  // namespace
