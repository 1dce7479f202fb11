// The console tool over a list of devices, run as a user runs it, against simulated
// printers and cash registers: what each device received, the outcome lines and the JSON
// document, a broken list, one serial line shared by several entries, and Ctrl-C.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixture.h"
#include "support/platform.h"
#include "support/recording_host.h"
#include "support/run_process.h"
#include "support/sim_process.h"
#include "support/wire_oracle.h"

using namespace tv::test;
using Json = nlohmann::json;

namespace {

const std::string kCli = TV_CLI_PATH;
const std::string kLogo = std::string(TV_SOURCE_DIR) + "/examples/sklep_384x96.bmp";
const std::string kHeader = "name,interface,protocol,address,port\n";
const char* kReadOnly =
    "Wystąpił błąd podczas modyfikowania grafiki nr 2.\n\nGrafika tylko do odczytu.\nAby zmodyfikować "
    "wykonaj raport "
    "dobowy.\n\nBŁĄD : 3252 ERR_IMG_READ_ONLY";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class Devices : public Test {
  protected:
    // A simulated device of its own, logging what it receives into DIR/name.log.
    void add_sim(const std::string& name, std::vector<std::string> args) {
        args.insert(args.end(), {"--log", dir.file(name + ".log"), "--tcp", "0"});
        sims[name] = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sims[name]->ok()) << sims[name]->error();
    }
    std::string tcp_line(const std::string& name, const std::string& protocol) {
        return name + ",ethernet," + protocol + ",127.0.0.1," + std::to_string(sims[name]->port()) + "\n";
    }
    std::vector<std::string> frames(const std::string& name) const {
        return read_request_log(dir.file(name + ".log"));
    }
    RunResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", dir.path()});
        return run_program(kCli, args, dir.path(), std::chrono::seconds(90));
    }
    // The frames one run of the tool sends for this job to a device of this protocol.
    std::vector<std::string> reference_frames(const std::string& protocol,
                                              const std::vector<std::string>& job) {
        TempDir ref;
        SimProcess sim({"--" + protocol, "--tcp", "0", "--log", ref.file("ref.log")});
        EXPECT_TRUE(sim.ok()) << sim.error();
        std::vector<std::string> args = {"--dir",
                                         ref.path(),
                                         "--ethernet",
                                         "--ip",
                                         "127.0.0.1",
                                         "--tcp-port",
                                         std::to_string(sim.port()),
                                         "--" + protocol};
        args.insert(args.end(), job.begin(), job.end());
        const RunResult r = run_program(kCli, args, ref.path());
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return read_request_log(ref.file("ref.log"));
    }

    std::map<std::string, std::unique_ptr<SimProcess>> sims;
};

// Two good printers, a good cash register, a printer whose slot 2 is read-only, and an
// address where nothing listens.
class ShopChain : public Devices, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        add_sim("rynek", {"--printer"});
        add_sim("dworzec", {"--printer"});
        add_sim("kasa-1", {"--register"});
        add_sim("zablokowana", {"--printer", "--read-only", "2"});
        write_file(dir.file("sklepy.csv"),
                   kHeader + tcp_line("rynek", "printer") + tcp_line("dworzec", "printer") +
                       tcp_line("kasa-1", "register") + tcp_line("zablokowana", "printer") +
                       "martwa,ethernet,printer,127.0.0.1,1\n");
    }
    const std::vector<std::string> job = {"--slot", "2", "send", kLogo};
};

