// The console tool run as a user runs it: a child process against the simulator, over TCP
// and over a pseudo-terminal mapped as a COM port; its printed boxes, exit status, the
// settings it writes and the bytes the simulator received.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "printer/Fpos.h"
#include "support/recording_host.h"
#include "support/run_process.h"
#include "support/sim_process.h"
#include "common/paths.h"
#include "support/platform.h"

using namespace tv::test;

namespace {

const std::string kCli = TV_CLI_PATH;
const std::string kExamples = std::string(TV_SOURCE_DIR) + "/examples/";

class Cli : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(dir.file("ports")); }

    void start_sim(std::vector<std::string> args, bool over_pty = false) {
        args.insert(args.end(), {"--log", dir.file("requests.log")});
        if (over_pty) args.insert(args.end(), {"--pty", dir.file("ports/com3")});
        else args.insert(args.end(), {"--tcp", "0"});
        sim = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sim->ok()) << sim->error();
    }
    std::vector<std::string> tcp() const {
        return {"--ethernet", "--ip", "127.0.0.1", "--tcp-port", std::to_string(sim->port())};
    }
    RunResult cli(std::vector<std::string> args, int interrupt_after_ms = -1) {
        args.insert(args.begin(), {"--dir", dir.path()});
        return run_program(kCli, args, dir.path(), std::chrono::seconds(60), interrupt_after_ms);
    }
    std::size_t frames_received() const { return read_request_log(dir.file("requests.log")).size(); }
    static std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    TempDir dir;
    std::unique_ptr<SimProcess> sim;
};

