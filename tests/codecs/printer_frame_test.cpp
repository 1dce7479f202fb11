// Printer request frames: exact bytes on the wire, escape conversion, the payload cut,
// Windows-1250 payloads, and the string matchers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "codecs/printer/crc_table.h"
#include "support/recording_host.h"
#include "support/wire_oracle.h"

using namespace tv;
using namespace tv::test;

namespace {
std::string frame_of(const char* cmd) { return std::string(tarv_frame(cmd)); }
}  // namespace

TEST(PrinterFrame, WorkedExamplesByteForByte) {
    EXPECT_EQ(hex(frame_of("sid\t")), "02 73 69 64 09 23 38 41 39 34 03");
    EXPECT_EQ(frame_of("scomm\t"), "\x02scomm\t#C42B\x03");
    EXPECT_EQ(frame_of("!sdev\t"), "\x02!sdev\t#5392\x03");
    EXPECT_EQ(frame_of("prncancel\t"), "\x02prncancel\t#6B3B\x03");
    EXPECT_EQ(hex(frame_of("")), "02 23 30 30 30 30 03");
}

TEST(PrinterFrame, ChecksumMatchesPublishedCheckAndBitwiseCrc) {
    char out[5];
    crc16("123456789", out);
    EXPECT_STREQ(out, "31C3");
    // The table agrees with a bitwise computation over every single byte and a long text.
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    char expect[5];
    hex_ch(static_cast<int>(bitwise_crc(all)), expect);
    crc16(all.c_str(), out);
    EXPECT_STREQ(out, expect);
}

TEST(PrinterFrame, EscapeBecomesOneLineFeedOnlyWhenComplete) {
    std::string f = frame_of("abc\\LFdef");
    EXPECT_EQ(f.substr(1, 7), std::string("abc\ndef"));
    char check[5];
    crc16("abc\ndef", check);
    EXPECT_EQ(f.substr(9, 4), check);
    // A trailing backslash-L and a lone backslash stay as they are.
    EXPECT_EQ(frame_of("x\\L").substr(1, 3), "x\\L");
    EXPECT_EQ(frame_of("\\LX").substr(1, 3), "\\LX");
    // The test form line of the header job: "\LF" inside a field.
    EXPECT_NE(frame_of("s1test \\LFtest\t").find("test \ntest"), std::string::npos);
}

TEST(PrinterFrame, LongCommandIsCutAtPayloadLimitAndChecksumCoversWhatWasKept) {
    std::string cmd(5000, 'a');
    std::string f = frame_of(cmd.c_str());
    ASSERT_EQ(f.size(), 1u + MAX_PAYLOAD + 1 + 4 + 1);
    EXPECT_EQ(f.front(), '\x02');
    EXPECT_EQ(f.back(), '\x03');
    char check[5];
    hex_ch(static_cast<int>(bitwise_crc(std::string(MAX_PAYLOAD, 'a'))), check);
    EXPECT_EQ(f.substr(1 + MAX_PAYLOAD + 1, 4), check);
    // Escapes count as one payload byte each towards the limit.
    std::string esc;
    for (int i = 0; i < 2000; ++i) esc += "\\LF";
    std::string g = frame_of(esc.c_str());
    EXPECT_EQ(g.size(), 1u + 2000 + 1 + 4 + 1);
}

TEST(PrinterFrame, PolishTextIsFramedInWindows1250) {
    std::string f = frame_of("fl\xC5\x82\xC3\xB3\t");  // "fłó\t" in UTF-8
    EXPECT_EQ(hex(f.substr(0, 6)), "02 66 6C B3 F3 09");
    char check[5];
    hex_ch(static_cast<int>(bitwise_crc("fl\xB3\xF3\t")), check);
    EXPECT_EQ(f.substr(7, 4), check);
}

TEST(PrinterFrame, HexDigitsAreUpperCaseWithLeadingZeros) {
    char out[5];
    hex_ch(0x0A05, out);
    EXPECT_STREQ(out, "0A05");
    hex_ch(0x1FFFF, out);
    EXPECT_STREQ(out, "FFFF");
}

TEST(PrinterMatchers, PrefixAndEquality) {
    EXPECT_TRUE(cmpr1("\tfsT", "\tfs"));
    EXPECT_FALSE(cmpr1("\tf", "\tfs"));
    EXPECT_TRUE(cmpr1("anything", ""));
    EXPECT_TRUE(cmpr2("abc", "abc"));
    EXPECT_FALSE(cmpr2("abc", "abcd"));
    EXPECT_FALSE(cmpr2("abc", "ABC"));
}

TEST(PrinterReply, AnswersItsCommandOnlyWithTheNameThenATabAndASoundChecksum) {
    std::string lower = printer_frame("sid\t");  // ...#8A94: the checksum's A in lower case
    lower[lower.size() - 4] = 'a';
    std::string off_by_one = printer_frame("sid\tnmA\t");
    off_by_one[off_by_one.size() - 2] ^= 0x01;
    const struct {
        std::string reply;
        const char* command;
        bool answers;
    } cases[] = {
        {printer_frame("sid\tnmTX\tvr1\t"), "sid\t", true},
        {printer_frame("imgslotset\t"), "imgslotset\tno1\twx1\thx1\t", true},
        {printer_frame("sid\t?12\t"), "sid\t", true},     // an error reply answers too
        {printer_frame("sidx\tnmTX\t"), "sid\t", false},  // a longer name that starts alike
        {printer_frame("si\tnmTX\t"), "sid\t", false},    // a shorter one
        {printer_frame("sid"), "sid\t", false},           // the name without its tab
        {printer_frame("scomm\tfsT\t"), "sid\t", false},  // another command's reply
        {printer_frame("\tnmTX\t"), "\t", false},         // no name at all
        {off_by_one, "sid\t", false},
        {lower, "sid\t", false},
        {printer_frame("sid\tnmA\t").substr(0, 13), "sid\t", false},    // cut before its ETX
        {printer_frame("sid\t").substr(0, 10) + "\t", "sid\t", false},  // another byte for the ETX
    };
    for (const auto& c : cases)
        EXPECT_EQ(reply_answers(c.reply.c_str(), c.command), c.answers) << hex(c.reply);
}
