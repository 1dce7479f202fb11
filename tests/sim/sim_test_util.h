// Small helpers shared by the simulator tests: printer frames and the simulator's standard
// replies, hex byte strings, and a started simulator with a raw line to it.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "printer/Fpos.h"
#include "support/recording_host.h"
#include "support/sim_process.h"

namespace simtest {

using tv::test::RawLine;
using tv::test::SimProcess;

// The tool's request frame for a command line.
inline std::string pframe(const std::string& text) { return tv::tarv_frame(text.c_str()); }

// The simulated printer's replies to "sid" (default identity) and "prncancel".
inline const std::string kSid = "\x02sid\tnmTARVIX SIM\tvr1.00\t#2BE1\x03";
inline const std::string kCancel = "\x02prncancel\t#6B3B\x03";

// "10 02 0a" -> the three bytes.
inline std::string bytes(const std::string& hex) {
    std::string out;
    unsigned v = 0;
    int digits = 0;
    for (char c : hex) {
        int d = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0) continue;
        v = v * 16 + static_cast<unsigned>(d);
        if (++digits == 2) {
            out.push_back(static_cast<char>(v));
            v = 0;
            digits = 0;
        }
    }
    return out;
}

// Starts the simulator with args; the test fails at once when it does not come up.
inline std::unique_ptr<SimProcess> start(std::vector<std::string> args) {
    auto sim = std::make_unique<SimProcess>(std::move(args));
    EXPECT_TRUE(sim->ok()) << sim->error();
    return sim;
}

// One printer exchange on a line: the frame of text out, the reply back.
inline std::string ask(RawLine& line, const std::string& text) {
    EXPECT_TRUE(line.send(pframe(text)));
    return line.read_printer_reply();
}

inline long elapsed_ms(std::chrono::steady_clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - since)
                                 .count());
}

// One device of the simulator over TCP, its pictures stored in the test's folder, and a
// raw line to it.
struct SimLine : ::testing::Test {
    tv::test::TempDir dir;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<RawLine> line;

    // device is "--printer" or "--register"; extra are further options.
    void launch(const char* device, const std::vector<std::string>& extra) {
        std::vector<std::string> args = {device, "--tcp", "0", "--store", dir.file("store")};
        args.insert(args.end(), extra.begin(), extra.end());
        sim = start(args);
        ASSERT_TRUE(sim->ok());
        line = std::make_unique<RawLine>(RawLine::tcp(sim->port()));
        ASSERT_TRUE(line->ok());
    }
    std::string ask(const std::string& text) { return simtest::ask(*line, text); }
    std::string stored(const std::string& name) const {
        return tv::test::read_file(dir.file("store/" + name));
    }
    bool exists(const std::string& name) const {
        return std::filesystem::exists(dir.file("store/" + name));
    }
};

}  // namespace simtest