TEST_F(Cli, HelpListsEveryCommandAndOptionInPolish) {
    const RunResult r = run_program(kCli, {"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"Użycie:", "send PLIK", "clear", "set", "report", "detect", "test", "--dir", "--serial",
                             "--ethernet", "--printer", "--register", "--port", "--baud", "--timeout", "--ip",
                             "--tcp-port", "--slot", "--header", "--footer", "--print", "--no-print",
                             "--test-print", "--no-test-print", "--yes", "--trace", "\"Wyślij >>\""})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(Cli, UsageErrorsExitTwoAndTouchNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus", "test"},
        {"--baud", "1234", "test"},
        {"--timeout", "0", "test"},
        {"--port", "COM100", "test"},
        {"--ip", "300.1.1.1", "test"},
        {"--ip", "010.1.1.1", "test"},
        {"--tcp-port", "65536", "test"},
        {"--tcp-port", "0", "test"},
        {"send"},
        {"clear", "extra.bmp"},
        {"--slot", "all", "send", "a.bmp"},
        {"--header", "7", "set"},
        {"--slot", "9", "clear"},
        {"fly"},
        {},
        {"--register", "report"},
        {"--ethernet", "detect"},
    };
    for (const auto& args : bad) {
        const RunResult r = cli(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined;
        EXPECT_NE(r.err.find("tarvix-vizaze-cli: "), std::string::npos) << joined;
        EXPECT_EQ(r.out, "") << joined;
        EXPECT_FALSE(std::filesystem::exists(dir.file("settings.cfg"))) << joined;
    }
}

TEST_F(Cli, SendOverTcpPrintsTheBoxAndKeepsTheSettings) {
    start_sim({"--printer"});
    const RunResult r = cli(concat(tcp(), {"--printer", "--slot", "2", "--timeout", "3", "send",
                                           kExamples + "sklep_384x96.bmp"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[Komunikat] Grafika została poprawnie zaprogramowana!\n\n");
    EXPECT_EQ(frames_received(), 10u);  // cancel, then 4608 payload bytes in 9 lines
    const std::string cfg = read_file(dir.file("settings.cfg"));
    EXPECT_NE(cfg.find(native_lines("[Interface]=1\n")), std::string::npos);
    EXPECT_NE(cfg.find(native_lines("[Tiemout]=3\n")), std::string::npos);
    EXPECT_NE(cfg.find(native_lines("[TCP_Port]=" + std::to_string(sim->port()) + "\n")), std::string::npos);
}

TEST_F(Cli, SendOverAPseudoTerminalMappedAsCom3) {
    TV_POSIX_ONLY("serial link over a pseudo-terminal");
    start_sim({"--printer", "--store", dir.path()}, true);
    const RunResult r = cli({"--serial", "--port", "COM3", "--baud", "115200", "--print", "send",
                             kExamples + "dziekujemy_320x64.bmp"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");  // "drukuj po wysłaniu": no box
    EXPECT_EQ(frames_received(), 7u);  // cancel, 2560 payload bytes in 5 lines, report
    EXPECT_TRUE(std::filesystem::exists(dir.file("slot1.pbm")));
}

TEST_F(Cli, RejectedPictureFailsWithTheChecksMessage) {
    start_sim({"--printer"});
    const RunResult r = cli(concat(tcp(), {"send", std::string(TV_SOURCE_DIR) + "/tests/data/wide_641x10_im.bmp"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Błąd!] Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n\n\n");
    EXPECT_EQ(frames_received(), 0u);
}

TEST_F(Cli, ReadsWhatTheWindowReadsAndRefusesWhatItRefuses) {
    // A top-down V5 file is stored as its bottom-up twin is.
    const std::string variants = std::string(TV_SOURCE_DIR) + "/tests/data/variants/";
    start_sim({"--register", "--store", dir.path()});
    for (const auto& [slot, file] : {std::pair{"1", "v5_black0_13x7_im.bmp"}, std::pair{"2", "topdown_v5_13x7.bmp"}}) {
        const RunResult r = cli(concat(tcp(), {"--register", "--slot", slot, "send", variants + file}));
        EXPECT_EQ(r.status, 0) << file << r.out << r.err;
    }
    // The stored pictures past their comment line (which names the slot).
    const auto stored = [&](const char* name) {
        const std::string pbm = read_file(dir.file(name));
        const std::size_t at = pbm.find("\n13 7\n");
        return at == std::string::npos ? "<no 13 x 7 picture>" : pbm.substr(at);
    };
    ASSERT_TRUE(std::filesystem::exists(dir.file("slot1.pbm")));
    EXPECT_EQ(stored("slot2.pbm"), stored("slot1.pbm"));

    // A folder, and a file that is no BMP: the check's box, nothing sent.
    const std::size_t before = frames_received();
    std::filesystem::create_directory(dir.file("logo.bmp"));
    write_file(dir.file("note.bmp"), "logo\n");
    const std::pair<std::string, std::string> refused[] = {
        {dir.file("logo.bmp"), "[Błąd!] Nie można otworzyć pliku! :\n" + dir.file("logo.bmp") + "\n\n"},
        {dir.file("note.bmp"), "[Błąd!] Plik nie jest bitmapą BMP !!!\n\n\n"},
    };
    for (const auto& [file, box] : refused) {
        const RunResult r = cli(concat(tcp(), {"--register", "send", file}));
        EXPECT_EQ(r.status, 1) << file;
        EXPECT_EQ(r.out, box);
    }
    EXPECT_EQ(frames_received(), before);
}

TEST_F(Cli, DeviceErrorFailsWithTheComposedBox) {
    start_sim({"--register", "--fail", "1:3252"});
    const RunResult r = cli(concat(tcp(), {"--register", "--slot", "4", "clear"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 4.\n\ngrafika tylko do odczytu\n\n"
              "BŁĄD : 3252 ERR_IMG_READ_ONLY\n\n");
}

TEST_F(Cli, ClearAllAndSetOnACashRegister) {
    start_sim({"--register"});
    RunResult r = cli(concat(tcp(), {"--register", "--slot", "all", "clear"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[Komunikat] Kasowanie grafik zostało zakończne pomyślnie!\n\n");
    r = cli(concat(tcp(), {"--register", "--slot", "1", "send", kExamples + "sklep_384x96.bmp"}));
    EXPECT_EQ(r.status, 0) << r.out;
    r = cli({"--header", "1", "--footer", "none", "set"});  // the rest comes from settings.cfg
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "[Komunikat] Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!\n\n");
    EXPECT_EQ(frames_received(), 6u + 1 + 18 + 2);  // clear, slot set, 18 blocks, header, footer
}

TEST_F(Cli, TimeoutQuestionIsPrintedAndAnsweredAsTold) {
    start_sim({"--printer", "--no-reply", "1", "--delay", "2:1500"});
    RunResult r = cli(concat(tcp(), {"--timeout", "1", "clear"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Warning] TIMEOUT! Try again?\n\n");
    r = cli(concat(tcp(), {"--timeout", "1", "--yes", "clear"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "[Warning] TIMEOUT! Try again?\n\n[Komunikat] Kasowanie grafiki zostało zakończne pomyślnie!\n\n");
}

TEST_F(Cli, ConnectionTestWritesTheTrace) {
    start_sim({"--printer", "--name", "TARVIX HD"});
    const RunResult r = cli(concat(tcp(), {"--trace", dir.file("trace.txt"), "test"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[Komunikat] Test połączenia zakończony sukcesem!\nMożliwa komunikacja z drukarką fiskalną\nTARVIX HD\n\n");
    const std::string trace = read_file(dir.file("trace.txt"));
    EXPECT_EQ(trace.rfind("Connection test...\r\nPlease wait.\r\n\r\n", 0), 0u);
    EXPECT_NE(trace.find("Fiscal printer : TARVIX HD"), std::string::npos);
}

TEST_F(Cli, NoDeviceFailsWithTheConnectionBox) {
    const RunResult r = run_program(kCli, {"--dir", dir.path(), "--ethernet", "--ip", "127.0.0.1", "--tcp-port", "1", "clear"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Błąd] Brak połączenia z drukarką fiskalną!\n\n");
}

TEST_F(Cli, CtrlCStopsADetectionScan) {
    TV_POSIX_ONLY("Ctrl-C is sent as SIGINT");
    start_sim({"--printer", "--no-reply", "*"}, true);
    std::filesystem::create_symlink(dir.file("ports/com3"), dir.file("ports/com1"));
    const RunResult r = cli({"--serial", "detect"}, 250);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Komunikat] Zatrzymano proces detekcji połączenia!\n\n");
}

TEST_F(Cli, CtrlCEndsAnyOtherJobAfterTheCurrentExchange) {
    TV_POSIX_ONLY("Ctrl-C is sent as SIGINT");
    start_sim({"--printer", "--delay", "*:300"});
    const RunResult r = cli(concat(tcp(), {"--slot", "all", "clear"}), 450);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // The line under way was answered; then the printer was told to cancel.
    const auto f = read_request_log(dir.file("requests.log"));
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[2], tv::tarv_frame("prncancel\t"));
    // The link was closed: the simulator takes the next connection at once.
    const RunResult again = cli(concat(tcp(), {"--slot", "1", "report"}));
    EXPECT_EQ(again.status, 1);  // slot 1 is empty: the printer refuses its report
    EXPECT_NE(again.out.find("ERR_IMG_SLOT_EMPTY"), std::string::npos);
}

}  // namespace

// A shop's folder and picture named in Polish: the arguments reach the tool whole (on
// Windows as UTF-16, turned into UTF-8), the picture is read, the settings are written
// in that folder, and the box shows the Polish letters.
TEST_F(Cli, PolishLettersInTheFolderAndTheFileName) {
    start_sim({"--printer"});
    const std::string shop = dir.file("kasa_ąę");
    std::filesystem::create_directory(tv::fs_path(shop));
    const std::string picture = shop + "/żółty_sklep.bmp";
    write_file(picture, read_file(kExamples + "sklep_384x96.bmp"));
    const RunResult r = run_program(kCli, concat(tcp(), {"--dir", shop, "--slot", "3", "send", picture}),
                                    shop, std::chrono::seconds(60));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[Komunikat] Grafika została poprawnie zaprogramowana!\n\n");
    EXPECT_EQ(frames_received(), 10u);
    EXPECT_NE(read_file(shop + "/settings.cfg").find(native_lines("[Interface]=1\n")), std::string::npos);
}

// "ports": one line per port that exists; a ports/comN link counts when its target does.
TEST_F(Cli, PortsListsEachPortOnceWithItsDeviceAndDescription) {
    TV_POSIX_ONLY("ports/comN links name devices on POSIX systems");
    write_file(dir.file("adapter"), "");
    std::filesystem::create_symlink(dir.file("adapter"), dir.file("ports/com7"));
    std::filesystem::create_symlink(dir.file("gone"), dir.file("ports/com8"));
    const RunResult r = cli({"ports"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string adapter = std::filesystem::canonical(dir.file("adapter")).string();
    char line[512];
    std::snprintf(line, sizeof line, "%-6s %-24s %s\n", "COM7", adapter.c_str(), "dowiązanie ports/com7");
    EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("COM8 "), std::string::npos) << r.out;  // its target is gone
}

// Whatever the system has (none at all is fine), each line names a port and its device.
TEST_F(Cli, PortsExitsZeroWithOneWellFormedLinePerPort) {
    const RunResult r = cli({"ports"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::size_t start = 0;
    for (std::size_t nl; (nl = r.out.find('\n', start)) != std::string::npos; start = nl + 1) {
        const std::string line = r.out.substr(start, nl - start);
        EXPECT_TRUE(line.rfind("COM", 0) == 0 || line.rfind("- ", 0) == 0) << line;
        EXPECT_GT(line.size(), 7u) << line;  // the device follows the name
    }
    EXPECT_EQ(start, r.out.size());  // every line ended
}
