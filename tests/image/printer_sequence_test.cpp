// The printer graphic sequence in seq_tab: exact text of the worked example, the line
// shapes at the block limits, polarity, report line, and what a refused file leaves.
#include <gtest/gtest.h>

#include <cstring>

#include "image/uploads.h"
#include "upload_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

class PrinterSequence : public UploadTest {
  protected:
    void SetUp() override { std::memset(seq_tab, 'x', 64); }  // stale text from an earlier job

    std::string build(const std::string& path, int slot = 1, bool report = false) {
        choose(path, slot, report);
        prepare_gr();
        return std::string(seq_tab, strnlen(seq_tab, SEQ_TAB_SIZE));
    }
    std::string build_picture(int W, int H, const Dark& dark, int slot = 1, bool report = false) {
        return build(picture(W, H, dark), slot, report);
    }
    // The data digits of a line: the text after "tx" up to the closing tab.
    static std::string digits(const std::string& line) {
        const std::size_t tx = line.find("\ttx");
        if (tx == std::string::npos || line.size() < 2) return "<no tx>";
        return line.substr(tx + 3, line.size() - 2 - (tx + 3));
    }
    static std::string all_digits(const std::vector<std::string>& lines) {
        std::string d;
        for (const auto& l : lines)
            if (l.find("\ttx") != std::string::npos) d += digits(l);
        return d;
    }
};

bool pattern(int x, int y) { return (x * 7 + y * 3) % 5 == 0; }

}  // namespace

TEST_F(PrinterSequence, WorkedExampleFromRealWriters) {
    const std::string want = "prncancel\t\nimgslotset\tno1\twx10\thx2\ttx803fffff\t\n";
    EXPECT_EQ(build(shipped("worked_10x2_im.bmp")), want);
    EXPECT_EQ(h.trace(),
              "\r\nNegatyw = 0\r\n\r\nData offset : 62\r\n"
              "\r\nX = 10\r\nY = 2\r\nXX (32bit) = 32\r\nXX / 8 = 4");
    EXPECT_TRUE(h.boxes().empty());
    EXPECT_EQ(build(shipped("worked_10x2_pil.bmp")), want);
    // Our own writer agrees with both.
    EXPECT_EQ(build_picture(10, 2, [](int x, int y) { return y == 1 || x == 0; }), want);

    // Colour 0 white: the same pixels; only the six bits beyond the width differ, since
    // the file's zero padding now stands for white.
    EXPECT_EQ(build(shipped("worked_10x2_white0_im.bmp")),
              "prncancel\t\nimgslotset\tno1\twx10\thx2\ttx8000ffc0\t\n");
}

TEST_F(PrinterSequence, SixteenBySixteen) {
    auto lines = split_lines(build_picture(16, 16, pattern));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "prncancel\t\n");
    EXPECT_EQ(lines[1].rfind("imgslotset\tno1\twx16\thx16\ttx", 0), 0u);
    EXPECT_EQ(digits(lines[1]).size(), 64u);
    EXPECT_EQ(digits(lines[1]), expected_payload(16, 16, pattern, true));

    lines = split_lines(build_picture(16, 16, pattern, 1, true));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "imgprogrep\tno1\t\n");

    // The same shape from a real writer.
    lines = split_lines(build(shipped("pattern_16x16_im.bmp")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(digits(lines[1]), expected_payload(16, 16, shipped_pattern, true));
}

TEST_F(PrinterSequence, BlockLimits) {
    // 512 payload bytes exactly: one line, no append.
    auto lines = split_lines(build_picture(256, 16, pattern));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(digits(lines[1]).size(), 1024u);

    // 544: one append of 32 bytes.
    lines = split_lines(build_picture(256, 17, pattern, 4));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("imgslotset\tno4\twx256\thx17\ttx", 0), 0u);
    EXPECT_EQ(digits(lines[1]).size(), 1024u);
    EXPECT_EQ(lines[2].rfind("imgslotappend\tno4\ttx", 0), 0u);
    EXPECT_EQ(digits(lines[2]).size(), 64u);
    EXPECT_EQ(all_digits(lines), expected_payload(256, 17, pattern, true));
}

