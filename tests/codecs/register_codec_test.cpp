// Field codecs: BCD numbers with ten's complement, words, bytes, texts (Windows-1250 on
// the wire, UTF-8 in the program), and the bounded in-order reading of a reply.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "support/recording_host.h"

using namespace tv;
using tv::test::hex;

namespace {
// A parsed reply whose field area holds the given bytes.
KS_FRM reply_with(const std::vector<unsigned char>& data) {
    KS_FRM f;
    f.clear();
    f.CMD_ID = 1;
    if (!data.empty()) std::memcpy(f.DATA, data.data(), data.size());
    f.DATA_LEN = static_cast<std::uint16_t>(data.size());
    return f;
}
}  // namespace

TEST(RegisterCodecs, BcdNumbersWithTensComplement) {
    struct Case {
        std::vector<unsigned char> bytes;
        std::int64_t value;
    };
    const Case cases[] = {
        {{0x4E, 0x00, 0x00, 0x00, 0x01, 0x23, 0x45}, 12345},
        {{0x4E, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99}, -1},
        {{0x4E, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00}, -500000000000LL},
        {{0x4E, 0x49, 0x99, 0x99, 0x99, 0x99, 0x99}, 499999999999LL},
        {{0x4E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, 1},
        {{0x4E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A}, 10},  // a nibble above 9 counts as is
    };
    for (auto c : cases) EXPECT_EQ(vN(c.bytes.data()), c.value) << hex(c.bytes.data(), 7);
}

TEST(RegisterCodecs, WordsBytesAndLongs) {
    unsigned char v[] = {0x56, 0x34, 0x12};
    EXPECT_EQ(vV(v), 4660);
    unsigned char b[] = {0x42, 0xC8};
    EXPECT_EQ(vB(b), 200);
    unsigned char l[] = {KS_TAG_L, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(vL(l), 0x12345678u);

    unsigned char out[8];
    std::memset(out, 0xEE, sizeof out);
    cV(4660, out);
    EXPECT_EQ(hex(out, 5), "56 34 12 00 EE");
    std::memset(out, 0xEE, sizeof out);
    cB(300, out);  // only the low byte goes into the field
    EXPECT_EQ(hex(out, 4), "42 2C 00 EE");
}

TEST(RegisterCodecs, TextsAreCutAt1999WireBytesAndComeBackAsUtf8) {
    unsigned char empty[] = {0x53, 0x00};
    EXPECT_STREQ(vS(empty), "");

    std::vector<unsigned char> longer(1 + 2500 + 1, 'a');
    longer[0] = 0x53;
    longer.back() = 0;
    EXPECT_EQ(std::string(vS(longer.data())), std::string(1999, 'a'));

    unsigned char polish[] = {0x53, 'M', 0xF3, 'j', ' ', 0xB9, 0x9C, 0x00, 'x'};
    EXPECT_STREQ(vS(polish), "Mój ąś");

    // 1999 two-byte letters survive whole: the buffer is sized for UTF-8.
    std::vector<unsigned char> wide(1 + 2100 + 1, 0xB9);
    wide[0] = 0x53;
    wide.back() = 0;
    std::string expect;
    for (int i = 0; i < 1999; ++i) expect += "ą";
    EXPECT_EQ(std::string(vS(wide.data())), expect);
}

TEST(RegisterCodecs, ReaderChecksTagsAndStaysInsideTheFieldArea) {
    KS_FRM f = reply_with(
        {0x56, 0x07, 0x00, 0x53, 'A', 0xA5, 0x00, 0x4E, 0, 0, 0, 0, 0x12, 0x34, 0x42, 0x09, 0x42, 0x05});
    FieldReader r(f);
    std::uint16_t w = 0, b = 0;
    std::int64_t n = 0;
    std::string t;
    EXPECT_TRUE(r.V(w));
    EXPECT_EQ(w, 7);
    EXPECT_TRUE(r.S(t, 1));  // cut at one character, position past the whole field
    EXPECT_EQ(t, "A");
    EXPECT_TRUE(r.N(n));
    EXPECT_EQ(n, 1234);
    EXPECT_FALSE(r.V(w));  // a B field where a V is expected: decoding stops
    EXPECT_FALSE(r.B(b));  // and stays stopped
    EXPECT_EQ(b, 0);

    // A field cut off by the end of the area, or a text without its zero, is not read.
    KS_FRM cut = reply_with({0x42, 0x01, 0x56, 0x01});
    FieldReader rc(cut);
    EXPECT_TRUE(rc.B(b));
    EXPECT_FALSE(rc.V(w));
    KS_FRM open_text = reply_with({0x53, 'a', 'b'});
    FieldReader ro(open_text);
    EXPECT_FALSE(ro.S(t));
}

TEST(RegisterCodecs, ErrorCodeSkipsTheFirstVAndZeros) {
    struct Case {
        const char* what;
        std::vector<unsigned char> data;
        std::uint16_t code;
    };
    const Case cases[] = {
        {"command, zero, code", {0x56, 0xFA, 0x11, 0x56, 0, 0, 0x56, 12, 0}, 12},
        {"the command only", {0x56, 0xFA, 0x11}, 0},
        {"no field", {}, 0},
        {"other kinds between",
         {0x42, 0x01, 0x56, 0xFA, 0x11, 0x53, 0x00, 0x56, 0xB3, 0x0C, 0x56, 0x05, 0x00},
         3251},
        {"a V at the very end reads its missing byte as 0", {0x56, 1, 0, 0x56, 0x07}, 7},
        // A 0x56 byte inside another field's value is no V field.
        {"text \"V\\x01\" before the code", {0x56, 0xFA, 0x11, 0x53, 'V', 0x01, 0x00, 0x56, 12, 0}, 12},
        {"text \"xVy\" before the code", {0x56, 0xFA, 0x11, 0x53, 'x', 'V', 'y', 0x00, 0x56, 12, 0}, 12},
        {"byte 0x56 before the code", {0x56, 0xFA, 0x11, 0x42, 0x56, 0x56, 12, 0}, 12},
        {"number holding 56 01 00",
         {0x56, 0xFA, 0x11, 0x4E, 0x00, 0x56, 0x01, 0x00, 0x00, 0x00, 0x56, 12, 0},
         12},
        {"long holding 56 07", {0x56, 0xFA, 0x11, 0x4C, 0x56, 0x07, 0x00, 0x00, 0x56, 12, 0}, 12},
        {"a V value holding 0x56", {0x56, 0x56, 0x56, 0x56, 0x56, 0x01, 0x56, 12, 0}, 0x156},
        // A field whose length cannot be known ends the walk: what follows may be its value.
        {"unknown field kind", {0x56, 0xFA, 0x11, 0x99, 0x56, 0x01, 0x00, 0x56, 12, 0}, 0},
        {"text without its end", {0x56, 0xFA, 0x11, 0x53, 'V', 0x01}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ks_error_code(reply_with(c.data)), c.code) << c.what;
}
