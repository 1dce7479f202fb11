// Connection detection and connection test end to end: the scan's order, a found printer,
// a stopped scan, nothing found, and the identity read by the test for both families.
#include <regex>

#include "job_fixture.h"
#include "support/platform.h"

using namespace tv;
using namespace tv::test;

namespace {

class Diagnostics : public JobTest {
  protected:
    void SetUp() override {
        TV_NEEDS_PTY();  // the scans try serial ports led to pseudo-terminals
        JobTest::SetUp();
        detect_first_port = 3;
        detect_last_port = 4;
        // COM4 names no device: its open fails at once.
        point_com(4, dir.file("nothing-here"));
    }
    // The ports the scan tried, in order, read from the trace ("COM3 = ").
    std::vector<std::string> tried() const {
        std::vector<std::string> v;
        const std::string t = host.trace();
        std::regex re("(COM[0-9]+) = ");
        for (auto it = std::sregex_iterator(t.begin(), t.end(), re); it != std::sregex_iterator(); ++it)
            v.push_back((*it)[1]);
        return v;
    }
};

TEST_F(Diagnostics, FindsAPrinterAndSelectsItsPortAndSpeed) {
    start_sim({"--printer", "--name", "TARVIX HD"}, true);
    set_sel(gComb_COM, 0);
    set_sel(gComb_Baudrate, 0);
    dispatch_command(ID_DETECT, Notify::Clicked, gButt_ComDetect);
    EXPECT_EQ(text(gButt_ComDetect), "Zatrzymaj");
    EXPECT_TRUE(enabled(gButt_ComDetect));
    EXPECT_FALSE(enabled(gButt_ComTest));
    finish_job();
    EXPECT_EQ(tried(), std::vector<std::string>{"COM3"});
    EXPECT_EQ(text(gComb_COM), "COM3");
    EXPECT_EQ(text(gComb_Baudrate), "115200");  // the first speed of the scan
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Komunikat] Wykryto połączenie z drukarką fiskalną\nTARVIX HD"});
    EXPECT_TRUE(same_frames(frames(), printer_frames({"!sdev\t", "sid\t"})));
    EXPECT_EQ(text(gButt_ComDetect), "Szukaj połączenia");
    EXPECT_EQ(RCV_TIMEOUT, 10);
    EXPECT_EQ(TIMEOUT_BASE, 20);
    // The found port reaches the settings file at the next round trip.
    app_close();
    EXPECT_NE(read_file(dir.file("settings.cfg")).find(native_lines("[COM]=COM3\n[Baudrate]=115200\n")),
              std::string::npos);
}

// A printer slow to give its status the first time (0.7 s, past the scan's 0.5 s wait):
// its late status reply is no answer to the next speed's requests, so the printer found is
// found by its own name, never as a nameless one.
TEST_F(Diagnostics, ALateReplyIsNotTakenForTheNextRequestsAnswer) {
    start_sim({"--printer", "--name", "TARVIX HD", "--delay", "1:700"}, true);
    press(ID_DETECT);
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Komunikat] Wykryto połączenie z drukarką fiskalną\nTARVIX HD"});
}

TEST_F(Diagnostics, ScansEveryPortAtEverySpeedInOrderAndReportsNothingFound) {
    point_com(3, dir.file("nothing-here"));
    press(ID_DETECT);
    std::vector<std::string> expect;
    for (int speed = 0; speed < 8; ++speed) {
        expect.push_back("COM3");
        expect.push_back("COM4");
    }
    EXPECT_EQ(tried(), expect);
    const std::string t = host.trace();
    std::size_t at = 0;
    for (const char* speed : {"115200", "9600", "19200", "38400", "57600", "4800", "2400", "1200"}) {
        at = t.find(std::string("COM3 : ") + speed, at);
        EXPECT_NE(at, std::string::npos) << speed;
    }
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Błąd] Nie wykryto połączenia z drukarką fiskalną!"});
    EXPECT_EQ(job_outcome, JobOutcome::Failed);
    EXPECT_EQ(text(gButt_ComDetect), "Szukaj połączenia");
}

