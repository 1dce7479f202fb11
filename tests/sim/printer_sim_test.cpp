// The simulated fiscal printer over TCP: reply frames byte for byte, frame and syntax
// errors, slot programming with the stored pictures, and the request log.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <utility>

#include "sim_test_util.h"
#include "support/platform.h"

using namespace tv::test;

namespace {

struct PrinterSim : SimLine {
    void run(const std::vector<std::string>& extra = {}) { launch("--printer", extra); }
    std::string error_of(const std::string& text) {
        const std::string r = ask(text);
        const auto q = r.find("\t?");
        return q == std::string::npos ? "" : r.substr(q + 2, r.find('\t', q + 2) - q - 2);
    }
    // Sends each request in turn; each must be answered with its error number ("" none).
    void expect_errors(std::initializer_list<std::pair<const char*, const char*>> exchanges) {
        for (const auto& [request, error] : exchanges) EXPECT_EQ(error_of(request), error) << request;
    }
};

}  // namespace

TEST_F(PrinterSim, IdentityRepliesAreExactFramesWithTheConfiguredValues) {
    run({"--name", "Drukarka Łódź", "--fw-version", "2.05", "--unique", "XYZ000000001", "--fiscal", "N",
         "--status", "3"});
    EXPECT_EQ(ask("sid\t"),
              "\x02sid\tnmDrukarka \xA3\xF3"
              "d\x9F\tvr2.05\t#64D7\x03");
    EXPECT_EQ(ask("scomm\t"), "\x02scomm\tfsN\tnuXYZ000000001\t#BFA7\x03");
    EXPECT_EQ(ask("!sdev\t"), "\x02!sdev\tds3\t#2B2A\x03");
    EXPECT_EQ(ask("prncancel\t"), kCancel);
}

TEST_F(PrinterSim, WrongChecksumIsRefusedWithError5AndNothingIsDone) {
    run();
    std::string f = printer_frame("imgslotset\tno1\twx8\thx1\ttxff\t");
    f[f.size() - 2] = f[f.size() - 2] == '0' ? '1' : '0';
    EXPECT_EQ(line->send(f), true);
    const std::string r = line->read_printer_reply();
    EXPECT_EQ(r.substr(0, 16), "\x02imgslotset\t?5\t#");
    EXPECT_EQ(error_of("imgprogrep\tno1\t"), "3251");  // the slot stayed empty
    EXPECT_FALSE(exists("slot1.pbm"));
}

TEST_F(PrinterSim, SyntaxErrorsCarryThePrinterNumbers) {
    run();
    expect_errors({
        {"imgfoo\tno1\t", "1"},
        {"imgslotset\tno1\twx8\t", "2"},  // hx missing
        {"imgslotappend\tno1\t", "2"},    // tx missing
        {"imgheaderset\t", "2"},
        {"imgslotset\tnoA\twx8\thx1\t", "3"},  // not a number
        {"imgprogrep\t\tno1\t", "6"},          // two tabs: an empty field
        {"sid\t", ""},
    });
    // No hash sign: STX payload ETX.
    line->send("\x02sid\t\x03");
    EXPECT_EQ(line->read_printer_reply(), printer_frame("sid\t?15\t"));
    // Three checksum digits.
    line->send("\x02sid\t#8A9\x03");
    EXPECT_NE(line->read_printer_reply().find("\t?9\t"), std::string::npos);
}

TEST_F(PrinterSim, NoiseBeforeAFrameIsIgnoredAndTwoFramesInOneWriteGetTwoReplies) {
    run();
    line->send("\xFF\x01garbage" + printer_frame("!sdev\t") + printer_frame("prncancel\t"));
    EXPECT_EQ(line->read_printer_reply(), printer_frame("!sdev\tds0\t"));
    EXPECT_EQ(line->read_printer_reply(), kCancel);
}

TEST_F(PrinterSim, OverlongFrameIsRefusedWithBufferOverrun) {
    run();
    const std::string payload = "imgslotappend\tno1\ttx" + std::string(4400, 'f') + "\t";
    line->send("\x02" + payload + "#0000\x03");
    EXPECT_NE(line->read_printer_reply().find("\t?11\t"), std::string::npos);
    EXPECT_EQ(ask("prncancel\t"), kCancel);  // still serving
}

