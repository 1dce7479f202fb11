// Shared set-up of the end-to-end job tests: a start-up directory with LOGS, SEQ and ports,
// the panel built and the settings loaded, a simulator to talk to, the frames it received,
// and the frames a job must send, built from the rules.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "common/globals.h"
#include "image/bmp_files.h"
#include "jobs/Worker.h"
#include "jobs/diagnostics.h"
#include "jobs/preparers.h"
#include "jobs/register_jobs.h"
#include "support/fixture.h"
#include "support/sim_process.h"
#include "support/wire_oracle.h"
#include "ui/Controls.h"
#include "ui/trace.h"

namespace tv::test {

// The pattern of the pictures the job tests choose.
inline bool job_pattern(int x, int y) { return (x * 3 + y) % 5 == 0; }

class JobTest : public Test {
  protected:
    JobTest() {
        make_folders();
        app_start(dir.path());
    }
    void TearDown() override {
        finish_job();
        wait_for_check();
    }

    // Starts the simulator with a request log; device "--printer" or "--register".
    void start_sim(std::vector<std::string> args, bool over_pty = false) {
        args.insert(args.end(), {"--store", dir.file("store")});
        std::filesystem::create_directories(dir.file("store"));
        sim = std::make_unique<SimProcess>(
            test_sim_args(std::move(args), dir.path(), over_pty ? com_link(3) : ""));
        ASSERT_TRUE(sim->ok()) << sim->error();
        if (over_pty) {
            set_sel(gComb_Interface, 0);
            set_sel(gComb_COM, 2);  // COM3 -> ports/com3
        } else {
            set_sel(gComb_Interface, 1);
            set_text(g_IPaddress, "127.0.0.1");
            set_text(gEdit_PortTCP, std::to_string(sim->port()));
        }
        dispatch_command(ID_SELECTOR, Notify::DropDownClosed, gComb_Interface);
    }

    // Ethernet to a port of 127.0.0.1 where nothing listens.
    void use_closed_port() {
        set_sel(gComb_Interface, 1);
        set_text(g_IPaddress, "127.0.0.1");
        set_text(gEdit_PortTCP, "1");
    }

    void use_registers() {
        set_sel(gComb_Protocol, 1);
        dispatch_command(ID_SELECTOR, Notify::SelectionConfirmed, gComb_Protocol);
    }

    // Chooses a picture through the file button, as the user would.
    void choose(const std::string& path) {
        host.choose_next(path);
        dispatch_command(ID_FILE, Notify::Clicked, gButt_File);
        wait_for_check();
    }
    // A w x h picture of job_pattern (colour 0 black).
    std::string picture(int w, int h) {
        const std::string path = dir.file("pic_" + std::to_string(w) + "x" + std::to_string(h) + ".bmp");
        write_file(path, bmp_1bit(w, h, job_pattern));
        return path;
    }

    // Presses a button and waits for its job.
    void press(int id) {
        dispatch_command(id, Notify::Clicked, nullptr);
        finish_job();
    }
    // Waits for the running job. One that has not ended within its bound fails the test,
    // is asked to stop and loses its device; should it run on even then, the program ends
    // here rather than hang (the simulator is gone by then).
    void finish_job() {
        if (wait_for_worker_for(30000)) return;
        ADD_FAILURE() << "the job did not end within 30 s";
        job_abort = true;
        Stoper = true;
        if (sim) sim->stop();
        if (wait_for_worker_for(10000)) return;
        std::fprintf(stderr, "the job still runs after its device went away: giving up\n");
        std::_Exit(1);
    }

    // Every request frame the simulator received so far, in order.
    std::vector<std::string> frames() const { return read_request_log(dir.file("requests.log")); }
    // Programs a w x h picture into slot (1..6) and forgets the job's boxes.
    void program_slot(int w, int h, int slot) {
        choose(picture(w, h));
        set_sel(gComb_Slot, slot - 1);
        press(ID_SEND);
        host.clear();
    }
    // Presses "Ustaw" with the header and the footer selectors at these items (0: none);
    // the frames that job sent.
    std::vector<std::string> set_header_footer(int header, int footer) {
        const auto before = static_cast<std::ptrdiff_t>(frames().size());
        set_sel(gComb_GrHdr, header);
        set_sel(gComb_GrFoot, footer);
        press(ID_SET);
        std::vector<std::string> sent = frames();
        sent.erase(sent.begin(), sent.begin() + before);
        return sent;
    }
    // Every request frame that reached the simulator: it is stopped first, and takes in
    // what was on its line before it goes (a frame sent after the job's last reply too).
    std::vector<std::string> all_frames() {
        if (sim) sim->stop();
        return frames();
    }
    std::vector<std::string> box_texts() const { return host.box_texts(); }
    // The command text of every printer request that reached the simulator.
    std::vector<std::string> commands() {
        std::vector<std::string> v;
        for (const auto& f : all_frames()) {
            const std::size_t hash = f.rfind('#');
            v.push_back(f.size() > 6 && hash != std::string::npos ? f.substr(1, hash - 1) : f);
        }
        return v;
    }

    // A stored slot picture (PBM P4, comment lines allowed): size and the bit of (x, y).
    struct Pbm {
        int w = 0, h = 0;
        std::string bits;
        int dot(int x, int y) const {
            const unsigned char b =
                static_cast<unsigned char>(bits[static_cast<std::size_t>(y * ((w + 7) / 8) + x / 8)]);
            return (b >> (7 - x % 8)) & 1;
        }
    };
    Pbm stored(int slot) const {
        std::istringstream in(read_file(dir.file("store/slot" + std::to_string(slot) + ".pbm")));
        std::string magic, comment;
        Pbm p;
        in >> magic >> std::ws;
        while (in.peek() == '#') std::getline(in, comment);
        if (magic != "P4" || !(in >> p.w >> p.h) || in.get() != '\n') return Pbm{};
        p.bits.assign(std::istreambuf_iterator<char>(in), {});
        return p;
    }

    std::unique_ptr<SimProcess> sim;
};

}  // namespace tv::test