TEST_P(ShopChain, EveryGoodDeviceGetsExactlyItsFramesAndTheFailuresAreNamed) {
    TV_POSIX_ONLY("a run over a list starts processes the POSIX way here");
    const auto printer = reference_frames("printer", job);
    const auto register_frames = reference_frames("register", job);
    ASSERT_EQ(printer.size(), 10u);

    std::vector<std::string> args = {"--devices", dir.file("sklepy.csv"), "--parallel",
                                     std::to_string(GetParam())};
    args.insert(args.end(), job.begin(), job.end());
    const RunResult r = cli(args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "");

    EXPECT_EQ(frames("rynek"), printer);
    EXPECT_EQ(frames("dworzec"), printer);
    EXPECT_EQ(frames("kasa-1"), register_frames);
    const auto refused = frames("zablokowana");
    ASSERT_EQ(refused.size(), 3u);  // cancel, the refused slot set, cancel
    EXPECT_EQ(refused[1], printer[1]);

    std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    EXPECT_EQ(lines.back(), "Sukces: 3 z 5 urządzeń.");
    lines.pop_back();
    std::vector<std::string> expected = {
        "rynek: sukces",
        "dworzec: sukces",
        "kasa-1: sukces",
        "zablokowana: niepowodzenie: [UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 2. Grafika "
        "tylko do "
        "odczytu. Aby zmodyfikować wykonaj raport dobowy. BŁĄD : 3252 ERR_IMG_READ_ONLY",
        "martwa: niepowodzenie: [Błąd] Brak połączenia z drukarką fiskalną!",
    };
    if (GetParam() > 1) {  // lines come as the devices end
        std::sort(lines.begin(), lines.end());
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(lines, expected);

    // Each device kept its own settings in its own folder.
    for (const char* name : {"rynek", "kasa-1", "zablokowana"}) {
        const std::string cfg = read_file(dir.file(std::string("devices/") + name + "/settings.cfg"));
        EXPECT_NE(cfg.find("[TCP_Port]=" + std::to_string(sims[name]->port()) + "\n"), std::string::npos)
            << name;
        EXPECT_NE(cfg.find(std::string("[Protocol]=") + (name == std::string("kasa-1") ? "2" : "0")),
                  std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("settings.cfg")));
}

TEST_P(ShopChain, TheJsonDocumentListsEveryDeviceInListOrder) {
    TV_POSIX_ONLY("a run over a list starts processes the POSIX way here");
    std::vector<std::string> args = {"--json", "--devices", dir.file("sklepy.csv"), "--parallel",
                                     std::to_string(GetParam())};
    args.insert(args.end(), job.begin(), job.end());
    const RunResult r = cli(args);
    EXPECT_EQ(r.status, 1) << r.err;
    Json doc = Json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    for (auto& device : doc["devices"]) {
        ASSERT_TRUE(device["seconds"].is_number()) << device;
        EXPECT_GT(device["seconds"].get<double>(), 0.0);
        device.erase("seconds");
    }
    auto box = [](const char* caption, const char* text) {
        return Json{{"caption", caption}, {"text", text}};
    };
    const Json ok = Json::array({box("Komunikat", "Grafika została poprawnie zaprogramowana!")});
    const Json success = {{"outcome", "succeeded"}, {"reason", ""}};
    auto with = [](Json entry, const Json& more) {
        entry.update(more);
        return entry;
    };
    const Json expected = {
        {"devices",
         {
             with({{"name", "rynek"}, {"exit", 0}, {"boxes", ok}}, success),
             with({{"name", "dworzec"}, {"exit", 0}, {"boxes", ok}}, success),
             with({{"name", "kasa-1"}, {"exit", 0}, {"boxes", ok}}, success),
             {{"name", "zablokowana"},
              {"exit", 1},
              {"boxes", Json::array({box("UWAGA!", kReadOnly)})},
              {"outcome", "failed"},
              {"reason",
               "[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 2. Grafika tylko do odczytu. Aby "
               "zmodyfikować wykonaj raport dobowy. BŁĄD : 3252 ERR_IMG_READ_ONLY"}},
             {{"name", "martwa"},
              {"exit", 1},
              {"boxes", Json::array({box("Błąd", "Brak połączenia z drukarką fiskalną!")})},
              {"outcome", "failed"},
              {"reason", "[Błąd] Brak połączenia z drukarką fiskalną!"}},
         }},
        {"ok", 3},
        {"failed", 2},
        {"command", job[job.size() - 2]},
        {"exit", 1},
        {"outcome", "failed"},
    };
    EXPECT_EQ(doc, expected) << doc.dump(2);
    // The keys come in the documented order.
    EXPECT_LT(r.out.find("\"devices\""), r.out.find("\"ok\""));
    EXPECT_LT(r.out.find("\"name\""), r.out.find("\"exit\""));
    EXPECT_LT(r.out.find("\"exit\""), r.out.find("\"boxes\""));
    EXPECT_LT(r.out.find("\"seconds\""), r.out.find("\"outcome\""));
    EXPECT_LT(r.out.find("\"failed\": 2"), r.out.find("\"command\""));
}

INSTANTIATE_TEST_SUITE_P(OneAndFourAtATime, ShopChain, ::testing::Values(1, 4));

TEST_F(Devices, ABrokenListSendsNothingAndNamesItsLine) {
    add_sim("rynek", {"--printer"});
    const std::string good = tcp_line("rynek", "printer");
    const std::vector<std::pair<std::string, std::string>> lists = {
        {"name;interface;protocol;address;port\n" + good,
         "wiersz 1: nagłówek listy musi brzmieć name,interface,protocol,address,port, jest "
         "\"name;interface;protocol;address;port\""},
        {kHeader + good + "b,wifi,printer,127.0.0.1,6666\n",
         "wiersz 3: nieznany interfejs \"wifi\" (serial albo ethernet)"},
        {kHeader + good + "b,ethernet,printer,127.0.0.1.5,6666\n",
         "wiersz 3: niepoprawny adres IPv4 \"127.0.0.1.5\""},
        {kHeader + good + "\n" + good, "wiersz 4: nazwa \"rynek\" powtarza się (pierwszy raz w wierszu 2)"},
    };
    for (const auto& [list, message] : lists) {
        write_file(dir.file("sklepy.csv"), list);
        const RunResult r = cli({"--devices", dir.file("sklepy.csv"), "--slot", "1", "send", kLogo});
        EXPECT_EQ(r.status, 2) << list;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "tarvix-vizaze-cli: Lista urządzeń " + dir.file("sklepy.csv") + ", " + message +
                             "\nPomoc: tarvix-vizaze-cli --help\n");
        EXPECT_FALSE(std::filesystem::exists(dir.file("devices"))) << list;
    }
    // A report is a printer's: a cash register on the list is refused before anything goes out.
    add_sim("kasa", {"--register"});
    write_file(dir.file("sklepy.csv"), kHeader + good + tcp_line("kasa", "register"));
    const RunResult r = cli({"--devices", dir.file("sklepy.csv"), "--json", "report"});
    EXPECT_EQ(r.status, 2);
    const std::string why = "Lista urządzeń " + dir.file("sklepy.csv") +
                            ", wiersz 3: raport grafik jest dostępny tylko dla drukarek";
    EXPECT_EQ(r.err, "tarvix-vizaze-cli: " + why + "\nPomoc: tarvix-vizaze-cli --help\n");
    EXPECT_EQ(Json::parse(r.out, nullptr, false), (Json{{"command", "report"},
                                                        {"exit", 2},
                                                        {"boxes", Json::array()},
                                                        {"seconds", 0.0},
                                                        {"outcome", "usage_error"},
                                                        {"reason", why},
                                                        {"error", why}}))
        << r.out;
    EXPECT_TRUE(frames("rynek").empty());
    EXPECT_TRUE(frames("kasa").empty());
}