TEST_F(PrinterSim, SlotSetAndAppendsStoreThePictureBitForBit) {
    run();
    // 12 x 3 pixels: two payload bytes per row, six in all, sent as the tool splits them.
    EXPECT_EQ(ask("prncancel\t"), kCancel);
    EXPECT_EQ(ask("imgslotset\tno2\twx12\thx3\ttx80f0\t"), "\x02imgslotset\t#75DF\x03");
    EXPECT_EQ(stored("state.txt").find("slot 2 12x3 partial 2/6") != std::string::npos, true);
    EXPECT_EQ(ask("imgslotappend\tno2\ttx0130\t"), "\x02imgslotappend\t#71B7\x03");
    EXPECT_EQ(ask("imgslotappend\tno2\ttxFFa5\t"), "\x02imgslotappend\t#71B7\x03");

    EXPECT_EQ(stored("slot2.pbm"),
              std::string("P4\n# tarvix-vizaze-sim slot 2\n12 3\n") + from_hex("80 f0 01 30 ff a5"));
    const std::string state = stored("state.txt");
    EXPECT_NE(state.find("slot 2 12x3 complete 6/6\n"), std::string::npos) << state;
    EXPECT_NE(state.find("slot 1 empty\n"), std::string::npos);

    EXPECT_EQ(error_of("imgprogrep\tno2\t"), "");
    EXPECT_EQ(error_of("imgheaderset\tno2\t"), "");
    EXPECT_EQ(error_of("imgfooterset\tno0\t"), "");
    EXPECT_EQ(stored("state.txt").substr(0, 18), "header 2\nfooter 0\n");
}

TEST_F(PrinterSim, SlotErrorsLeaveTheStoredPictureAsItWas) {
    run();
    ASSERT_EQ(error_of("imgslotset\tno1\twx8\thx2\ttx1234\t"), "");
    const std::string before = stored("slot1.pbm");

    expect_errors({
        {"imgslotset\tno7\twx8\thx2\t", "3250"},
        {"imgslotset\tno0\twx8\thx2\t", "3250"},
        {"imgslotset\tno1\twx641\thx2\t", "3253"},
        {"imgslotset\tno1\twx8\thx0\ttx\t", "3253"},
        {"imgslotset\tno1\twx8\thx2\ttx123\t", "2080"},
        {"imgslotset\tno1\twx8\thx2\ttx12zz\t", "2081"},
        {"imgslotset\tno1\twx8\thx2\ttx123456\t", "3258"},  // 3 bytes for 2
        {"imgslotappend\tno1\ttx00\t", "3258"},             // picture already full
        {"imgslotappend\tno3\ttx00\t", "3258"},             // slot never opened
        {"imgprogrep\tno1\t", ""},
        // A half-sent picture cannot be reported or put on the receipt.
        {"imgslotset\tno4\twx16\thx2\ttx0102\t", ""},
        {"imgprogrep\tno4\t", "3258"},
        {"imgheaderset\tno4\t", "3258"},
        {"imgfooterset\tno5\t", "3251"},
        {"imgfooterset\tno7\t", "3250"},
        // After a cancel the picture takes no more data.
        {"prncancel\t", ""},
        {"imgslotappend\tno4\ttx0304\t", "3258"},
    });
    EXPECT_EQ(stored("slot1.pbm"), before);  // no refusal touched it
}

TEST_F(PrinterSim, OneByOneSlotCountsAsClearedAndFreesTheHeader) {
    run();
    ASSERT_EQ(error_of("imgslotset\tno3\twx8\thx1\ttx7e\t"), "");
    ASSERT_EQ(error_of("imgheaderset\tno3\t"), "");
    ASSERT_TRUE(exists("slot3.pbm"));
    // The clear line as the tool sends it: no data field.
    EXPECT_EQ(ask("imgslotset\tno3\twx1\thx1\t"), "\x02imgslotset\t#75DF\x03");
    EXPECT_FALSE(exists("slot3.pbm"));
    EXPECT_NE(stored("state.txt").find("header 0\n"), std::string::npos);
    EXPECT_NE(stored("state.txt").find("slot 3 empty\n"), std::string::npos);
    EXPECT_EQ(error_of("imgprogrep\tno3\t"), "3251");
}

TEST_F(PrinterSim, ReadOnlySlotRefusesSetAndClearOthersStillWork) {
    run({"--read-only", "3"});
    EXPECT_EQ(error_of("imgslotset\tno3\twx8\thx1\ttx7e\t"), "3252");
    EXPECT_EQ(error_of("imgslotset\tno3\twx1\thx1\t"), "3252");
    EXPECT_EQ(error_of("imgslotappend\tno3\ttx7e\t"), "3252");
    EXPECT_EQ(error_of("imgslotset\tno4\twx8\thx1\ttx7e\t"), "");
    EXPECT_NE(stored("state.txt").find("slot 3 empty read-only\n"), std::string::npos);
}

