// The network scan of a /24 on loopback, at 1, 16 and 64 connects in flight: three
// simulated devices with every other address closed (loopback refuses at once), and a /24
// where every address holds a listener that never accepts (its queue full), so each connect
// runs into the 300 ms time-out: the time-out bound. Loopback only (127.0.0.0/8).
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"
#include "common/globals.h"
#include "jobs/net_scan.h"
#include "support/recording_host.h"
#include "support/sim_process.h"
#include "support/sockets.h"

using namespace tv;
using namespace tv::test;

namespace {

double seconds_of(const ScanOptions& o, std::size_t& found) {
    const auto began = std::chrono::steady_clock::now();
    const ScanResult r = network_scan(o);
    found = r.devices.size();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

std::vector<std::uint32_t> block(const char* text) {
    AddressSet set;
    std::string error;
    parse_address_set(text, false, set, error);
    return set.hosts;
}

}  // namespace

int main() {
    TempDir dir;
    RecordingHost host;
    app_start(dir.path());
    work_mode = WM_SCAN;

    // Three devices on one port at .20, .21 (printers) and .30 (cash register) of 127.0.0.0/24.
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::uint16_t port = 0;
    for (const char* at : {"127.0.0.20", "127.0.0.21", "127.0.0.30"}) {
        sims.push_back(std::make_unique<SimProcess>(
            std::vector<std::string>{at == std::string("127.0.0.30") ? "--register" : "--printer", "--listen",
                                     at, "--tcp", std::to_string(port)}));
        if (!sims.back()->ok()) return std::fprintf(stderr, "%s\n", sims.back()->error().c_str()), 1;
        port = static_cast<std::uint16_t>(sims.back()->port());
    }
    // 127.0.1.0/24: every address a listener whose queue is full.
    std::vector<sockets::Socket> held;
    std::uint16_t silent_port = 0;
    for (std::uint32_t h : block("127.0.1.0/24")) {
        const std::string a = dotted(h);
        held.push_back(sockets::listen_on(a, silent_port, 0));
        if (held.back() == sockets::kNone) return std::fprintf(stderr, "no listener at %s\n", a.c_str()), 1;
        held.push_back(sockets::start_connect(a, silent_port));
        held.push_back(sockets::start_connect(a, silent_port));
    }

    std::printf("%-44s %9s %8s %8s\n", "case", "in flight", "seconds", "found");
    for (int in_flight : {1, 16, 64}) {
        const struct {
            const char* name;
            const char* block;
            std::uint16_t port;
        } cases[] = {{"/24, 3 devices, the rest closed", "127.0.0.0/24", port},
                     {"/24, nothing listening", "127.0.0.0/24", static_cast<std::uint16_t>(port + 1)},
                     {"/24, every address never accepts (300 ms)", "127.0.1.0/24", silent_port}};
        for (const auto& c : cases) {
            ScanOptions o;
            o.hosts = block(c.block);
            o.ports = {c.port};
            o.in_flight = in_flight;
            std::size_t found = 0;
            const double s = seconds_of(o, found);
            std::printf("%-44s %9d %8.3f %8zu\n", c.name, in_flight, s, found);
            std::fflush(stdout);
        }
    }
    for (const auto s : held) sockets::close(s);
    app_close();
    return 0;
}