TEST_F(PrinterSequence, LargestPicture) {
    const std::string seq = build(shipped("full_640x640_im.bmp"), 6, true);
    const auto lines = split_lines(seq);
    ASSERT_EQ(lines.size(), 102u);  // cancel, set, 99 appends, report
    EXPECT_EQ(lines[1].rfind("imgslotset\tno6\twx640\thx640\ttx", 0), 0u);
    EXPECT_EQ(lines[1].size(), 1055u);
    for (std::size_t i = 2; i <= 100; ++i) {
        ASSERT_EQ(lines[i].rfind("imgslotappend\tno6\ttx", 0), 0u) << i;
        ASSERT_EQ(digits(lines[i]).size(), 1024u) << i;
    }
    EXPECT_EQ(lines[101], "imgprogrep\tno6\t\n");
    EXPECT_EQ(all_digits(lines), expected_payload(640, 640, shipped_pattern, true));
    EXPECT_LT(seq.size(), SEQ_TAB_SIZE / 2);
}

TEST_F(PrinterSequence, PaddingBytesAreNotSent) {
    // 12 pixels: two of the four bytes of each row.
    auto lines = split_lines(build_picture(12, 3, pattern));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(digits(lines[1]), expected_payload(12, 3, pattern, true));
    EXPECT_EQ(digits(lines[1]).size(), 12u);

    // 100 pixels: 13 of 16 bytes; a real writer's file.
    lines = split_lines(build(shipped("pattern_100x10_pil.bmp")));
    EXPECT_EQ(digits(lines[1]), expected_payload(100, 10, shipped_pattern, true));
    EXPECT_NE(h.trace().find("\r\nXX (32bit) = 128\r\nXX / 8 = 16"), std::string::npos);
}

TEST_F(PrinterSequence, BothPolaritiesGiveTheSamePayload) {
    const std::string black0 = build(shipped("logo_64x24_black0_im.bmp"));
    EXPECT_EQ(digits(split_lines(black0).at(1)), expected_payload(64, 24, shipped_pattern, false));
    EXPECT_EQ(build(shipped("logo_64x24_white0_im.bmp")), black0);
    EXPECT_EQ(build(shipped("logo_64x24_pil.bmp")), black0);

    // All white gives only 0, all black only f, whichever colour comes first in the table.
    for (const char* f : {"allwhite_32x8_im.bmp", "allwhite_32x8_pil.bmp"})
        EXPECT_EQ(digits(split_lines(build(shipped(f))).at(1)), std::string(64, '0')) << f;
    for (const char* f : {"allblack_32x8_im.bmp", "allblack_32x8_pil.bmp"})
        EXPECT_EQ(digits(split_lines(build(shipped(f))).at(1)), std::string(64, 'f')) << f;

    // A width that is no multiple of 8: the pixels agree; the bits beyond the width are
    // the file's padding (dark with colour 0 black, white with colour 0 white).
    EXPECT_EQ(digits(split_lines(build(shipped("logo_100x10_black0_im.bmp"))).at(1)),
              expected_payload(100, 10, shipped_pattern, true));
    EXPECT_EQ(digits(split_lines(build(shipped("logo_100x10_white0_im.bmp"))).at(1)),
              expected_payload(100, 10, shipped_pattern, false));
}

TEST_F(PrinterSequence, SlotNumbersStayDecimalAfterHexPairs) {
    // 600 x 10: 750 payload bytes, ending in pairs such as "0a" before the next slot number.
    const auto lines = split_lines(build_picture(
        600, 10, [](int x, int) { return x % 8 > 3; }, 6));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].rfind("imgslotappend\tno6\ttx", 0), 0u);
    EXPECT_EQ(digits(lines[2]).size(), 2u * (750 - 512));
}

// What the check refuses is the reader's table (reader_test.cpp); here what the printer
// builder adds: an empty buffer and offset 0 in the trace.
TEST_F(PrinterSequence, RefusedFileLeavesTheBufferEmpty) {
    EXPECT_EQ(build(dir.file("nie_ma.bmp")), "");
    EXPECT_EQ(seq_tab[0], 0);
    EXPECT_EQ(h.trace(), "\r\nData offset : 0\r\n");
    const std::string missing = "Nie można otworzyć pliku! :\n" + dir.file("nie_ma.bmp");
    EXPECT_EQ(h.boxes_shown(), (std::vector<Box>{{"Błąd!", missing, Icon::Warning}}));
}

TEST_F(PrinterSequence, FileGoneAfterTheCheckIsReported) {
    VanishingFileHost vh;
    vh.victim = dir.file("v.bmp");
    write_file(vh.victim, read_file(shipped("pattern_16x16_im.bmp")));
    EXPECT_EQ(build(vh.victim), "");
    EXPECT_EQ(vh.boxes_shown(),
              (std::vector<Box>{{"Błąd!", "Nie można otworzyć pliku! :\n" + vh.victim, Icon::Warning}}));
}
