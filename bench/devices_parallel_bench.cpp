// Twelve simulated devices that answer slowly, programmed by the console tool over a list
// of devices four at a time and one at a time. Reports the median wall time of each and
// their ratio (target: four at a time in at most 0.35 of the time of one at a time).
//
//   bench_devices_parallel [rounds] [reply-delay-ms]     (default 3 rounds, 100 ms)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/recording_host.h"
#include "support/run_process.h"
#include "support/sim_process.h"

using namespace tv::test;

namespace {

constexpr int kDevices = 12;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int delay_ms = argc > 2 ? std::max(0, std::atoi(argv[2])) : 100;
    TempDir dir;

    // Half printers, half cash registers; every reply comes delay_ms late.
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::string list = "name,interface,protocol,address,port\n";
    for (int i = 0; i < kDevices; ++i) {
        const bool printer = i % 2 == 0;
        sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{
            printer ? "--printer" : "--register", "--tcp", "0", "--delay", "*:" + std::to_string(delay_ms)}));
        if (!sims.back()->ok()) {
            std::fprintf(stderr, "simulator: %s\n", sims.back()->error().c_str());
            return 1;
        }
        list += "sklep-" + std::to_string(i + 1) + ",ethernet," + (printer ? "printer" : "register") +
                ",127.0.0.1," + std::to_string(sims.back()->port()) + "\n";
    }
    write_file(dir.file("sklepy.csv"), list);
    const std::string logo = std::string(TV_SOURCE_DIR) + "/examples/sklep_384x96.bmp";

    std::printf("%d devices (6 printers, 6 cash registers), every reply %d ms late, sending %s to slot 1\n",
                kDevices, delay_ms, "sklep_384x96.bmp");
    double medians[2] = {0, 0};
    const int parallel[2] = {1, 4};
    for (int m = 0; m < 2; ++m) {
        std::vector<double> walls;
        for (int r = 0; r < rounds; ++r) {
            const auto start = std::chrono::steady_clock::now();
            const RunResult run =
                run_program(TV_CLI_PATH,
                            {"--dir", dir.path(), "--devices", dir.file("sklepy.csv"), "--parallel",
                             std::to_string(parallel[m]), "--slot", "1", "send", logo},
                            dir.path(), std::chrono::minutes(10));
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (run.status != 0) {
                std::fprintf(stderr, "the run failed (exit %d):\n%s%s", run.status, run.out.c_str(),
                             run.err.c_str());
                return 1;
            }
            walls.push_back(wall);
        }
        medians[m] = median(walls);
        std::printf("--parallel %d: median %.2f s over %d rounds (%.2f s per device)\n", parallel[m],
                    medians[m], rounds, medians[m] / kDevices * parallel[m]);
    }
    const double ratio = medians[1] / medians[0];
    std::printf("four at a time / one at a time: %.3f (target: at most 0.35) %s\n", ratio,
                ratio <= 0.35 ? "met" : "NOT MET");
    return 0;
}
