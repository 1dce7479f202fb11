// Cash-register jobs end to end against the simulated register: the commands it received,
// the boxes shown, and the time-outs put back after every job.
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
    static std::vector<int> ids(const std::vector<KS_FRM>& r) {
        std::vector<int> v;
        for (const auto& k : r) v.push_back(k.CMD_ID);
        return v;
    }
    // The B fields of a request, in order.
    static std::vector<int> bytes_of(const KS_FRM& k) {
        std::vector<int> v;
        for (int i = 0; i + 1 < k.DATA_LEN && k.DATA[i] == 0x42; i += 2) v.push_back(k.DATA[i + 1]);
        return v;
    }
};

TEST_F(RegisterJobs, Programs384x384InOneSlotSetAnd72Blocks) {
    start_sim({"--register"});
    use_registers();
    choose(picture(384, 384));
    set_sel(gComb_Slot, 2);
    press(ID_SEND);
    const auto r = requests();
    ASSERT_EQ(r.size(), 73u);
    EXPECT_EQ(r[0].CMD_ID, 4600);
    EXPECT_EQ(test::hex(r[0].DATA, r[0].DATA_LEN), "42 03 56 80 01 56 80 01");
    for (std::size_t i = 1; i < r.size(); ++i) {
        EXPECT_EQ(r[i].CMD_ID, 4601);
        EXPECT_EQ(r[i].DATA[1], 3);
        EXPECT_EQ(r[i].DATA_LEN, 2 + 1 + 512 + 1) << i;
    }
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] Grafika została poprawnie zaprogramowana!"});
    EXPECT_EQ(stored(3).w, 384);
    EXPECT_EQ(job_outcome, JobOutcome::Succeeded);
}

TEST_F(RegisterJobs, ClearingAllWithErrorsOnSlotsTwoAndFiveGoesOn) {
    start_sim({"--register", "--fail", "2:3252", "--fail", "5:3251"});
    use_registers();
    set_sel(gComb_Slot, 6);
    press(ID_CLEAR);
    const auto r = requests();
    ASSERT_EQ(ids(r), (std::vector<int>{4602, 4602, 4602, 4602, 4602, 4602}));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(bytes_of(r[static_cast<std::size_t>(i)]), std::vector<int>{i + 1});
    EXPECT_EQ(box_texts(),
              (std::vector<std::string>{
                  "[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 2.\n\n"
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
    EXPECT_EQ(ids(requests()), std::vector<int>{4602});
    EXPECT_EQ(bytes_of(requests()[0]), std::vector<int>{4});
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] Kasowanie grafiki zostało zakończne pomyślnie!"});
}

TEST_F(RegisterJobs, HeaderNoneAndFooterThree) {
    start_sim({"--register"});
    use_registers();
    choose(picture(48, 8));
    set_sel(gComb_Slot, 2);
    press(ID_SEND);
    host.clear();
    set_sel(gComb_GrHdr, 0);
    set_sel(gComb_GrFoot, 3);
    press(ID_SET);
    auto r = requests();
    r.erase(r.begin(), r.begin() + 2);
    ASSERT_EQ(ids(r), (std::vector<int>{4603, 4604}));
    EXPECT_EQ(bytes_of(r[0]), (std::vector<int>{0, 1}));
    EXPECT_EQ(bytes_of(r[1]), (std::vector<int>{3, 1}));
    EXPECT_EQ(box_texts(), std::vector<std::string>{
                               "[Komunikat] Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!"});
}

TEST_F(RegisterJobs, ARefusedHeaderEndsTheJobWithoutTheFooter) {
    start_sim({"--register", "--fail", "1:3250"});
    use_registers();
    set_sel(gComb_GrHdr, 1);
    set_sel(gComb_GrFoot, 2);
    press(ID_SET);
    EXPECT_EQ(ids(requests()), std::vector<int>{4603});
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].caption, "UWAGA!");
    EXPECT_EQ(host.boxes()[0].text.rfind("Wystąpił błąd podczas innej czynności!\n\n", 0), 0u);
    EXPECT_NE(host.boxes()[0].text.find("BŁĄD : 3250 ERR_IMG_SLOT_NO_OVERRANGE"), std::string::npos);
}

TEST_F(RegisterJobs, NoConnectionIsReportedForEveryJob) {
    use_registers();
    use_closed_port();
    set_gr_filename(shipped("worked_10x2_im.bmp"));
    for (int id : {104, 105, 106}) {
        host.clear();
        press(id);
        EXPECT_EQ(box_texts(), std::vector<std::string>{"[Błąd] Brak połączenia z kasą fiskalną!"}) << id;
        EXPECT_EQ(job_outcome, JobOutcome::Failed);
    }
}

TEST_F(RegisterJobs, ARejectedPictureShowsOnlyTheCheckMessage) {
    start_sim({"--register"});
    use_registers();
    set_gr_filename(shipped("rgb24_48x16_im.bmp"));
    press(ID_SEND);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Błąd!] Bitmapa musi być monochromatyczna !!!\n"});

    // The reader's later refusals are the check's too, not device errors.
    std::string rle = read_file(shipped("variants/v3_black0_13x7_im.bmp"));
    rle[30] = 1;  // RLE8
    const std::string path = dir.file("rle.bmp");
    write_file(path, rle);
    host.clear();
    set_gr_filename(path);
    press(104);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Błąd!] Skompresowana bitmapa nie jest obsługiwana !!!\n"});
}

TEST_F(RegisterJobs, ProgrammingOverSerialWithASilentRegisterFailsFast) {
    TV_POSIX_ONLY("serial link over a pseudo-terminal");
    start_sim({"--register", "--no-reply", "1"}, true);
    use_registers();
    choose(picture(16, 4));
    press(ID_SEND);
    EXPECT_EQ(ids(requests()), std::vector<int>{4600});  // no block after the silent slot set
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki "
                                                    "nr 1.\n\nTIMEOUT - brak odpowiedzi z kasy.\n\nBŁĄD : 10000 "});
}

}  // namespace
