// Fault injection of the simulator, on the printer side over TCP: each fault hits exactly
// the command it names, and the commands around it are served normally.
#include <gtest/gtest.h>

#include <chrono>

#include "sim_test_util.h"

using namespace simtest;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kSid = "\x02sid\tnmTARVIX SIM\tvr1.00\t#2BE1\x03";
const std::string kCancel = "\x02prncancel\t#6B3B\x03";

struct Faulty {
    std::unique_ptr<SimProcess> sim;
    RawLine line = RawLine::tcp(0);

    explicit Faulty(std::vector<std::string> faults) {
        std::vector<std::string> args = {"--tcp", "0"};
        args.insert(args.end(), faults.begin(), faults.end());
        sim = start(args);
        if (sim->ok()) line = RawLine::tcp(sim->port());
    }
    std::string ask(const std::string& text) { return simtest::ask(line, text); }
};

long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

}  // namespace

TEST(SimFaults, ErrorReplyAtTheNamedCommandOnlyAndTheCommandIsNotCarriedOut) {
    tv::test::TempDir dir;
    Faulty g({"--fail", "2:3256", "--store", dir.file("st")});
    ASSERT_TRUE(g.sim->ok());
    EXPECT_EQ(g.ask("prncancel\t"), kCancel);
    EXPECT_EQ(g.ask("imgslotset\tno1\twx8\thx1\ttxff\t"), pframe("imgslotset\t?3256\t"));
    EXPECT_EQ(g.ask("imgprogrep\tno1\t"), pframe("imgprogrep\t?3251\t"));
    EXPECT_EQ(g.ask("sid\t"), kSid);
}

TEST(SimFaults, ErrorReplyForEveryCommand) {
    Faulty f({"--fail", "*:50"});
    ASSERT_TRUE(f.sim->ok());
    EXPECT_EQ(f.ask("sid\t"), pframe("sid\t?50\t"));
    EXPECT_EQ(f.ask("prncancel\t"), pframe("prncancel\t?50\t"));
}

TEST(SimFaults, NoReplyLeavesTheLineSilentThenServesTheNext) {
    Faulty f({"--no-reply", "1"});
    ASSERT_TRUE(f.sim->ok());
    f.line.send(pframe("prncancel\t"));
    EXPECT_EQ(f.line.read_for(milliseconds(300)), "");
    EXPECT_EQ(f.ask("sid\t"), kSid);
}

TEST(SimFaults, CorruptedChecksumKeepsThePayload) {
    Faulty f({"--bad-crc", "2"});
    ASSERT_TRUE(f.sim->ok());
    EXPECT_EQ(f.ask("sid\t"), kSid);
    const std::string r = f.ask("sid\t");
    ASSERT_EQ(r.size(), kSid.size());
    EXPECT_EQ(r.substr(0, r.size() - 5), kSid.substr(0, kSid.size() - 5));
    for (std::size_t i = r.size() - 5; i < r.size() - 1; ++i) {
        EXPECT_NE(r[i], kSid[i]) << "digit " << i;
        EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(r[i])));
    }
    EXPECT_EQ(r.back(), '\x03');
    EXPECT_EQ(f.ask("sid\t"), kSid);
}

TEST(SimFaults, DroppedConnectionAtTheNamedCommandThenANewOneIsServed) {
    Faulty f({"--drop", "2"});
    ASSERT_TRUE(f.sim->ok());
    EXPECT_EQ(f.ask("sid\t"), kSid);
    f.line.send(pframe("sid\t"));
    EXPECT_TRUE(f.line.wait_closed(milliseconds(2000)));
    auto again = RawLine::tcp(f.sim->port());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(ask(again, "sid\t"), kSid);
}

TEST(SimFaults, StaleReplyAnswersWithThePreviousCommandsReply) {
    Faulty f({"--stale", "2"});
    ASSERT_TRUE(f.sim->ok());
    EXPECT_EQ(f.ask("sid\t"), kSid);
    EXPECT_EQ(f.ask("prncancel\t"), kSid);  // the reply meant for command 1
    EXPECT_EQ(f.ask("prncancel\t"), kCancel);
}

TEST(SimFaults, JunkBytesFollowTheReply) {
    Faulty f({"--junk", "1:4142ff"});
    ASSERT_TRUE(f.sim->ok());
    EXPECT_EQ(f.ask("sid\t"), kSid);
    EXPECT_EQ(f.line.read_for(milliseconds(200)), "AB\xFF");
    EXPECT_EQ(f.ask("sid\t"), kSid);
    EXPECT_EQ(f.line.read_for(milliseconds(100)), "");
}

TEST(SimFaults, DelayedReplyComesWholeAfterTheDelay) {
    Faulty f({"--delay", "2:300"});
    ASSERT_TRUE(f.sim->ok());
    auto t0 = Clock::now();
    EXPECT_EQ(f.ask("sid\t"), kSid);
    EXPECT_LT(elapsed_ms(t0), 250);
    t0 = Clock::now();
    f.line.send(pframe("sid\t"));
    EXPECT_EQ(f.line.read_for(milliseconds(150)), "");  // nothing early
    EXPECT_EQ(f.line.read_printer_reply(), kSid);
    EXPECT_GE(elapsed_ms(t0), 295);
}

TEST(SimFaults, TrickledReplyArrivesByteByByte) {
    Faulty f({"--trickle", "15"});
    ASSERT_TRUE(f.sim->ok());
    const auto t0 = Clock::now();
    // Sent whole, the reply would be here within a few milliseconds; trickled, its 16
    // bytes need at least 15 pauses.
    EXPECT_EQ(f.ask("prncancel\t"), kCancel);
    EXPECT_GE(elapsed_ms(t0), 15 * static_cast<long>(kCancel.size() - 1) - 5);
}