TEST_F(Devices, EntriesOnOneSerialLineRunOneAfterAnother) {
    TV_NEEDS_PTY();
    // One simulated printer behind a pseudo-terminal, reached as COM3 and, on POSIX systems
    // through a second link, as COM4 (Windows' COM names are the system's: two never lead to
    // one port). An exclusive port refuses a second opening, so four at a time would fail
    // all but one if they shared the line.
    std::filesystem::create_directory(dir.file("ports"));
    SimProcess sim({"--printer", "--pty", com_link(3), "--log", dir.file("pty.log")});
    ASSERT_TRUE(sim.ok()) << sim.error();
    std::string list = kHeader + "a,serial,printer,COM3,115200\nb,serial,printer,COM3,115200\n";
    std::vector<std::string> names = {"a", "b"};
    if (!kWindows) {
        point_com(4, com_link(3));
        list += "c,serial,printer,COM4,115200\n";
        names.push_back("c");
    }
    write_file(dir.file("sklepy.csv"), list);
    const RunResult r =
        cli({"--devices", dir.file("sklepy.csv"), "--parallel", "4", "--timeout", "3", "clear"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const std::string all = std::to_string(names.size());
    EXPECT_EQ(lines_of(r.out).back(), "Sukces: " + all + " z " + all + " urządzeń.");
    EXPECT_EQ(read_request_log(dir.file("pty.log")).size(), names.size() * 2);  // cancel and clear, each
    if (kWindows) return;                                                       // no ports folder to share
    for (const auto& name : names)
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file("devices/" + name + "/ports"))) << name;
}

class DevicesInterrupted : public Devices, public ::testing::WithParamInterface<bool> {
  protected:
    // Three devices, one at a time, interrupted once the first has its first frame: its
    // job ends after that exchange.
    RunResult interrupted_run(bool json) {
        for (const char* name : {"a", "b", "c"}) add_sim(name, {"--printer", "--delay", "*:300"});
        write_file(dir.file("sklepy.csv"),
                   kHeader + tcp_line("a", "printer") + tcp_line("b", "printer") + tcp_line("c", "printer"));
        std::vector<std::string> args = {"--dir",      dir.path(), "--devices", dir.file("sklepy.csv"),
                                         "--parallel", "1",        "--slot",    "all",
                                         "clear"};
        if (json) args.insert(args.begin(), "--json");
        return run_program(kCli, args, dir.path(), std::chrono::seconds(60),
                           [&] { return frames("a").size() >= 1; });
    }
};
INSTANTIATE_TEST_SUITE_P(LinesAndJson, DevicesInterrupted, ::testing::Values(false, true));

