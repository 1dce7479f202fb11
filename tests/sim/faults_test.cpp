// Fault injection of the simulator, on the printer side over TCP: each fault hits exactly
// the command it names, and the commands around it are served normally.
#include <gtest/gtest.h>

#include <chrono>

#include "sim_test_util.h"

using namespace tv::test;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

namespace {
struct SimFaults : SimLine {
    void run(const std::vector<std::string>& faults) { launch("--printer", faults); }
};
}  // namespace

TEST_F(SimFaults, ErrorReplyAtTheNamedCommandOnlyAndTheCommandIsNotCarriedOut) {
    run({"--fail", "2:3256"});
    EXPECT_EQ(ask("prncancel\t"), kCancel);
    EXPECT_EQ(ask("imgslotset\tno1\twx8\thx1\ttxff\t"), printer_frame("imgslotset\t?3256\t"));
    EXPECT_EQ(ask("imgprogrep\tno1\t"), printer_frame("imgprogrep\t?3251\t"));
    EXPECT_EQ(ask("sid\t"), kSid);
}

TEST_F(SimFaults, ErrorReplyForEveryCommand) {
    run({"--fail", "*:50"});
    EXPECT_EQ(ask("sid\t"), printer_frame("sid\t?50\t"));
    EXPECT_EQ(ask("prncancel\t"), printer_frame("prncancel\t?50\t"));
}

TEST_F(SimFaults, NoReplyLeavesTheLineSilentThenServesTheNext) {
    run({"--no-reply", "1"});
    line->send(printer_frame("prncancel\t"));
    EXPECT_EQ(ask("sid\t"), kSid);  // the first thing on the line: the cancel got nothing
}

TEST_F(SimFaults, CorruptedChecksumKeepsThePayload) {
    run({"--bad-crc", "2"});
    EXPECT_EQ(ask("sid\t"), kSid);
    const std::string r = ask("sid\t");
    ASSERT_EQ(r.size(), kSid.size());
    EXPECT_EQ(r.substr(0, r.size() - 5), kSid.substr(0, kSid.size() - 5));
    for (std::size_t i = r.size() - 5; i < r.size() - 1; ++i) {
        EXPECT_NE(r[i], kSid[i]) << "digit " << i;
        EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(r[i])));
    }
    EXPECT_EQ(r.back(), '\x03');
    EXPECT_EQ(ask("sid\t"), kSid);
}

TEST_F(SimFaults, DroppedConnectionAtTheNamedCommandThenANewOneIsServed) {
    run({"--drop", "2"});
    EXPECT_EQ(ask("sid\t"), kSid);
    line->send(printer_frame("sid\t"));
    EXPECT_TRUE(line->wait_closed(milliseconds(2000)));
    auto again = RawLine::tcp(sim->port());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(tv::test::ask(again, "sid\t"), kSid);
}

TEST_F(SimFaults, StaleReplyAnswersWithThePreviousCommandsReply) {
    run({"--stale", "2"});
    EXPECT_EQ(ask("sid\t"), kSid);
    EXPECT_EQ(ask("prncancel\t"), kSid);  // the reply meant for command 1
    EXPECT_EQ(ask("prncancel\t"), kCancel);
}

TEST_F(SimFaults, JunkBytesFollowTheReply) {
    run({"--junk", "1:4142ff"});
    EXPECT_EQ(ask("sid\t"), kSid);
    // The junk came right after that reply, so it stands before the next one.
    EXPECT_EQ(ask("sid\t"), "AB\xFF" + kSid);
    EXPECT_EQ(ask("sid\t"), kSid);
}

TEST_F(SimFaults, DelayedReplyComesWholeAfterTheDelay) {
    run({"--delay", "2:3000"});
    // The first reply is not delayed: it comes well within the delay.
    line->send(printer_frame("sid\t"));
    EXPECT_EQ(line->read_printer_reply(std::chrono::milliseconds(2000)), kSid);
    const auto t0 = Clock::now();
    line->send(printer_frame("sid\t"));
    EXPECT_EQ(line->read_printer_reply(std::chrono::seconds(10)), kSid);
    EXPECT_GE(elapsed_ms(t0), 3000);
}

TEST_F(SimFaults, TrickledReplyArrivesByteByByte) {
    run({"--trickle", "15"});
    const auto t0 = Clock::now();
    // Sent whole, the reply would be here within a few milliseconds; trickled, its 16
    // bytes need at least 15 pauses.
    EXPECT_EQ(ask("prncancel\t"), kCancel);
    EXPECT_GE(elapsed_ms(t0), 15 * static_cast<long>(kCancel.size() - 1) - 5);
}
