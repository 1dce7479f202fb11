// The simulated cash register over TCP: status with the model code, slot programming into
// the stored picture, refusals as CMD_ID 0 with the command and the error code, faults.
#include <gtest/gtest.h>

#include <regex>

#include "commands/register/prt_ks.h"
#include "sim_test_util.h"
#include "support/platform.h"
#include "support/register_peer.h"
#include "support/run_process.h"

using namespace tv::test;
using tv::KS_FRM;

namespace {

// A request: B fields first, then V fields, then an S field.
struct Request {
    Request(std::uint16_t c, std::vector<std::uint8_t> bs = {}, std::vector<std::uint16_t> vs = {},
            const char* text = nullptr)
        : cmd(c), b(std::move(bs)), v(std::move(vs)), s(text) {}
    std::uint16_t cmd;
    std::vector<std::uint8_t> b;
    std::vector<std::uint16_t> v;
    const char* s;
};

std::string wire(const Request& r) {
    std::vector<std::string> fields;
    for (auto b : r.b) fields.push_back(B(b));
    for (auto v : r.v) fields.push_back(V(v));
    if (r.s) fields.push_back(S(r.s));
    return register_frame(r.cmd, fields);
}

// A reply as the tool would parse it.
std::unique_ptr<KS_FRM> parse(const std::string& bytes) {
    return std::make_unique<KS_FRM>(parse_frame(bytes));
}

struct RegisterSim : SimLine {
    void run(const std::vector<std::string>& extra = {}) { launch("--register", extra); }
    std::string ask_raw(const std::string& bytes) {
        EXPECT_TRUE(line->send(bytes));
        return line->read_register_reply();
    }
    std::string ask(const Request& r) { return ask_raw(wire(r)); }
    // 0 for an accepted command (reply CMD_ID equal to the request's), else the code of
    // the refusal; -1 for anything else.
    int outcome(const Request& r) {
        auto f = parse(ask(r));
        if (f->CMD_ID == r.cmd && f->DATA_LEN == 0) return 0;
        if (f->CMD_ID != 0 || f->DATA_LEN != 6 || f->DATA[0] != 'V' || f->DATA[3] != 'V') return -1;
        if ((f->DATA[1] | (f->DATA[2] << 8)) != r.cmd) return -1;
        return f->DATA[4] | (f->DATA[5] << 8);
    }
};

}  // namespace

TEST_F(RegisterSim, StatusAnswers501WithTheModelCodeFirst) {
    run({"--model", "11"});
    // The status request exactly as the tool sends it.
    const std::string r = ask_raw(from_hex("10 02 00 00 00 00 00 00 10 10 00 00 00 F5 01 91 E6 10 03"));
    auto f = parse(r);
    EXPECT_EQ(f->CMD_ID, 501);
    ASSERT_GE(f->DATA_LEN, 2);
    EXPECT_EQ(f->DATA[0], 0x42);
    EXPECT_EQ(f->DATA[1], 11);
    EXPECT_EQ(hex(r.substr(0, 2)), "10 02");
    EXPECT_EQ(hex(r.substr(r.size() - 2)), "10 03");
}

TEST_F(RegisterSim, AcceptReplyIsAnEmptyFrameWithTheRequestsCommand) {
    run();
    // Slot 1, 384 x 384, as the tool sends it; the reply bytes computed independently.
    EXPECT_EQ(hex(ask_raw(from_hex("10 02 00 00 00 00 00 00 18 00 03 00 F8 11 42 01 56 80 01 56 80 "
                                   "01 F1 6E 10 03"))),
              "10 02 00 00 00 00 00 00 10 10 00 00 00 F8 11 FC 82 10 03");
    EXPECT_NE(stored("state.txt").find("slot 1 384x384 partial 0/18432\n"), std::string::npos);
}