TEST_F(Diagnostics, ASecondPressStopsTheScanAfterTheCurrentPort) {
    start_sim({"--printer", "--no-reply", "*"}, true);  // a silent device: every port costs its time-out
    RCV_TIMEOUT = 7;
    dispatch_command(ID_DETECT, Notify::Clicked, gButt_ComDetect);
    // The second press, once the scan has reached the silent device.
    EXPECT_TRUE(host.wait_for_trace("COM3 = ", std::chrono::seconds(10)));
    dispatch_command(ID_DETECT, Notify::Clicked, gButt_ComDetect);
    EXPECT_FALSE(enabled(gButt_ComDetect));
    finish_job();
    EXPECT_EQ(tried().size(), 1u);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] Zatrzymano proces detekcji połączenia!"});
    EXPECT_EQ(TIMEOUT_BASE, 20);
    EXPECT_EQ(RCV_TIMEOUT, 10);  // from the time-out selector, as before the scan
    EXPECT_EQ(text(gButt_ComDetect), "Szukaj połączenia");
    EXPECT_TRUE(enabled(gButt_ComDetect));
}

TEST_F(Diagnostics, FindsACashRegisterByItsStatus) {
    start_sim({"--register", "--model", "11"}, true);
    use_registers();
    press(ID_DETECT);
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Komunikat] Wykryto połączenie z kasą fiskalną\nTORMA DT EJ"});
}

TEST_F(Diagnostics, PrinterTestTracesUniqueNumberNameAndVersion) {
    start_sim({"--printer", "--name", "TARVIX HD", "--fw-version", "2.05", "--unique", "BBA123456789"});
    s("old text");
    press(ID_TEST);
    const std::string t = host.trace();
    EXPECT_EQ(t.rfind("Connection test...\r\nPlease wait.\r\n\r\n", 0), 0u);
    EXPECT_NE(t.find("\r\nFiscal printer : TARVIX HD 2.05\r\nUnique number : BBA123456789\r\n"),
              std::string::npos);
    const std::string ok =
        "Test połączenia zakończony sukcesem!\nMożliwa komunikacja z drukarką fiskalną\nTARVIX HD";
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] " + ok});
    EXPECT_EQ(t.substr(t.size() - ok.size()), ok);
    EXPECT_TRUE(same_frames(frames(), printer_frames({"scomm\t", "sid\t"})));
}

TEST_F(Diagnostics, RegisterTestShowsTheModelName) {
    start_sim({"--register", "--model", "5"}, true);
    use_registers();
    press(ID_TEST);
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{"[Komunikat] Test połączenia zakończony sukcesem!\nMożliwa "
                                       "komunikacja z kasą fiskalną\nTARVIX TORMA"});
    EXPECT_NE(host.trace().find("Fiscal printer : TORMA 3.02\r\nUnique number : \r\n"), std::string::npos);
}

TEST_F(Diagnostics, FailedTestsShowTheFamilysBox) {
    point_com(3, dir.file("nothing-here"));
    set_sel(gComb_COM, 2);
    press(ID_TEST);
    const std::string printer_failed =
        "[Błąd!] Test połączenia zakończony niepowodzeniem!\nBrak komunikacji z drukarką.";
    EXPECT_EQ(box_texts(), std::vector<std::string>{printer_failed});
    host.clear();
    // "sid" answered with the reply to "scomm": a wrong reply, no success with an empty name.
    start_sim({"--printer", "--wrong-reply", "2:scomm"});
    press(ID_TEST);
    EXPECT_EQ(box_texts(),
              (std::vector<std::string>{"[UWAGA!] Błędna odpowiedź z drukarki fiskalnej!", printer_failed}));
    host.clear();
    start_sim({"--register", "--no-reply", "*"});
    use_registers();
    set_sel(gComb_Timeout, 0);  // a silent register costs one 700 ms wait
    press(ID_TEST);
    EXPECT_EQ(box_texts(),
              std::vector<std::string>{
                  "[Błąd!] Test połączenia zakończony niepowodzeniem!\nBrak komunikacji z kasą."});
    EXPECT_EQ(job_outcome, JobOutcome::Failed);
}

}  // namespace
