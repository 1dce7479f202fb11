// Programming a 640 x 640 picture into the simulated printer, over TCP and over a
// pseudo-terminal, through the real dispatch, worker, links and simulator. Reports the wall
// time of each job and how much the tool itself spends (its CPU time) next to what the
// simulator spends (its CPU time), so the tool's overhead can be seen apart from the device.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "common/globals.h"
#include "jobs/Worker.h"
#include "support/recording_host.h"
#include "support/sim_process.h"
#include "ui/Controls.h"
#include "ui/trace.h"

using namespace tv;
using namespace tv::test;

namespace {

double self_cpu_ms() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double process_cpu_ms(int pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return (utime + stime) * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Run {
    double wall_ms, tool_ms, sim_ms;
};

// Runs the programming job `rounds` times against one simulator; returns the median wall
// time of a job and the CPU time of the tool and of the simulator over all rounds.
Run program(bool over_pty, int rounds, const std::string& dir, const std::string& picture) {
    std::vector<std::string> args = {"--printer"};
    if (over_pty)
        args.insert(args.end(), {"--pty", dir + "/ports/com3"});
    else
        args.insert(args.end(), {"--tcp", "0"});
    SimProcess sim(args);
    if (!sim.ok()) {
        std::fprintf(stderr, "simulator: %s\n", sim.error().c_str());
        std::exit(1);
    }
    set_sel(gComb_Interface, over_pty ? 0 : 1);
    set_sel(gComb_COM, 2);
    set_sel(gComb_Baudrate, 7);
    set_text(g_IPaddress, "127.0.0.1");
    set_text(gEdit_PortTCP, std::to_string(sim.port()));
    set_gr_filename(picture);

    std::vector<double> walls;
    const double sim_before = process_cpu_ms(sim.pid());
    const double tool_before = self_cpu_ms();
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        dispatch_command(ID_SEND, Notify::Clicked, gButt_Send);
        wait_for_worker();
        walls.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        if (job_outcome != JobOutcome::Succeeded) {
            std::fprintf(stderr, "the programming job failed\n");
            std::exit(1);
        }
        trace_replace("");  // each job starts with an empty trace pane, as after a restart
    }
    std::sort(walls.begin(), walls.end());
    return Run{walls[walls.size() / 2], self_cpu_ms() - tool_before, process_cpu_ms(sim.pid()) - sim_before};
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    TempDir dir;
    std::filesystem::create_directory(dir.file("ports"));
    RecordingHost host;
    app_start(dir.path());
    const std::string picture = std::string(TV_SOURCE_DIR) + "/tests/data/full_640x640_im.bmp";

    for (bool pty : {false, true}) {
        const Run r = program(pty, rounds, dir.path(), picture);
        std::fprintf(stderr,
                     "%-16s 101 frames x %d jobs: median wall %.1f ms per job; CPU per job: tool %.2f ms, "
                     "simulator %.2f ms (tool = %.0f %% of the simulator)\n",
                     pty ? "pseudo-terminal" : "TCP 127.0.0.1", rounds, r.wall_ms, r.tool_ms / rounds,
                     r.sim_ms / rounds, r.sim_ms > 0 ? 100.0 * r.tool_ms / r.sim_ms : 0.0);
    }
    return 0;
}
