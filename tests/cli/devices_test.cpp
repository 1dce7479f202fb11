// The console tool over a list of devices, run as a user runs it, against simulated
// printers and cash registers: what each device received, the outcome lines and the JSON
// document, a broken list, one serial line shared by several entries, and Ctrl-C.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/fixture.h"
#include "support/platform.h"
#include "support/recording_host.h"
#include "support/run_process.h"
#include "support/sim_process.h"
#include "support/sockets.h"
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

// A shop's network on loopback addresses: two printers, a cash register, a port that
// accepts and says nothing, and one that answers every request with bytes that are no
// device's reply (ending in ETX, like a printer's). All stand on one port.
class ShopNetwork : public Devices {
  protected:
    void SetUp() override {
        add_sim_at("p20", "127.0.0.20", {"--printer", "--name", "RYNEK 20"});
        port = static_cast<std::uint16_t>(sims["p20"]->port());
        add_sim_at("p21", "127.0.0.21", {"--printer", "--name", "DWORZEC 21"});
        add_sim_at("k30", "127.0.0.30", {"--register", "--model", "11", "--unique", "KASA30"});
        silent = std::make_unique<Peer>("127.0.0.40", port, "");
        garbage = std::make_unique<Peer>("127.0.0.41", port, "HTTP/1.0 400\r\n\x03");
        ASSERT_TRUE(silent->ok() && garbage->ok());
    }
    void add_sim_at(const std::string& name, const std::string& address, std::vector<std::string> args) {
        args.insert(args.end(),
                    {"--listen", address, "--log", dir.file(name + ".log"), "--tcp", std::to_string(port)});
        sims[name] = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sims[name]->ok()) << sims[name]->error();
    }
    // A listener of the test's own, answering every read with reply (none: says nothing).
    class Peer {
      public:
        Peer(const std::string& address, std::uint16_t port, std::string reply)
            : listener_(sockets::listen_on(address, port)), reply_(std::move(reply)) {
            if (ok()) thread_ = std::thread([this] { serve(); });
        }
        ~Peer() {
            stop_ = true;
            if (thread_.joinable()) thread_.join();
            sockets::close(listener_);
        }
        bool ok() const { return listener_ != sockets::kNone; }

      private:
        void serve() {
            while (!stop_) {
                if (sockets::wait_readable(listener_, 50) <= 0) continue;
                const sockets::Socket s = sockets::accept(listener_);
                char b[512];
                while (!stop_ && s != sockets::kNone) {
                    const int ready = sockets::wait_readable(s, 50);
                    if (ready < 0 || (ready > 0 && sockets::recv(s, b, sizeof b) <= 0)) break;
                    if (ready > 0 && !reply_.empty()) sockets::send_all(s, reply_, 1000);
                }
                sockets::close(s);
            }
        }
        sockets::Socket listener_;
        std::string reply_;
        std::atomic<bool> stop_{false};
        std::thread thread_;
    };
    std::uint16_t port = 0;
    std::unique_ptr<Peer> silent, garbage;
};

// The scan finds the three devices with their names, lists the two other open ports as
// unknown, sends nothing but identity requests, and its list programs all three.
TEST_F(ShopNetwork, ScanFindsTheDevicesAndItsListProgramsThem) {
    const RunResult r = cli({"--json", "--printer", "scan", "127.0.0.0/26", "--ports", std::to_string(port),
                             "--devices-out", dir.file("found.csv")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const Json doc = Json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    EXPECT_EQ(doc["tried"], 62);
    EXPECT_EQ(doc["outcome"], "succeeded");
    std::vector<std::string> found;
    for (const auto& d : doc["found"]) {
        EXPECT_EQ(d["port"], port);
        found.push_back(d["address"].get<std::string>() + " " + d["family"].get<std::string>() + " " +
                        d["name"].get<std::string>() + " " + d["version"].get<std::string>() + " " +
                        d["unique"].get<std::string>());
    }
    const std::vector<std::string> expected = {
        "127.0.0.20 printer RYNEK 20 1.00 ABC12345678", "127.0.0.21 printer DWORZEC 21 1.00 ABC12345678",
        "127.0.0.30 register TORMA DT EJ 4.01 KASA30", "127.0.0.40 unknown   ", "127.0.0.41 unknown   "};
    EXPECT_EQ(found, expected);
    // Identity requests only: unique number and type of a printer, the status of a register
    // (a printer's request it does not take for a frame of its own).
    const auto identity = printer_frames({"scomm\t", "sid\t"});
    EXPECT_EQ(frames("p20"), identity);
    EXPECT_EQ(frames("p21"), identity);
    EXPECT_EQ(frames("k30"), std::vector<std::string>{register_frame(501, {})});

    TV_POSIX_ONLY("a run over a list starts processes the POSIX way here");
    const RunResult sent = cli({"--devices", dir.file("found.csv"), "--slot", "2", "send", kLogo});
    EXPECT_EQ(sent.status, 0) << sent.out << sent.err;
    EXPECT_EQ(lines_of(sent.out).back(), "Sukces: 3 z 3 urządzeń.");
    for (const char* name : {"p20", "p21", "k30"}) EXPECT_GT(frames(name).size(), 3u) << name;
}

// Ctrl-C while the connects wait on a port that never accepts (its queue is full): the
// scan ends with what it found and its document is whole.
TEST_F(ShopNetwork, CtrlCEndsTheScanWithAWholeDocument) {
    TV_POSIX_ONLY("Ctrl-C is a signal here");
    std::uint16_t full_port = 0;
    const sockets::Socket full = sockets::listen_on("127.0.0.50", full_port, 0);
    ASSERT_NE(full, sockets::kNone);
    const sockets::Socket queued[] = {sockets::start_connect("127.0.0.50", full_port),
                                      sockets::start_connect("127.0.0.50", full_port)};
    const std::string list = dir.file("found.csv");
    const RunResult r =
        run_program(kCli,
                    {"--dir", dir.path(), "--json", "scan", "127.0.0.50", "--ports",
                     std::to_string(full_port), "--connect-timeout", "10000", "--devices-out", list},
                    dir.path(), std::chrono::seconds(60), [&] { return std::filesystem::exists(list); });
    for (const auto s : queued) sockets::close(s);
    sockets::close(full);
    EXPECT_EQ(r.status, 1);
    const Json doc = Json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    EXPECT_EQ(doc["outcome"], "interrupted");
    EXPECT_EQ(doc["found"], Json::array());
    EXPECT_EQ(read_file(list), kHeader);
}

}  // namespace
