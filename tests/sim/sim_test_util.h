// Small helpers shared by the simulator tests: printer frames, hex byte strings, and a
// started simulator with a raw line to it.
#pragma once
#include <gtest/gtest.h>

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

}  // namespace simtest