TEST_P(DevicesInterrupted, CtrlCStartsNoFurtherDeviceAndStopsTheRunningOne) {
    TV_POSIX_ONLY("Ctrl-C as SIGINT");
    const RunResult r = interrupted_run(GetParam());
    EXPECT_EQ(r.status, 1) << r.err;
    // The first frame, then the printer is told to drop what it had ("prncancel").
    ASSERT_EQ(frames("a").size(), 2u);
    EXPECT_EQ(frames("a")[1], printer_frame("prncancel\t"));
    EXPECT_TRUE(frames("b").empty());
    EXPECT_TRUE(frames("c").empty());
    if (GetParam()) {
        Json doc = Json::parse(r.out, nullptr, false);
        ASSERT_FALSE(doc.is_discarded()) << r.out;
        for (auto& device : doc["devices"]) device.erase("seconds");
        const Json never = {{"exit", 1},
                            {"boxes", Json::array()},
                            {"error", "nie uruchomiono: przerwano"},
                            {"outcome", "not_started"},
                            {"reason", "nie uruchomiono: przerwano"}};
        Json b = never, c = never;
        b["name"] = "b";
        c["name"] = "c";
        const Json expected = {
            {"devices",
             {{{"name", "a"},
               {"exit", 1},
               {"boxes", Json::array()},
               {"outcome", "interrupted"},
               {"reason", "przerwano (Ctrl-C)"}},
              b,
              c}},
            {"ok", 0},
            {"failed", 3},
            {"command", "clear"},
            {"exit", 1},
            {"outcome", "interrupted"},
        };
        EXPECT_EQ(doc, expected) << doc.dump(2);
        return;
    }
    EXPECT_EQ(r.out,
              "a: niepowodzenie: przerwano\nb: nie uruchomiono (przerwano)\nc: nie uruchomiono (przerwano)\n"
              "Sukces: 0 z 3 urządzeń.\n");
}

// A silent device in the list: with --yes its entry still ends, and the others are done.
TEST_F(Devices, YesDoesNotHoldTheRunOnASilentDevice) {
    TV_POSIX_ONLY("a run over a list starts processes the POSIX way here");
    add_sim("cicha", {"--printer", "--no-reply", "*"});
    add_sim("rynek", {"--printer"});
    write_file(dir.file("l.csv"), kHeader + tcp_line("cicha", "printer") + tcp_line("rynek", "printer"));
    const RunResult r = cli({"--devices", dir.file("l.csv"), "--parallel", "1", "--timeout", "1", "--yes",
                             "--slot", "1", "clear"});
    EXPECT_EQ(r.status, 1) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0].rfind("cicha: niepowodzenie: [Warning] TIMEOUT! Try again?", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "rynek: sukces");
    EXPECT_EQ(lines[2], "Sukces: 1 z 2 urządzeń.");
}

TEST_F(Devices, JsonForOneDevice) {
    add_sim("rynek", {"--printer", "--read-only", "3"});
    const std::vector<std::string> tcp = {"--ethernet", "--ip", "127.0.0.1", "--tcp-port",
                                          std::to_string(sims["rynek"]->port())};
    auto run = [&](std::vector<std::string> job) {
        job.insert(job.begin(), tcp.begin(), tcp.end());
        job.insert(job.begin(), "--json");
        const RunResult r = cli(job);
        Json doc = Json::parse(r.out, nullptr, false);
        EXPECT_FALSE(doc.is_discarded()) << r.out;
        EXPECT_TRUE(doc["seconds"].is_number()) << r.out;
        doc.erase("seconds");
        return std::make_pair(r.status, doc);
    };
    auto [status, doc] = run({"--slot", "1", "send", kLogo});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(doc, Json::parse(R"({"command": "send", "exit": 0,
        "boxes": [{"caption": "Komunikat", "text": "Grafika została poprawnie zaprogramowana!"}],
        "outcome": "succeeded", "reason": ""})"));
    std::tie(status, doc) = run({"--slot", "3", "clear"});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(doc, Json::parse(R"({"command": "clear", "exit": 1,
        "boxes": [{"caption": "UWAGA!", "text": "Wystąpił błąd podczas modyfikowania grafiki nr 3.\n\nGrafika tylko do odczytu.\nAby zmodyfikować wykonaj raport dobowy.\n\nBŁĄD : 3252 ERR_IMG_READ_ONLY"}],
        "outcome": "failed", "reason": "[UWAGA!] Wystąpił błąd podczas modyfikowania grafiki nr 3. Grafika tylko do odczytu. Aby zmodyfikować wykonaj raport dobowy. BŁĄD : 3252 ERR_IMG_READ_ONLY"})"));
}

}  // namespace
