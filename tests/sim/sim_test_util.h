// Small helpers shared by the simulator tests: the simulator's standard replies, and a
// started simulator with a raw line to it.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/fixture.h"
#include "support/sim_process.h"
#include "support/wire_oracle.h"

namespace tv::test {

// The simulated printer's replies to "sid" (default identity) and "prncancel".
inline const std::string kSid = "\x02sid\tnmTARVIX SIM\tvr1.00\t#2BE1\x03";
inline const std::string kCancel = "\x02prncancel\t#6B3B\x03";

// Starts the simulator with args; the test fails at once when it does not come up.
inline std::unique_ptr<SimProcess> start(std::vector<std::string> args) {
    auto sim = std::make_unique<SimProcess>(std::move(args));
    EXPECT_TRUE(sim->ok()) << sim->error();
    return sim;
}

// One printer exchange on a line: the frame of text out, the reply back.
inline std::string ask(RawLine& line, const std::string& text) {
    EXPECT_TRUE(line.send(printer_frame(text)));
    return line.read_printer_reply();
}

// One device of the simulator over TCP, its pictures stored in the test's folder, and a
// raw line to it.
struct SimLine : Test {
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
    std::string ask(const std::string& text) { return tv::test::ask(*line, text); }
    std::string stored(const std::string& name) const { return read_file(dir.file("store/" + name)); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir.file("store/" + name)); }
};

}  // namespace tv::test