TEST_F(RegisterSim, SlotSetAndAppendsStoreThePictureAndClearRemovesIt) {
    run();
    ASSERT_EQ(outcome({4600, {2}, {10, 2}}), 0);
    // The append example of the tool: slot 1 there, slot 2 here.
    ASSERT_EQ(outcome({4601, {2}, {}, "803f"}), 0);
    ASSERT_EQ(outcome({4601, {2}, {}, "ffff"}), 0);
    EXPECT_EQ(stored("slot2.pbm"),
              std::string("P4\n# tarvix-vizaze-sim slot 2\n10 2\n") + from_hex("80 3f ff ff"));
    EXPECT_EQ(outcome({4607, {2}}), 0);
    EXPECT_EQ(outcome({4603, {2, 1}}), 0);
    EXPECT_EQ(outcome({4604, {0, 1}}), 0);
    EXPECT_EQ(stored("state.txt").substr(0, 18), "header 2\nfooter 0\n");
    EXPECT_EQ(outcome({4606, {}}), 0);

    // Clearing slot 1 with the tool's own 20-byte frame: empty, and accepted all the same.
    auto cleared = parse(ask_raw(from_hex("10 02 00 00 00 00 00 00 12 00 01 00 FA 11 42 01 88 0F 10 03")));
    EXPECT_EQ(cleared->CMD_ID, 4602);
    EXPECT_EQ(cleared->DATA_LEN, 0);
    EXPECT_EQ(outcome({4602, {2}}), 0);
    EXPECT_FALSE(exists("slot2.pbm"));
    EXPECT_EQ(outcome({4607, {2}}), 3251);
}

TEST_F(RegisterSim, RefusalsNameTheCommandAndTheRegisterErrorCode) {
    run({"--read-only", "5"});
    // Wider than the register takes: exact refusal bytes.
    EXPECT_EQ(hex(ask(Request{4600, {1}, {385, 10}})),
              "10 02 00 00 00 00 00 00 16 00 02 00 00 00 56 F8 11 56 B5 0C E3 83 10 03");
    EXPECT_EQ(outcome({4600, {1}, {384, 385}}), 3253);
    EXPECT_EQ(outcome({4600, {7}, {8, 8}}), 3250);
    EXPECT_EQ(outcome({4600, {5}, {8, 8}}), 3252);
    EXPECT_EQ(outcome({4602, {5}}), 3252);
    EXPECT_EQ(outcome({4601, {1}, {}, "00"}), 3258);  // no slot opened
    ASSERT_EQ(outcome({4600, {1}, {8, 1}}), 0);
    EXPECT_EQ(outcome({4601, {1}, {}, "0"}), 2080);
    EXPECT_EQ(outcome({4601, {1}, {}, "g0"}), 2081);
    EXPECT_EQ(outcome({4601, {1}, {}, "0000"}), 3258);
    EXPECT_EQ(outcome({4603, {3, 1}}), 3251);
    EXPECT_EQ(outcome({4605, {}}), 3008);
    EXPECT_EQ(outcome({4600, {1}}), 3013);  // width and height missing
}

TEST_F(RegisterSim, WrongChecksumIsRefusedWith3006AndNothingIsDone) {
    run();
    std::string w = wire({4600, {3}, {8, 1}});
    w[w.size() - 3] = static_cast<char>(w[w.size() - 3] ^ 0x01);  // high checksum byte
    auto f = parse(ask_raw(w));
    EXPECT_EQ(f->CMD_ID, 0);
    ASSERT_EQ(f->DATA_LEN, 6);
    EXPECT_EQ(f->DATA[4] | (f->DATA[5] << 8), 3006);
    EXPECT_EQ(outcome({4607, {3}}), 3251);
}

