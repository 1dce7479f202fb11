// Shared set-up of the end-to-end job tests: a start-up directory with LOGS and SEQ, the
// panel built and the settings loaded, a recording host, a simulator to talk to, and the
// frames the simulator received.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "app/main.h"
#include "common/globals.h"
#include "image/bmp_files.h"
#include "jobs/Worker.h"
#include "ui/trace.h"
#include "printer/Fpos.h"
#include "register/prt_ks.h"
#include "support/recording_host.h"
#include "support/register_peer.h"
#include "support/sim_process.h"

namespace tv::test {

class JobTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.file("LOGS"));
        std::filesystem::create_directory(dir.file("SEQ"));
        std::filesystem::create_directory(dir.file("ports"));
        set_gr_filename("");
        Gr_xmax = 0;
        Gr_ymax = 0;
        RCV_TIMEOUT = 10;
        TIMEOUT_BASE = 20;
        job_abort = false;
        app_start(dir.path());
    }
    void TearDown() override {
        wait_for_worker();
        wait_for_check();
        set_gr_filename("");
        gCurrendDir.clear();
    }

    // Starts the simulator with a request log; device "--printer" or "--register".
    void start_sim(std::vector<std::string> args, bool over_pty = false) {
        args.push_back("--log");
        args.push_back(dir.file("requests.log"));
        args.push_back("--store");
        args.push_back(dir.file("store"));
        std::filesystem::create_directories(dir.file("store"));
        if (over_pty) {
            args.push_back("--pty");
            args.push_back(dir.file("ports/com3"));
        } else {
            args.push_back("--tcp");
            args.push_back("0");
        }
        sim = std::make_unique<SimProcess>(args);
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
    std::string picture(int w, int h) {
        const std::string path = dir.file("pic_" + std::to_string(w) + "x" + std::to_string(h) + ".bmp");
        write_file(path, bmp_1bit(w, h, [](int x, int y) { return (x * 3 + y) % 5 == 0; }));
        return path;
    }

    // Presses a button and waits for its job.
    void press(int id) {
        dispatch_command(id, Notify::Clicked, nullptr);
        wait_for_worker();
    }

    // Every request frame the simulator received, in order.
    std::vector<std::string> frames() const { return read_request_log(dir.file("requests.log")); }
    // A printer request frame's command text.
    static std::string command_of(const std::string& frame) {
        const std::size_t hash = frame.rfind('#');
        return frame.size() > 6 && hash != std::string::npos ? frame.substr(1, hash - 1) : frame;
    }
    std::vector<std::string> commands() const {
        std::vector<std::string> v;
        for (const auto& f : frames()) v.push_back(command_of(f));
        return v;
    }
    // The cash-register requests, parsed.
    std::vector<KS_FRM> requests() const {
        std::vector<KS_FRM> v;
        for (const auto& f : frames()) v.push_back(parse_frame(f));
        return v;
    }
    std::vector<std::string> box_texts() const { return host.box_texts(); }

    // A stored slot picture (PBM P4, comment lines allowed): size and the bit of (x, y).
    struct Pbm {
        int w = 0, h = 0;
        std::string bits;
        int dot(int x, int y) const {
            const unsigned char b = static_cast<unsigned char>(bits[static_cast<std::size_t>(y * ((w + 7) / 8) + x / 8)]);
            return (b >> (7 - x % 8)) & 1;
        }
    };
    Pbm stored(int slot) const {
        const std::string f = read_file(dir.file("store/slot" + std::to_string(slot) + ".pbm"));
        Pbm p;
        std::size_t pos = 0;
        auto token = [&]() {
            while (pos < f.size()) {
                if (f[pos] == '#') { while (pos < f.size() && f[pos] != '\n') ++pos; }
                else if (std::isspace(static_cast<unsigned char>(f[pos]))) ++pos;
                else break;
            }
            std::size_t start = pos;
            while (pos < f.size() && !std::isspace(static_cast<unsigned char>(f[pos]))) ++pos;
            return f.substr(start, pos - start);
        };
        if (token() != "P4") return p;
        p.w = std::stoi(token());
        p.h = std::stoi(token());
        p.bits = f.substr(pos + 1);
        return p;
    }

    RecordingHost host;
    TempDir dir;
    std::unique_ptr<SimProcess> sim;
};

}  // namespace tv::test
