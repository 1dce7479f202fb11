// The console tool run as a user runs it: a child process against the simulator, over TCP
// and over a pseudo-terminal mapped as a COM port; its printed boxes, exit status, the
// settings it writes and the bytes the simulator received.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "codecs/printer/Fpos.h"
#include "common/paths.h"
#include "console_host.h"
#include "image/bmp_check.h"
#include "image/convert.h"
#include "image/gr_grid.h"
#include "options.h"
#include "support/fixture.h"
#include "support/platform.h"
#include "support/recording_host.h"
#include "support/run_process.h"
#include "support/sim_process.h"
#include "support/wire_oracle.h"

using namespace tv::test;
using Json = nlohmann::ordered_json;

namespace {

const std::string kCli = TV_CLI_PATH;
const std::string kExamples = std::string(TV_SOURCE_DIR) + "/examples/";
const std::string kPictures = std::string(TV_SOURCE_DIR) + "/tests/data/pictures/";

class Cli : public Test {
  protected:
    Cli() { make_folders(); }

    void start_sim(std::vector<std::string> args, bool over_pty = false) {
        sim = std::make_unique<SimProcess>(
            test_sim_args(std::move(args), dir.path(), over_pty ? com_link(3) : ""));
        ASSERT_TRUE(sim->ok()) << sim->error();
    }
    std::vector<std::string> tcp() const {
        return {"--ethernet", "--ip", "127.0.0.1", "--tcp-port", std::to_string(sim->port())};
    }
    // Runs the tool in the test's folder; with interrupt_when, Ctrl-C (or the signal given)
    // once that holds.
    RunResult cli(std::vector<std::string> args, const std::function<bool()>& interrupt_when = {},
                  int signal_number = SIGINT) {
        args.insert(args.begin(), {"--dir", dir.path()});
        return run_program(kCli, args, dir.path(), std::chrono::seconds(30), interrupt_when, signal_number);
    }
    std::vector<std::string> frames() const { return read_request_log(dir.file("requests.log")); }
    std::size_t frames_received() const { return frames().size(); }
    static std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    std::unique_ptr<SimProcess> sim;
};

// Every option the help names is one the tool takes (a wrong value may be refused, the
// option itself never), and --help and --version answer.
TEST_F(Cli, EveryOptionTheHelpShowsIsAccepted) {
    const RunResult r = run_program(kCli, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Użycie:", 0), 0u) << r.out;
    const std::regex word("(^|[\\s\\[(,])(--[a-z][a-z-]*)");
    std::set<std::string> shown;
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), word); it != std::sregex_iterator(); ++it)
        shown.insert((*it)[2]);
    EXPECT_GE(shown.size(), 30u);
    for (const std::string& option : shown) {
        std::vector<std::string> words = {"tarvix-vizaze-cli", option, "1", "test"};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        tv::cli::Options o;
        std::string error;
        tv::cli::parse(static_cast<int>(argv.size()), argv.data(), o, error);
        EXPECT_EQ(error.find("Nieznana opcja"), std::string::npos) << option << ": " << error;
    }
    const RunResult v = run_program(kCli, {"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_TRUE(std::regex_match(v.out, std::regex("tarvix-vizaze-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << v.out;
}

TEST_F(Cli, UsageErrorsExitTwoWithTheirMessageAndTouchNothing) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--bogus", "test"}, "Nieznana opcja: --bogus"},
        {{"test", "-x"}, "Nieznana opcja: -x"},
        {{"--baud", "1234", "test"}, "Niepoprawna prędkość: 1234"},
        {{"--timeout", "0", "test"}, "Niepoprawny timeout: 0 (1..99)"},
        {{"--timeout", "100", "test"}, "Niepoprawny timeout: 100 (1..99)"},
        {{"--port", "COM100", "test"}, "Niepoprawny port: COM100 (dozwolone COM1..COM99)"},
        {{"--port", "COM03", "test"}, "Niepoprawny port: COM03 (dozwolone COM1..COM99)"},
        {{"--ip", "300.1.1.1", "test"}, "Niepoprawny adres IP: 300.1.1.1"},
        {{"--ip", "1.2.3", "test"}, "Niepoprawny adres IP: 1.2.3"},
        {{"--tcp-port", "0", "test"}, "Niepoprawny port TCP: 0"},
        {{"--tcp-port", "65536", "test"}, "Niepoprawny port TCP: 65536"},
        {{"send"}, "Brak pliku BMP dla polecenia send"},
        {{"clear", "extra.bmp"}, "Nadmiarowy argument: extra.bmp"},
        {{"--slot", "all", "send", "a.bmp"}, "Polecenie send programuje jeden slot (1..6), nie \"all\""},
        {{"--header", "7", "set"}, "Niepoprawna grafika nagłówka: 7"},
        {{"--footer", "x", "set"}, "Niepoprawna grafika stopki: x"},
        {{"--slot", "9", "clear"}, "Niepoprawny numer grafiki: 9"},
        {{"--slot", "0", "clear"}, "Niepoprawny numer grafiki: 0"},
        {{"fly"}, "Nieznane polecenie: fly"},
        {{}, "Brak polecenia"},
        {{"test", "--trace"}, "Brak wartości opcji --trace"},
        {{"test", "--slot"}, "Brak wartości opcji --slot"},
        {{"--trace", "brak/slad.txt", "test"}, "Nie można zapisać pliku śladu: brak/slad.txt"},
        {{"--trace", "LOGS", "test"}, "Nie można zapisać pliku śladu: LOGS"},
        {{"--register", "report"}, "Raport grafik jest dostępny tylko dla drukarek (--printer)"},
        // The scan's refusals come before any connect (and name loopback blocks only).
        {{"scan", "127.0.0.0/21"},
         "Blok \"127.0.0.0/21\" jest za duży: bez wyraźnej zgody sieć przeszukuje się najwyżej blokami /22 "
         "(1024 adresy)"},
        {{"scan", "127.0.0.1", "--ports", "0"}, "Niewłaściwy port TCP: \"0\" (1..65535)"},
        {{"--ports", "6666", "test"},
         "Opcje --ports, --connect-timeout, --devices-out i --large działają tylko z "
         "poleceniem scan"},
        {{"--parallel", "3", "test"}, "Opcja --parallel działa tylko z --devices"},
        {{"--devices", "l.csv", "--parallel", "0", "test"}, "Niepoprawna liczba urządzeń naraz: 0 (1..64)"},
        {{"--devices", "l.csv", "--parallel", "65", "test"}, "Niepoprawna liczba urządzeń naraz: 65 (1..64)"},
        {{"--devices", "l.csv", "--ip", "1.2.3.4", "test"},
         "Opcja --ip nie działa z --devices: połączenie każdego urządzenia podaje lista"},
        {{"--register", "--devices", "l.csv", "test"},
         "Opcja --register nie działa z --devices: połączenie każdego urządzenia podaje lista"},
        {{"--devices", "l.csv", "detect"}, "Polecenie detect nie działa z --devices"},
        {{"--devices", "missing.csv", "test"}, "Nie można odczytać listy urządzeń: missing.csv"},
        {{"--devices"}, "Brak wartości opcji --devices"},
        {{"--ip", "010.1.1.1", "test"}, "Niepoprawny adres IP: 010.1.1.1"},
        {{"convert", "a.png"}, "Polecenie convert potrzebuje dwóch plików: OBRAZ WYNIK.bmp"},
        {{"--width", "0", "convert", "a.png", "b.bmp"}, "Niepoprawna szerokość: 0 (1..640)"},
        {{"--width", "641", "convert", "a.png", "b.bmp"}, "Niepoprawna szerokość: 641 (1..640)"},
        {{"--dither", "bayer", "convert", "a.png", "b.bmp"},
         "Nieznana metoda: bayer (floyd, atkinson, ordered, threshold)"},
        {{"--threshold", "256", "--dither", "threshold", "convert", "a.png", "b.bmp"},
         "Niepoprawny próg: 256 (0..255)"},
        {{"--threshold", "100", "convert", "a.png", "b.bmp"},
         "Opcja --threshold działa tylko z --dither threshold"},
        {{"--invert", "send", "a.bmp"},
         "Opcje --width, --dither, --threshold i --invert działają tylko z convert albo send --convert"},
        {{"--convert", "clear"}, "Opcja --convert działa tylko z poleceniem send"},
        {{"--register", "--width", "385", "convert", kPictures + "card_rgb.png", "b.bmp"},
         "Szerokość 385 przekracza największą szerokość logo (384 pikseli) dla tego urządzenia"},
        {{"convert", kPictures + "card_rgb.png", kPictures + "card_rgb.png"},
         "Plik wynikowy nie może być obrazem źródłowym: " + kPictures + "card_rgb.png"},
        {{"--devices", "l.csv", "convert", "a.png", "b.bmp"}, "Polecenie convert nie działa z --devices"},
        {{"--devices", "l.csv", "--convert", "send", "a.png"},
         "Opcja --convert nie działa z --devices: zamień obraz raz poleceniem convert"},
    };
    for (const auto& [args, message] : bad) {
        const RunResult r = cli(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined;
        EXPECT_EQ(r.err, "tarvix-vizaze-cli: " + message + "\nPomoc: tarvix-vizaze-cli --help\n") << joined;
        EXPECT_EQ(r.out, "") << joined;
        EXPECT_FALSE(std::filesystem::exists(dir.file("settings.cfg"))) << joined;
        // With --json the same, and standard output is one document that says it.
        const RunResult j = cli(concat({"--json"}, args));
        EXPECT_EQ(j.status, 2) << joined;
        EXPECT_EQ(j.err, r.err) << joined;
        const Json doc = Json::parse(j.out, nullptr, false);
        ASSERT_TRUE(doc.is_object()) << joined << j.out;
        EXPECT_EQ(doc.value("exit", 0), 2) << joined;
        EXPECT_EQ(doc.value("outcome", ""), "usage_error") << joined;
        EXPECT_EQ(doc.value("error", ""), message) << joined;
        EXPECT_EQ(doc.value("reason", ""), message) << joined;
    }
    const RunResult r = run_program(kCli, {"--dir", dir.file("missing"), "test"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tarvix-vizaze-cli: Katalog nie istnieje: " + dir.file("missing") +
                         "\nPomoc: tarvix-vizaze-cli --help\n");
}

// --json is heard wherever it stands, also after the word that is wrong; "ports" lists the
// ports as an array, empty when there are none.
TEST_F(Cli, JsonIsOneDocumentWhereverItStands) {
    const RunResult r = cli({"--serial=1", "--json", "test"});
    EXPECT_EQ(r.status, 2);
    const Json doc = Json::parse(r.out, nullptr, false);
    ASSERT_TRUE(doc.is_object()) << r.out;
    EXPECT_EQ(doc.value("outcome", ""), "usage_error");
    EXPECT_EQ(doc.value("error", ""), "Nieznana opcja: --serial=1");
    RunResult p = cli({"--json", "ports"});
#ifndef _WIN32
    // A system with no serial port at all: an empty /sys/class/tty, in a user and mount
    // namespace of the tool's own (where the system allows one).
    const RunResult none = run_program(
        "/usr/bin/unshare",
        {"-Urm", "sh", "-c", "mount -t tmpfs none /sys/class/tty && exec \"$0\" --dir \"$1\" --json ports",
         kCli, dir.path()});
    if (none.status == 0) p = none;
#endif
    EXPECT_EQ(p.status, 0);
    const Json ports = Json::parse(p.out, nullptr, false);
    ASSERT_TRUE(ports.is_object()) << p.out;
    EXPECT_TRUE(ports["ports"].is_array()) << p.out;
#ifndef _WIN32
    if (none.status == 0) {
        EXPECT_EQ(ports["ports"], Json::array());
    }
#endif
}

TEST_F(Cli, LastOfTwoOpposingOptionsWins) {
    start_sim({"--printer"});
    // --serial then --ethernet: the job goes over TCP; the reverse order would scan no port.
    RunResult r = cli(concat({"--serial"}, concat(tcp(), {"--no-print", "--print", "--printer", "--slot", "1",
                                                          "send", kExamples + "sklep_384x96.bmp"})));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");  // "drukuj po wysłaniu" was the last word: no box
    const std::string cfg = read_file(dir.file("settings.cfg"));
    EXPECT_NE(cfg.find("[Interface]=1"), std::string::npos);
    EXPECT_NE(cfg.find("[GR_Print]=1"), std::string::npos);
    TV_NEEDS_PTY();  // a COM port led to nothing
    point_com(7, dir.file("nothing"));
    r = cli({"--ethernet", "--serial", "--port", "COM7", "test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(read_file(dir.file("settings.cfg")).find("[Interface]=0"), std::string::npos);
}

// Over TCP, or over a pseudo-terminal mapped as COM3 with "drukuj po wysłaniu".
class CliSend : public Cli, public ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(Links, CliSend, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Pty" : "Tcp"; });

TEST_P(CliSend, SendsThePictureAndKeepsTheSettings) {
    const bool pty = GetParam();
    if (pty) TV_NEEDS_PTY();
    start_sim({"--printer", "--store", dir.path()}, pty);
    const auto link =
        pty ? std::vector<std::string>{"--serial", "--port", "COM3", "--baud", "115200", "--print"} : tcp();
    const RunResult r =
        cli(concat(link, {"--slot", "2", "--timeout", "3", "send", kExamples + "sklep_384x96.bmp"}));
    EXPECT_EQ(r.status, 0) << r.err;
    // With the printout asked for, the printout is the answer: no box.
    EXPECT_EQ(r.out, pty ? "" : "[Komunikat] Grafika została poprawnie zaprogramowana!\n\n");
    const auto f = frames();  // cancel, 4608 payload bytes in 9 lines, the report
    ASSERT_EQ(f.size(), pty ? 11u : 10u);
    EXPECT_EQ(f[0], printer_frame("prncancel\t"));
    if (pty) {
        EXPECT_EQ(f[10], printer_frame("imgprogrep\tno2\t"));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("slot2.pbm")));
    const std::string cfg = read_file(dir.file("settings.cfg"));
    EXPECT_NE(cfg.find(native_lines(
                  pty ? "[Interface]=0\n[Protocol]=0\n[COM]=COM3\n[Baudrate]=115200\n[Tiemout]=3\n"
                      : "[Interface]=1\n[Protocol]=0\n")),
              std::string::npos);
    if (!pty) {
        EXPECT_NE(cfg.find(native_lines("[TCP_Port]=" + std::to_string(sim->port()) + "\n")),
                  std::string::npos);
    }
}

// settings.cfg that cannot be written (its new copy blocked while the old file names another
// device; a folder in its place): the job says so and still talks to the device asked for,
// printer or cash register.
TEST_F(Cli, UnwritableSettingsStillReachTheChosenDevice) {
    for (const std::string kind : {"--printer", "--register"}) {
        SCOPED_TRACE(kind);
        const auto sim_storing = [&](const std::string& name) {
            auto p = std::make_unique<SimProcess>(std::vector<std::string>{
                kind, "--tcp", "0", "--store", dir.file(name), "--log", dir.file(name + ".log")});
            EXPECT_TRUE(p->ok()) << p->error();
            return p;
        };
        const auto chosen = sim_storing(kind + "chosen"), other = sim_storing(kind + "other");
        const auto to = [&](const SimProcess& p) {
            return std::vector<std::string>{kind,        "--ethernet", "--ip",
                                            "127.0.0.1", "--tcp-port", std::to_string(p.port())};
        };
        ASSERT_EQ(cli(concat(to(*other), {"test"})).status, 0);  // settings.cfg now names the other one
        const std::size_t other_frames = read_request_log(dir.file(kind + "other.log")).size();
        const std::string saved_box = "[Błąd!] Nie można zapisać ustawień!\n\n";
        for (const char* blocker : {"settings.cfg.new", "settings.cfg"}) {
            if (std::string(blocker) == "settings.cfg") std::filesystem::remove(dir.file(blocker));
            std::filesystem::create_directory(dir.file(blocker));
            const std::string slot = blocker == std::string("settings.cfg") ? "2" : "1";
            RunResult r = cli(concat(to(*chosen), {"--slot", slot, "send", kExamples + "sklep_384x96.bmp"}));
            EXPECT_EQ(r.status, 0) << blocker << r.out;
            // Said once, although the job and the tool's end both tried to save.
            EXPECT_EQ(r.out, saved_box + "[Komunikat] Grafika została poprawnie zaprogramowana!\n\n")
                << blocker << r.out;
            EXPECT_EQ(read_stored_slot(dir.file(kind + "chosen/slot" + slot + ".pbm")).w, 384) << blocker;
            r = cli(concat(to(*chosen), {"test"}));
            EXPECT_EQ(r.status, 0) << blocker << r.out;
            EXPECT_NE(r.out.find("[Komunikat] Test połączenia zakończony sukcesem!"), std::string::npos)
                << r.out;
            std::filesystem::remove(dir.file(blocker));
        }
        EXPECT_EQ(read_request_log(dir.file(kind + "other.log")).size(), other_frames);
        EXPECT_EQ(read_stored_slot(dir.file(kind + "other/slot1.pbm")).w, 0);
        std::filesystem::remove(dir.file("settings.cfg"));
    }
}

TEST_F(Cli, RejectedPictureFailsWithTheChecksMessage) {
    start_sim({"--printer"});
    const RunResult r =
        cli(concat(tcp(), {"send", std::string(TV_SOURCE_DIR) + "/tests/data/wide_641x10_im.bmp"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Błąd!] Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n\n\n");
    EXPECT_EQ(frames_received(), 0u);
}

TEST_F(Cli, ReadsWhatTheWindowReads) {
    // A top-down V5 file is stored as its bottom-up twin is.
    const std::string variants = std::string(TV_SOURCE_DIR) + "/tests/data/variants/";
    start_sim({"--register", "--store", dir.path()});
    for (const auto& [slot, file] :
         {std::pair{"1", "v5_black0_13x7_im.bmp"}, std::pair{"2", "topdown_v5_13x7.bmp"}}) {
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
}

// A box quoting a file name that is not UTF-8: the JSON document stays valid, the stray
// byte shown as U+FFFD.
TEST_F(Cli, JsonStaysValidForAFileNameThatIsNotUtf8) {
    TV_POSIX_ONLY("file names are bytes on POSIX systems");
    const RunResult r = cli({"--json", "send", dir.file("logo_\xff.bmp")});
    EXPECT_EQ(r.status, 1);
    const nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    EXPECT_EQ(doc["boxes"][0]["text"], "Nie można otworzyć pliku! :\n" + dir.file("logo_\xEF\xBF\xBD.bmp"));
}

TEST_F(Cli, DeviceErrorFailsWithTheComposedBox) {
    start_sim({"--register", "--fail", "1:3252"});
    const RunResult r = cli(concat(tcp(), {"--register", "--slot", "4", "clear"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 4.\n\ngrafika tylko do odczytu\n\n"
              "BŁĄD : 3252 ERR_IMG_READ_ONLY\n\n");
    sim->stop();  // takes in all that reached it
    EXPECT_EQ(frames(), std::vector<std::string>{register_frame(4602, {B(4)})});
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
    const auto f = frames();  // clear, slot set, 18 blocks, header, footer
    ASSERT_EQ(f.size(), 6u + 1 + 18 + 2);
    for (unsigned slot = 1; slot <= 6; ++slot) EXPECT_EQ(f[slot - 1], register_frame(4602, {B(slot)}));
    EXPECT_EQ(f[6], register_frame(4600, {B(1), V(384), V(96)}));
    EXPECT_EQ(f[25], register_frame(4603, {B(1), B(1)}));
    EXPECT_EQ(f[26], register_frame(4604, {B(0), B(1)}));
}

TEST_F(Cli, TimeoutQuestionIsPrintedAndAnsweredAsTold) {
    start_sim({"--printer", "--no-reply", "1", "--delay", "2:1500"});
    RunResult r = cli(concat(tcp(), {"--timeout", "1", "clear"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Warning] TIMEOUT! Try again?\n\n[UWAGA!] Brak odpowiedzi z drukarki fiskalnej!\n\n");
    r = cli(concat(tcp(), {"--timeout", "1", "--yes", "clear"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out,
        "[Warning] TIMEOUT! Try again?\n\n[Komunikat] Kasowanie grafiki zostało zakończne pomyślnie!\n\n");
}

// A device that never answers: --yes waits again a bounded number of times (the number the
// help gives), then the job fails.
TEST_F(Cli, YesGivesUpOnASilentDevice) {
    start_sim({"--printer", "--no-reply", "*"});
    const RunResult r = cli(concat(tcp(), {"--timeout", "1", "--yes", "clear"}));
    EXPECT_EQ(r.status, 1);
    // Asked once more than answered "Tak": that last question is answered "Nie", and the
    // job ends saying why.
    std::string asked;
    for (int i = 0; i <= tv::cli::kYesAnswers; ++i) asked += "[Warning] TIMEOUT! Try again?\n\n";
    EXPECT_EQ(r.out, asked + "[UWAGA!] Brak odpowiedzi z drukarki fiskalnej!\n\n");
    const std::string help = run_program(kCli, {"--help"}).out;
    EXPECT_NE(help.find("najwyżej " + std::to_string(tv::cli::kYesAnswers) + " razy"), std::string::npos);
}

TEST_F(Cli, ConnectionTestWritesTheTrace) {
    start_sim({"--printer", "--name", "TARVIX HD"});
    const RunResult r = cli(concat(tcp(), {"--trace", dir.file("trace.txt"), "test"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "[Komunikat] Test połączenia zakończony sukcesem!\nMożliwa komunikacja z drukarką "
              "fiskalną\nTARVIX HD\n\n");
    const std::string trace = read_file(dir.file("trace.txt"));
    EXPECT_EQ(trace.rfind("Connection test...\r\nPlease wait.\r\n\r\n", 0), 0u);
    EXPECT_NE(trace.find("Fiscal printer : TARVIX HD"), std::string::npos);
}

// --debug adds the core's diagnostics on standard error, among them the frames sent byte by
// byte; standard output is what it is without it.
TEST_F(Cli, DebugWritesTheFramesToStandardErrorOnly) {
    for (const char* protocol : {"--register", "--printer"}) {
        start_sim({protocol});
        const std::vector<std::string> job = concat(tcp(), {protocol, "test"});
        // TV_DEBUG=0 in the environment leaves the dumps off.
#ifdef _WIN32
        _putenv_s("TV_DEBUG", "0");
#else
        setenv("TV_DEBUG", "0", 1);
#endif
        const RunResult plain = cli(job);
#ifdef _WIN32
        _putenv_s("TV_DEBUG", "");
#else
        unsetenv("TV_DEBUG");
#endif
        const std::size_t before = frames_received();
        const RunResult debug = cli(concat({"--debug"}, job));
        EXPECT_EQ(debug.status, plain.status);
        EXPECT_EQ(debug.out, plain.out);
        EXPECT_EQ(plain.err, "");
        const auto f = frames();
        ASSERT_GT(f.size(), before);
        std::string err = debug.err;
        for (char& c : err) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_NE(err.find(hex(f[before])), std::string::npos) << protocol << debug.err;
        // Printable: no frame byte reaches the terminal as it is.
        for (char c : debug.err)
            EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20)
                << protocol << static_cast<int>(c);
    }
}

TEST_F(Cli, NoDeviceFailsWithTheConnectionBox) {
    const RunResult r = run_program(
        kCli, {"--dir", dir.path(), "--ethernet", "--ip", "127.0.0.1", "--tcp-port", "1", "clear"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Błąd] Brak połączenia z drukarką fiskalną!\n\n");
}

TEST_F(Cli, CtrlCStopsADetectionScan) {
    TV_POSIX_ONLY("Ctrl-C is sent as SIGINT");
    start_sim({"--printer", "--no-reply", "*"}, true);
    std::filesystem::create_symlink(dir.file("ports/com3"), dir.file("ports/com1"));
    // Ctrl-C once the scan has reached the silent device.
    const RunResult r = cli({"--serial", "detect"}, [&] { return frames_received() >= 1; });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Komunikat] Zatrzymano proces detekcji połączenia!\n\n");
}

TEST_F(Cli, CtrlCEndsAnyOtherJobAfterTheCurrentExchange) {
    TV_POSIX_ONLY("Ctrl-C is sent as SIGINT");
    start_sim({"--printer", "--delay", "*:1000"});
    // Ctrl-C while the second command waits for its reply.
    const RunResult r =
        cli(concat(tcp(), {"--slot", "all", "clear"}), [&] { return frames_received() >= 2; });
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

// Ctrl-C, SIGTERM (a service manager stopping the tool) or SIGHUP (a dropped SSH session):
// the job ends after the current exchange and the one document says so.
TEST_F(Cli, CtrlCOrTermWithJsonPrintsADocumentSayingInterrupted) {
    TV_POSIX_ONLY("Ctrl-C is sent as SIGINT");
    for (const int signal_number : {SIGINT, SIGTERM, 1 /* SIGHUP */}) {
        SCOPED_TRACE(signal_number);
        start_sim({"--printer", "--delay", "*:1000"});
        const RunResult r = cli(
            concat(tcp(), {"--json", "--slot", "all", "clear"}), [&] { return frames_received() >= 2; },
            signal_number);
        EXPECT_EQ(r.status, 1);
        Json doc = Json::parse(r.out, nullptr, false);
        ASSERT_TRUE(doc.is_object()) << r.out;
        EXPECT_TRUE(doc["seconds"].is_number());
        doc.erase("seconds");
        EXPECT_EQ(doc, (Json{{"command", "clear"},
                             {"exit", 1},
                             {"boxes", Json::array()},
                             {"outcome", "interrupted"},
                             {"reason", "przerwano (Ctrl-C)"}}));
        sim.reset();
        std::filesystem::remove(dir.file("requests.log"));
    }
}

// The logo the core makes of a picture file, to compare with what the tool wrote or sent.
tv::logo::Logo expected_logo(const std::string& picture, const tv::logo::Options& o) {
    std::vector<std::uint8_t> b;
    tv::logo::Error e;
    tv::logo::Logo l;
    EXPECT_TRUE(tv::logo::read_file(picture, b, e) && tv::logo::convert(b.data(), b.size(), o, l, e))
        << e.message;
    return l;
}

TEST_F(Cli, ConvertWritesALogoTheReaderTakes) {
    const RunResult r = cli({"--width", "48", "--dither", "threshold", "--threshold", "100", "--invert",
                             "convert", kPictures + "card_rgba.png", dir.file("out.bmp")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "[Komunikat] Logo zapisano w pliku:\n" + dir.file("out.bmp") + "\n(48 x 32 pikseli)\n\n");
    tv::logo::Options o;
    o.width = 48;
    o.dither = tv::logo::Dither::Threshold;
    o.level = 100;
    o.invert = true;
    const std::vector<std::uint8_t> want = tv::logo::bmp_bytes(expected_logo(kPictures + "card_rgba.png", o));
    EXPECT_EQ(read_file(dir.file("out.bmp")), std::string(want.begin(), want.end()));
    // Only the file: the settings are not written by a conversion.
    EXPECT_FALSE(std::filesystem::exists(dir.file("settings.cfg")));
    tv::GrHeader hdr;
    char msg[tv::GR_MSG_SIZE] = {};
    EXPECT_EQ(tv::gr_check(dir.file("out.bmp"), hdr, msg), tv::RC_OK) << msg;
}

TEST_F(Cli, ConvertFitsTheProtocolsLimit) {
    struct Case {
        std::vector<std::string> protocol;
        std::string size;
    };
    std::filesystem::copy_file(kPictures + "card_24bit.bmp", dir.file("card.bmp"),
                               std::filesystem::copy_options::overwrite_existing);
    for (const Case& c : {Case{{"--printer", "--width", "640"}, "640 x 427"},
                          Case{{"--register", "--width", "384"}, "384 x 256"}}) {
        const RunResult r = cli(concat(c.protocol, {"convert", dir.file("card.bmp"), dir.file("out.bmp")}));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("(" + c.size + " pikseli)"), std::string::npos) << r.out;
    }
}

TEST_F(Cli, ADamagedPictureFailsAndLeavesNothing) {
    write_file(dir.file("old.bmp"), "kept");
    struct Case {
        std::string picture;
        std::string message;
    };
    for (const Case& c :
         {Case{kPictures + "card_cut.png", "Plik obrazu jest uszkodzony i nie można go odczytać."},
          Case{kPictures + "not_a_picture.txt",
               "Plik nie jest obrazem w obsługiwanym formacie (PNG, JPEG, GIF, BMP, TGA, PPM/PGM)."},
          Case{dir.file("missing.png"), "Nie można otworzyć pliku:\n" + dir.file("missing.png")}}) {
        for (const char* out : {"new.bmp", "old.bmp"}) {
            const RunResult r = cli({"convert", c.picture, dir.file(out)});
            EXPECT_EQ(r.status, 1) << c.picture;
            EXPECT_EQ(r.out, "[Błąd!] " + c.message + "\n\n");
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("new.bmp")));
        EXPECT_EQ(read_file(dir.file("old.bmp")), "kept");
    }
    std::size_t files = 0;
    for (const auto& f : std::filesystem::directory_iterator(dir.path())) files += f.is_regular_file();
    EXPECT_EQ(files, 1u);  // old.bmp alone: no part file is left
}

// Converted and programmed in one step: the simulator stores the very dots of the logo.
TEST_F(Cli, SendConvertProgramsTheConvertedLogo) {
    start_sim({"--printer", "--store", dir.file("store")});
    // The temporary logo goes to the test's folder, so that its removal can be seen.
    const std::string tmp = dir.file("tmp");
    std::filesystem::create_directory(tmp);
#ifndef _WIN32  // where the temporary folder is named by TMPDIR
    const char* old_tmp = std::getenv("TMPDIR");
    const std::string saved = old_tmp ? old_tmp : "";
    setenv("TMPDIR", tmp.c_str(), 1);
#endif
    const RunResult r = cli(concat(tcp(), {"--slot", "3", "--dither", "atkinson", "send", "--convert",
                                           kPictures + "card_palette.png", "--width", "120"}));
#ifndef _WIN32
    if (old_tmp)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
#endif
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "[Komunikat] Grafika została poprawnie zaprogramowana!\n\n");
    tv::logo::Options o;
    o.width = 120;
    o.dither = tv::logo::Dither::Atkinson;
    const tv::logo::Logo want = expected_logo(kPictures + "card_palette.png", o);
    const tv::test::StoredSlot slot = read_stored_slot(dir.file("store/slot3.pbm"));
    ASSERT_EQ(slot.w, 120);
    ASSERT_EQ(slot.h, 80);
    for (int y = 0; y < slot.h; ++y)
        for (int x = 0; x < slot.w; ++x) ASSERT_EQ(slot.dark(x, y), want.dark(x, y)) << x << "," << y;
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
#endif
}

TEST_F(Cli, SendConvertToACashRegisterFitsItsLimit) {
    start_sim({"--register", "--store", dir.file("store")});
    const RunResult r = cli(concat(tcp(), {"--register", "--slot", "1", "send", "--convert",
                                           kPictures + "card_rgb.jpg", "--width", "384"}));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const tv::test::StoredSlot slot = read_stored_slot(dir.file("store/slot1.pbm"));
    EXPECT_EQ(slot.w, 384);
    EXPECT_EQ(slot.h, 256);
}

TEST_F(Cli, SendConvertOfADamagedPictureSendsNothing) {
    start_sim({"--printer"});
    const RunResult r = cli(concat(tcp(), {"send", "--convert", kPictures + "card_cut.png"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Błąd!] Plik obrazu jest uszkodzony i nie można go odczytać.\n\n");
    EXPECT_EQ(frames_received(), 0u);
}

// Without --convert a picture is checked as a BMP, as before, and the tool says how to
// convert it.
TEST_F(Cli, SendOfAPictureWithoutConvertSuggestsIt) {
    start_sim({"--printer"});
    const RunResult r = cli(concat(tcp(), {"send", kPictures + "card_24bit.bmp"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[Błąd!] Bitmapa musi być monochromatyczna !!!\n\n\n");
    EXPECT_NE(r.err.find("send --convert"), std::string::npos) << r.err;
    // Nor is a cash register sent a BMP over 384 x 384, which it would refuse mid-upload.
    const RunResult big = cli(concat(tcp(), {"--register", "send", kExamples + "piekarnia_576x160.bmp"}));
    EXPECT_NE(big.err.find("send --convert"), std::string::npos) << big.err;
    EXPECT_EQ(frames_received(), 0u);
    // A file that is no picture gets no such hint.
    const RunResult junk = cli(concat(tcp(), {"send", kPictures + "not_a_picture.txt"}));
    EXPECT_EQ(junk.status, 1);
    EXPECT_EQ(junk.err.find("--convert"), std::string::npos) << junk.err;
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

    // With --json: one document listing the same ports.
    const RunResult j = cli({"--json", "ports"});
    EXPECT_EQ(j.status, 0) << j.err;
    const Json doc = Json::parse(j.out, nullptr, false);
    ASSERT_TRUE(doc.is_object()) << j.out;
    EXPECT_EQ(doc["command"], "ports");
    EXPECT_EQ(doc["outcome"], "succeeded");
    const Json com7 = {{"name", "COM7"}, {"device", adapter}, {"description", "dowiązanie ports/com7"}};
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = r.out.find('\n', at)) != std::string::npos; ++at) ++lines;
    ASSERT_TRUE(doc["ports"].is_array());
    EXPECT_EQ(doc["ports"].size(), lines);
    EXPECT_NE(std::find(doc["ports"].begin(), doc["ports"].end(), com7), doc["ports"].end()) << j.out;
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