// --debug: the core's diagnostics (here its warning about a request whose checksum does not
// match) on standard error; standard output holds the READY line only, as without it.
TEST_F(RegisterSim, DebugWritesTheCoresDiagnosticsToStandardErrorOnly) {
    TV_POSIX_ONLY("a pseudo-terminal reaches the simulator while it runs");
    std::string spoilt = wire({4600, {3}, {8, 1}});
    spoilt[spoilt.size() - 3] = static_cast<char>(spoilt[spoilt.size() - 3] ^ 0x01);  // high checksum byte
    for (const bool debug : {false, true}) {
        const std::string link = dir.file(debug ? "debug" : "plain");
        std::vector<std::string> args = {"--register", "--pty", link};
        if (debug) args.push_back("--debug");
        // The spoilt request once the simulator listens, its refusal, then Ctrl-C.
        const RunResult r =
            run_program(SimProcess::binary(), args, dir.path(), std::chrono::seconds(30), [&] {
                if (!std::filesystem::exists(link)) return false;
                RawLine pty = RawLine::pty(link);
                EXPECT_TRUE(pty.send(spoilt));
                EXPECT_EQ(parse(pty.read_register_reply())->CMD_ID, 0);
                return true;
            });
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(std::regex_match(r.out, std::regex("READY pty \\S+\n"))) << r.out;
        if (debug)
            EXPECT_NE(r.err.find("UWAGA - BLEDNA SUMA KONTROLNA W RAMCE"), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err, "");
    }
}

TEST(RegisterSimFaults, ErrorCorruptAndStaleRepliesOnTheBinarySide) {
    auto sim = start({"--register", "--tcp", "0", "--fail", "1:3256", "--bad-crc", "2", "--stale", "3"});
    ASSERT_TRUE(sim->ok());
    auto line = RawLine::tcp(sim->port());
    auto ask = [&](const Request& r) {
        line.send(wire(r));
        return line.read_register_reply();
    };
    auto f = parse(ask({4606, {}}));
    EXPECT_EQ(f->CMD_ID, 0);
    EXPECT_EQ(f->DATA[1] | (f->DATA[2] << 8), 4606);
    EXPECT_EQ(f->DATA[4] | (f->DATA[5] << 8), 3256);

    // An accepted 4606 with its checksum spoiled: header intact, checksum not.
    const std::string accepted = "10 02 00 00 00 00 00 00 10 10 00 00 00 FE 11 5A 28 10 03";
    const std::string corrupt = hex(ask({4606, {}}));
    EXPECT_EQ(corrupt.substr(0, 45), accepted.substr(0, 45));
    EXPECT_NE(corrupt, accepted);
    EXPECT_EQ(corrupt.substr(corrupt.size() - 5), "10 03");
    EXPECT_EQ(parse(from_hex(corrupt))->CMD_ID, 4606);

    auto stale = parse(ask({501, {}}));
    EXPECT_EQ(stale->CMD_ID, 4606);  // the reply meant for the previous command
    EXPECT_EQ(parse(ask({501, {}}))->CMD_ID, 501);
}

TEST(RegisterSimFaults, CorruptedChecksumStaysAWellFormedFrameWhenItsHighByteIsDoubled) {
    // With this unique number the status reply's checksum is 0x1038: its high byte 0x10
    // goes out doubled right before the end pair.
    auto sim = start({"--register", "--tcp", "0", "--unique", "U281", "--bad-crc", "2"});
    ASSERT_TRUE(sim->ok());
    auto line = RawLine::tcp(sim->port());
    auto status = [&] {
        line.send(from_hex("10 02 00 00 00 00 00 00 10 10 00 00 00 F5 01 91 E6 10 03"));
        return line.read_register_reply();
    };
    const std::string good = status();
    EXPECT_EQ(hex(good.substr(good.size() - 5)), "38 10 10 10 03");
    EXPECT_EQ(parse(good)->CRC, 0x1038);

    const std::string bad = status();
    // The doubled high byte becomes one byte that needs no doubling.
    EXPECT_EQ(bad.substr(0, bad.size() - 4), good.substr(0, good.size() - 5));
    EXPECT_EQ(hex(bad.substr(bad.size() - 4)), "38 11 10 03");
    auto f = parse(bad);
    EXPECT_EQ(f->CMD_ID, 501);
    EXPECT_EQ(f->DATA_LEN, parse(good)->DATA_LEN);
    EXPECT_NE(f->CRC, 0x1038);
}