TEST_F(PrinterSim, ClearAllAndTestFormRunAsTheToolSendsThem) {
    run();
    const char* lines[] = {"prncancel\t",
                           "imgslotset\tno1\twx1\thx1\t",
                           "imgslotset\tno2\twx1\thx1\t",
                           "imgslotset\tno3\twx1\thx1\t",
                           "imgslotset\tno4\twx1\thx1\t",
                           "imgslotset\tno5\twx1\thx1\t",
                           "imgslotset\tno6\twx1\thx1\t",
                           "imgheaderset\tno0\t",
                           "imgfooterset\tno0\t",
                           "formstart\tfn200\tfh84\talW Y D R U K   T E S T O W Y\t",
                           "formline\tfn200\tfl706\ts1test \\LFtest  test\t",
                           "formend\tfn200\t",
                           "imgrep\t"};
    for (const char* l : lines) EXPECT_EQ(error_of(l), "") << l;
    EXPECT_EQ(error_of("formline\tfn200\tfl706\ts1x\t"), "2505");
    EXPECT_EQ(error_of("formstart\tfn200\t"), "");
    EXPECT_EQ(error_of("formstart\tfn200\t"), "2506");
    EXPECT_EQ(error_of("prncancel\t"), "");
    EXPECT_EQ(error_of("formend\tfn200\t"), "2505");  // the cancel ended the form
}

TEST_F(PrinterSim, LogHoldsEveryRequestFrameInBothFormats) {
    run({"--log", dir.file("req.log")});
    const std::string a = printer_frame("sid\t"), b = printer_frame("imgslotset\tno1\twx8\thx1\ttxff\t");
    std::string bad = printer_frame("scomm\t");
    bad[bad.size() - 2] = 'X';
    for (const std::string& f : {a, b, bad}) {
        line->send(f);
        ASSERT_NE(line->read_printer_reply(), "");
    }
    EXPECT_EQ(read_file(dir.file("req.log.hex")), hex(a) + "\n" + hex(b) + "\n" + hex(bad) + "\n");
    auto record = [](const std::string& f) {
        const auto n = f.size();
        return std::string{static_cast<char>(n), static_cast<char>(n >> 8), 0, 0} + f;
    };
    EXPECT_EQ(read_file(dir.file("req.log")), record(a) + record(b) + record(bad));
}

TEST_F(PrinterSim, ConnectionsAreServedOneAfterAnotherWithTheMemoryKept) {
    run();
    ASSERT_EQ(error_of("imgslotset\tno6\twx8\thx1\ttx55\t"), "");
    line->close();
    auto second = RawLine::tcp(sim->port());
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(tv::test::ask(second, "imgprogrep\tno6\t"), printer_frame("imgprogrep\t"));
}

TEST(PrinterSimExit, TermSignalEndsCleanlyAndDumpsTheSlots) {
    TV_POSIX_ONLY("SIGTERM; Windows ends the simulator at once");
    TempDir dir;
    auto sim = start({"--tcp", "0", "--dump", dir.file("dump")});
    ASSERT_TRUE(sim->ok());
    {
        auto line = RawLine::tcp(sim->port());
        EXPECT_EQ(ask(line, "imgslotset\tno5\twx9\thx1\ttxc080\t"), "\x02imgslotset\t#75DF\x03");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("dump/slot5.pbm")));  // only at exit
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_EQ(read_file(dir.file("dump/slot5.pbm")),
              std::string("P4\n# tarvix-vizaze-sim slot 5\n9 1\n") + from_hex("c0 80"));
    EXPECT_NE(read_file(dir.file("dump/state.txt")).find("slot 5 9x1 complete 2/2\n"), std::string::npos);
}

TEST(PrinterSimOptions, BadOptionsEndWithStatus2AndHelpWithStatus0) {
    SimProcess bad({"--tcp", "99999"}, std::chrono::seconds(3));
    EXPECT_FALSE(bad.ok());
    EXPECT_EQ(bad.wait_exit(std::chrono::seconds(3)), 2);
    SimProcess both({"--tcp", "0", "--pty", "/tmp/x"}, std::chrono::seconds(3));
    EXPECT_EQ(both.wait_exit(std::chrono::seconds(3)), 2);
    SimProcess help({"--help"}, std::chrono::seconds(3));
    EXPECT_FALSE(help.ok());  // its first line is the usage, not READY
    EXPECT_EQ(help.wait_exit(std::chrono::seconds(3)), 0);
    SimProcess unwritable({"--tcp", "0", "--store", "/dev/null/store"}, std::chrono::seconds(3));
    EXPECT_FALSE(unwritable.ok());
    EXPECT_EQ(unwritable.wait_exit(std::chrono::seconds(3)), 1);
}
