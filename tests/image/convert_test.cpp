// Pictures to logos: every format and depth read as drawn, transparency as paper, the size
// guards before decoding, damaged files refused, fitting for both device kinds, each
// method on a grey ramp, tone in linear light, and the 1-bit BMP the reader takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bmp_files.h"
#include "common/globals.h"
#include "image/bmp_check.h"
#include "image/convert.h"
#include "image/uploads.h"
#include "support/recording_host.h"
#include "ui/Controls.h"

using namespace tv;
using namespace tv::logo;
using namespace tv::test;

namespace {

std::string picture(const std::string& name) {
    return std::string(TV_SOURCE_DIR) + "/tests/data/pictures/" + name;
}

std::vector<std::uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> load(const std::string& path) {
    std::vector<std::uint8_t> b;
    Error e;
    EXPECT_TRUE(read_file(path, b, e)) << path << ": " << e.message;
    return b;
}

Options threshold_at(int level) {
    Options o;
    o.dither = Dither::Threshold;
    o.level = level;
    return o;
}

// A picture made in code: grey (or grey + alpha, RGB, RGBA) from a function of x and y.
Picture make_picture(int w, int h, int channels, const std::function<std::vector<int>(int, int)>& px) {
    Picture p = Picture::blank(w, h, channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::vector<int> v = px(x, y);
            for (int c = 0; c < channels; ++c)
                p.pixels()[(static_cast<std::size_t>(y) * w + x) * channels + c] =
                    static_cast<std::uint8_t>(v[c]);
        }
    return p;
}

Logo make_logo(const Picture& p, const Options& o) {
    Maker maker(p);
    Logo logo;
    Error e;
    EXPECT_TRUE(maker.make(o, logo, e)) << e.message;
    return logo;
}

// Share of printed dots in the rectangle [x0, x1) x [y0, y1).
double density(const Logo& l, int x0, int y0, int x1, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) dark += l.dark(x, y);
    return static_cast<double>(dark) / ((x1 - x0) * (y1 - y0));
}

Logo flat(int grey, Dither method, int w = 64, int h = 64) {
    Options o;
    o.dither = method;
    return make_logo(make_picture(w, h, 1, [grey](int, int) { return std::vector<int>{grey}; }), o);
}

// A PNG header (IHDR only) stating a size; the checksum is not checked when probing.
std::string png_header(std::uint32_t w, std::uint32_t h) {
    auto be = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    return std::string("\x89PNG\r\n\x1a\n", 8) + be(13) + "IHDR" + be(w) + be(h) +
           std::string("\x08\x02\0\0\0", 5) + be(0);
}

// A JPEG start of frame stating a size (3 components), with nothing after it.
std::string jpeg_header(std::uint16_t w, std::uint16_t h) {
    std::string s("\xFF\xD8\xFF\xC0\x00\x11\x08", 7);
    s +=
        {static_cast<char>(h >> 8), static_cast<char>(h), static_cast<char>(w >> 8), static_cast<char>(w), 3};
    for (char id = 1; id <= 3; ++id) s += {id, 0x11, 0};
    return s;
}

}  // namespace

// The test card (tests/data/pictures/make_pictures.sh): black left, white middle with a
// black bar over its top four rows, and a third field that is blue (dark) or transparent
// (white paper).
TEST(ConvertRead, EveryFormatAndDepthReadsTheCardAsDrawn) {
    struct Case {
        const char* file;
        const char* format;
        bool third_dark;
    };
    const Case cases[] = {
        {"card_rgb.png", "PNG", true},
        {"card_rgba.png", "PNG", false},
        {"card_palette.png", "PNG", false},
        {"card_grey.png", "PNG", true},
        {"card_grey16.png", "PNG", true},
        {"card_greyalpha.png", "PNG", false},
        {"card_1bit.png", "PNG", true},
        {"card_rgba64.png", "PNG", false},
        {"card_rgb.jpg", "JPEG", true},
        {"card_grey.jpg", "JPEG", true},
        {"card_progressive.jpg", "JPEG", true},
        {"card.gif", "GIF", false},
        {"card_4bit.bmp", "BMP", true},
        {"card_8bit.bmp", "BMP", true},
        {"card_rgb565.bmp", "BMP", true},
        {"card_24bit.bmp", "BMP", true},
        {"card_32bit_alpha.bmp", "BMP", false},
        {"card_os2.bmp", "BMP", true},
        {"card_topdown.bmp", "BMP", true},
        {"card.tga", "TGA", true},
        {"card_rle.tga", "TGA", true},
        {"card_rgba.tga", "TGA", false},
        {"card.ppm", "PNM", true},
        {"card.pgm", "PNM", true},
        {"card16.pgm", "PNM", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<std::uint8_t> b = load(picture(c.file));
        Info info;
        Error e;
        ASSERT_TRUE(probe(b.data(), b.size(), info, e)) << e.message;
        EXPECT_EQ(info.width, 24);
        EXPECT_EQ(info.height, 16);
        EXPECT_STREQ(info.format, c.format);
        Logo l;
        ASSERT_TRUE(convert(b.data(), b.size(), threshold_at(128), l, e)) << e.message;
        ASSERT_EQ(l.width, 24);
        ASSERT_EQ(l.height, 16);
        // Inside each field, away from its edges (where a JPEG blurs).
        for (int y = 1; y < 15; ++y) {
            for (int x = 1; x < 7; ++x) EXPECT_TRUE(l.dark(x, y)) << "black field " << x << "," << y;
            for (int x = 9; x < 15; ++x) {
                if (y < 3 || y > 4) {
                    EXPECT_EQ(l.dark(x, y), y < 3) << "middle field " << x << "," << y;
                }
            }
            for (int x = 17; x < 23; ++x)
                EXPECT_EQ(l.dark(x, y), c.third_dark) << "third field " << x << "," << y;
        }
    }
}

TEST(ConvertRead, DamagedAndUnknownFilesAreRefusedWithTheirReason) {
    const std::string damaged = "Plik obrazu jest uszkodzony i nie można go odczytać.";
    const std::string unknown =
        "Plik nie jest obrazem w obsługiwanym formacie (PNG, JPEG, GIF, BMP, TGA, PPM/PGM).";
    const std::string rle =
        "Bitmapy skompresowane (RLE) nie są obsługiwane. Zapisz obraz bez kompresji albo jako PNG.";
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        Fault fault;
        std::string message;
    };
    // Files cut short: every decoder must notice, also those that would read zeros on.
    auto cut = [](const char* file, std::size_t keep) {
        std::vector<std::uint8_t> b = load(picture(file));
        b.resize(keep);
        return b;
    };
    // A Huffman table declaring 300 codes (the decoder has room for 256), after a valid
    // start of a JPEG: refused before the decoder builds it.
    std::string table = std::string("\xFF\xD8\xFF\xC4\x01\x3F\x00", 7) + std::string(14, '\0') + "\xFF\x2D" +
                        std::string(300, '\x01');
    // The same table behind fill bytes and a comment that holds a marker's bytes.
    std::string hidden = std::string("\xFF\xFF\xD8\xFF\xFE\x00\x04\xFF\xC4", 9) + table.substr(2);
    // A scan naming an AC table the file never defined (only DC table 0 is).
    const std::string undefined = std::string(
                                      "\xFF\xD8"
                                      "\xFF\xC0\x00\x0B\x08\x00\x10\x00\x10\x01\x01\x11\x00"
                                      "\xFF\xC4\x00\x14\x00\x01",
                                      22) +
                                  std::string(16, '\0') +
                                  std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x00\x00\xFF\xD9", 14);
    const std::vector<Case> cases = {
        {"jpeg table of 300 codes", bytes_of(table), Fault::Damaged, damaged},
        {"jpeg scan with an undefined table", bytes_of(undefined), Fault::Damaged, damaged},
        // A few bytes claiming a data chunk of 2 GB: refused before room is made for it.
        // A height of 40 digits, and one of 10 behind a comment.
        {"pgm number too long", bytes_of("P5\n2 " + std::string(40, '2') + "\n255\n"), Fault::Damaged,
         damaged},
        {"pgm number too long after a comment", bytes_of("P5 # 123\n2\f1234567890 255\n"), Fault::Damaged,
         damaged},
        {"png chunk longer than the file",
         bytes_of(png_header(24, 16) + std::string("\x7F\xFF\xFF\xF0IDATxyz", 11)), Fault::Damaged, damaged},
        {"jpeg table of 300 codes after a comment", bytes_of(hidden), Fault::Damaged, damaged},
        {"png cut", load(picture("card_cut.png")), Fault::Damaged, damaged},
        {"bmp cut", load(picture("card_cut.bmp")), Fault::Damaged, damaged},
        {"jpeg cut", cut("card_rgb.jpg", 400), Fault::Damaged, damaged},
        {"progressive jpeg cut", cut("card_progressive.jpg", 300), Fault::Damaged, damaged},
        {"gif cut", cut("card.gif", 100), Fault::Damaged, damaged},
        {"tga cut", cut("card.tga", 600), Fault::Damaged, damaged},
        {"rle tga cut", cut("card_rle.tga", 100), Fault::Damaged, damaged},
        {"ppm cut", cut("card.ppm", 600), Fault::Damaged, damaged},
        {"4-bit bmp cut", cut("card_4bit.bmp", 100), Fault::Damaged, damaged},
        {"text", load(picture("not_a_picture.txt")), Fault::UnknownFormat, unknown},
        {"empty", {}, Fault::UnknownFormat, unknown},
        {"rle bmp", load(picture("card_rle8.bmp")), Fault::Unsupported, rle},
    };
    for (const Case& c : cases) {
        Picture p;
        Error e;
        EXPECT_FALSE(decode(c.bytes.data(), c.bytes.size(), p, e)) << c.name;
        EXPECT_EQ(e.fault, c.fault) << c.name;
        EXPECT_EQ(e.message, c.message) << c.name;
        EXPECT_EQ(p.pixels(), nullptr) << c.name;
    }
}

// The size is read from the header: these files are a few bytes long, and their pictures
// would take up to gigabytes.
TEST(ConvertRead, OverLargePicturesAreRefusedFromTheirHeader) {
    struct Case {
        std::string bytes;
        std::string size;
    };
    std::string bmp = bmp_header(54, 30000, 10, 24, 54);
    const Case cases[] = {
        {png_header(20001, 1), "20001 x 1"},
        {png_header(10001, 10000), "10001 x 10000"},  // 100.01 megapixels
        {jpeg_header(20000, 5001), "20000 x 5001"},
        {std::string("GIF89a\xFF\xFF\xFF\xFF\0\0\0", 13), "65535 x 65535"},
        {bmp, "30000 x 10"},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> b = bytes_of(c.bytes);
        Info info;
        Error e;
        EXPECT_FALSE(probe(b.data(), b.size(), info, e)) << c.size;
        EXPECT_EQ(e.fault, Fault::TooLarge) << c.size;
        EXPECT_EQ(e.message,
                  "Obraz jest za duży (" + c.size +
                      " pikseli). Największy obsługiwany obraz ma 100 megapikseli i najwyżej 20000 "
                      "pikseli w każdym kierunku.");
        Logo l;
        EXPECT_FALSE(convert(b.data(), b.size(), Options{}, l, e)) << c.size;
        EXPECT_EQ(e.fault, Fault::TooLarge) << c.size;
    }
    // Exactly at the limits the header passes.
    for (const std::string& ok : {png_header(10000, 10000), png_header(20000, 5000)}) {
        const std::vector<std::uint8_t> b = bytes_of(ok);
        Info info;
        Error e;
        EXPECT_TRUE(probe(b.data(), b.size(), info, e)) << e.message;
    }
}

TEST(ConvertFit, BothDeviceKindsKeepTheAspectAndNeverEnlargeUnasked) {
    struct Case {
        int w, h, limit, width;
        Size want;
    };
    const Case cases[] = {
        {2000, 1000, PRINTER_SIDE, 0, {640, 320}},   {2000, 1000, REGISTER_SIDE, 0, {384, 192}},
        {1000, 3000, PRINTER_SIDE, 0, {213, 640}},   {1000, 3000, REGISTER_SIDE, 0, {128, 384}},
        {300, 100, PRINTER_SIDE, 0, {300, 100}},     {640, 640, PRINTER_SIDE, 0, {640, 640}},
        {641, 10, PRINTER_SIDE, 0, {640, 10}},       {385, 385, REGISTER_SIDE, 0, {384, 384}},
        {5000, 1, PRINTER_SIDE, 0, {640, 1}},        {1, 5000, REGISTER_SIDE, 0, {1, 384}},
        {300, 100, PRINTER_SIDE, 500, {500, 167}},   // enlarged, as asked
        {2000, 1000, PRINTER_SIDE, 100, {100, 50}},  // shrunk further, as asked
        {100, 400, PRINTER_SIDE, 640, {160, 640}},   // as wide as the height limit allows
        {1000, 500, REGISTER_SIDE, 384, {384, 192}}, {1000, 500, REGISTER_SIDE, 600, {384, 192}},
    };
    for (const Case& c : cases) {
        Options o;
        o.limit = c.limit;
        o.width = c.width;
        const Size s = fitted_size(c.w, c.h, o);
        EXPECT_EQ(s.width, c.want.width) << c.w << "x" << c.h << " limit " << c.limit << " width " << c.width;
        EXPECT_EQ(s.height, c.want.height)
            << c.w << "x" << c.h << " limit " << c.limit << " width " << c.width;
    }
}

// A one-bit BMP the reader refuses for its width comes through the whole road at the
// printer's limit, dots where they were.
TEST(ConvertFit, AWideOneBitBmpIsShrunkToTheLimit) {
    const std::string bmp = bmp_1bit(1280, 20, [](int x, int) { return x < 640; });
    const std::vector<std::uint8_t> b = bytes_of(bmp);
    Logo l;
    Error e;
    ASSERT_TRUE(convert(b.data(), b.size(), Options{}, l, e)) << e.message;
    EXPECT_EQ(l.width, 640);
    EXPECT_EQ(l.height, 10);
    EXPECT_DOUBLE_EQ(density(l, 0, 0, 319, 10), 1.0);
    EXPECT_DOUBLE_EQ(density(l, 321, 0, 640, 10), 0.0);
}

// A logo of one dot would clear the slot it is sent to: refused, whatever made it 1 x 1.
TEST(ConvertFit, ALogoOfOneDotIsRefusedAndTwoDotsAreNot) {
    const struct {
        int w, h, width;
        bool refused;
    } cases[] = {{1, 1, 0, true}, {50, 50, 1, true}, {1, 1, 2, false}, {2, 1, 0, false}, {1, 2, 0, false}};
    for (const auto& c : cases) {
        const Picture p = make_picture(c.w, c.h, 1, [](int, int) { return std::vector<int>{0}; });
        Options o;
        o.width = c.width;
        Logo l;
        Error e;
        EXPECT_EQ(Maker(p).make(o, l, e), !c.refused) << c.w << "x" << c.h << " width " << c.width;
        EXPECT_EQ(e.fault, c.refused ? Fault::TooSmall : Fault::None);
        EXPECT_EQ(e.message.find("1 x 1") != std::string::npos, c.refused) << e.message;
    }
}

// Orange (red 255, green 100) is light to the eye, its blue twin (blue 255, green 100) dark.
TEST(ConvertTone, RedWeighsMoreThanBlue) {
    const Picture p = make_picture(2, 1, 3, [](int x, int) {
        return x == 0 ? std::vector<int>{255, 100, 0} : std::vector<int>{0, 100, 255};
    });
    const Logo l = make_logo(p, threshold_at(128));
    EXPECT_FALSE(l.dark(0, 0));
    EXPECT_TRUE(l.dark(1, 0));
}

TEST(ConvertTone, TransparentIsPaperAndHalfCoverIsLightGrey) {
    // Black everywhere; alpha 0 on the left, 255 on the right: the left must print nothing.
    for (const int channels : {2, 4}) {
        const Picture p = make_picture(64, 32, channels, [channels](int x, int) {
            const int a = x < 32 ? 0 : 255;
            return channels == 2 ? std::vector<int>{0, a} : std::vector<int>{0, 0, 0, a};
        });
        for (const Dither d : ALL_DITHERS) {
            Options o;
            o.dither = d;
            const Logo l = make_logo(p, o);
            EXPECT_DOUBLE_EQ(density(l, 0, 0, 32, 32), 0.0) << channels << " " << dither_name(d);
            EXPECT_DOUBLE_EQ(density(l, 32, 0, 64, 32), 1.0) << channels << " " << dither_name(d);
        }
    }
    // Black at half cover lets half the light through: 50 % in linear light is 188 of 255
    // on the sRGB scale, so about a quarter of the dots print.
    const Picture half = make_picture(64, 64, 4, [](int, int) { return std::vector<int>{0, 0, 0, 128}; });
    const Logo l = make_logo(half, Options{});
    EXPECT_NEAR(density(l, 0, 0, 64, 64), 1.0 - 188.0 / 255, 0.02);
}

// Shrinking averages light, not sRGB numbers: a fine black-and-white checkerboard becomes
// the light grey it looks like from afar, not a 50 % grey.
TEST(ConvertTone, ShrinkingAveragesInLinearLight) {
    const Picture checker =
        make_picture(1280, 1280, 1, [](int x, int y) { return std::vector<int>{(x + y) % 2 ? 255 : 0}; });
    Options o;
    o.dither = Dither::Threshold;
    o.level = 160;  // below 188: nothing prints
    EXPECT_DOUBLE_EQ(density(make_logo(checker, o), 0, 0, 640, 640), 0.0);
    o.level = 200;  // above it: everything prints
    EXPECT_DOUBLE_EQ(density(make_logo(checker, o), 0, 0, 640, 640), 1.0);
}

// A ramp 256 wide, column x of grey x: no resampling, so every level arrives exactly.
class Ramp : public ::testing::Test {
  protected:
    Picture ramp = make_picture(256, 64, 1, [](int x, int) { return std::vector<int>{x}; });
};

TEST_F(Ramp, ThresholdIsExactAtItsLevelAndInvertFlipsIt) {
    for (const int level : {0, 1, 100, 128, 255}) {
        Options o = threshold_at(level);
        const Logo plain = make_logo(ramp, o);
        o.invert = true;
        const Logo inverted = make_logo(ramp, o);
        EXPECT_EQ(plain.level, level);
        for (int x = 0; x < 256; ++x)
            for (int y : {0, 63}) {
                ASSERT_EQ(plain.dark(x, y), x < level) << "level " << level << " x " << x;
                ASSERT_EQ(inverted.dark(x, y), x >= level) << "level " << level << " x " << x;
            }
    }
}

TEST_F(Ramp, EveryMethodKeepsBlackSolidWhiteEmptyAndFollowsTheTone) {
    for (const Dither d : ALL_DITHERS) {
        SCOPED_TRACE(dither_name(d));
        Options o;
        o.dither = d;
        const Logo l = make_logo(ramp, o);
        for (int y = 0; y < 64; ++y) {
            EXPECT_TRUE(l.dark(0, y));
            EXPECT_FALSE(l.dark(255, y));
        }
        // Each darker quarter of the ramp prints more dots than the next lighter one (the
        // plain threshold: as many or more).
        const double q[4] = {density(l, 0, 0, 64, 64), density(l, 64, 0, 128, 64),
                             density(l, 128, 0, 192, 64), density(l, 192, 0, 256, 64)};
        for (int i = 0; i < 3; ++i) {
            if (d == Dither::Threshold)
                EXPECT_GE(q[i], q[i + 1]) << i;
            else
                EXPECT_GT(q[i], q[i + 1]) << i;
        }
        o.invert = true;
        const Logo inv = make_logo(ramp, o);
        for (std::size_t i = 0; i < l.dots.size(); ++i) ASSERT_NE(l.dots[i], inv.dots[i]) << i;
    }
}

TEST(ConvertDither, HalfGreyIsAVisiblyMixedField) {
    for (const Dither d : {Dither::FloydSteinberg, Dither::Atkinson, Dither::Ordered}) {
        const Logo l = flat(128, d);
        EXPECT_NEAR(density(l, 0, 0, 64, 64), 0.5, 0.03) << dither_name(d);
        // Mixed everywhere, not split into a black and a white half.
        for (int by = 0; by < 64; by += 4)
            for (int bx = 0; bx < 64; bx += 4) {
                const double local = density(l, bx, by, bx + 4, by + 4);
                ASSERT_GT(local, 0.0) << dither_name(d) << " block " << bx << "," << by;
                ASSERT_LT(local, 1.0) << dither_name(d) << " block " << bx << "," << by;
            }
    }
    // The plain threshold, chosen automatically on an even grey, prints nothing or all.
    const Logo t = flat(128, Dither::Threshold);
    EXPECT_EQ(t.level, 128);
    EXPECT_DOUBLE_EQ(density(t, 0, 0, 64, 64), 0.0);
}

TEST(ConvertDither, FloydSteinbergAndOrderedKeepTheTone) {
    for (const int grey : {16, 64, 128, 192, 240}) {
        EXPECT_NEAR(density(flat(grey, Dither::FloydSteinberg), 0, 0, 64, 64), 1.0 - grey / 255.0, 0.02)
            << grey;
        // Ordered: each level prints a whole number of 64ths of every 8 x 8 tile.
        EXPECT_NEAR(density(flat(grey, Dither::Ordered), 0, 0, 64, 64), 1.0 - grey / 255.0, 1.0 / 64) << grey;
    }
    // Ordered dots of a lighter grey are a subset of those of a darker one.
    for (int grey = 0; grey < 255; grey += 5) {
        const Logo darker = flat(grey, Dither::Ordered, 8, 8),
                   lighter = flat(grey + 5, Dither::Ordered, 8, 8);
        for (std::size_t i = 0; i < 64; ++i) ASSERT_LE(lighter.dots[i], darker.dots[i]) << grey;
    }
}

TEST(ConvertDither, AutomaticLevelSeparatesTheTwoTonesOfAPicture) {
    struct Case {
        std::vector<std::uint8_t> values;
        int low, high;  // the level lies in [low, high]
    };
    const Case cases[] = {
        {{0, 255}, 128, 128},                    // two tones: the middle between them
        {{40, 40, 40, 200, 200, 200}, 41, 200},  // any level between the tones separates them
        {{10, 20, 30, 220, 230, 240}, 31, 220},
        {{90}, 128, 128},  // one grey only: the middle of the scale
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> grey;
        for (int i = 0; i < 100; ++i) grey.insert(grey.end(), c.values.begin(), c.values.end());
        const int level = otsu_level(grey.data(), grey.size());
        EXPECT_GE(level, c.low);
        EXPECT_LE(level, c.high);
    }
}

// The 10 x 2 picture: top row only its leftmost pixel dark, bottom row dark.
TEST(ConvertBmp, TheLogoFileIsTheOneBitBmpTheReaderTakesByteForByte) {
    Logo l;
    l.width = 10;
    l.height = 2;
    l.dots = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    const std::vector<std::uint8_t> b = bmp_bytes(l);
    const std::string expected =
        "42 4D 46 00 00 00 00 00 00 00 3E 00 00 00 28 00 00 00 0A 00 00 00 02 00 00 00 01 00 01 00 "
        "00 00 00 00 08 00 00 00 13 0B 00 00 13 0B 00 00 02 00 00 00 02 00 00 00 00 00 00 00 FF FF FF 00 "
        "00 3F FF FF 7F FF FF FF";
    EXPECT_EQ(hex(b.data(), b.size()), expected);

    // The reader: accepted, colour 0 black, and the payload of the picture.
    RecordingHost host;
    reset_controls();
    TempDir dir;
    const std::string path = dir.file("logo.bmp");
    Error e;
    ASSERT_TRUE(write_file_atomic(path, b, e));
    set_gr_filename(path);
    set_sel(gComb_Slot, 0);
    set_checked(gCheck_Print, false);
    unsigned offset = 0, polarity = 9;
    char msg[GR_MSG_SIZE] = {};
    EXPECT_EQ(gr_check(offset, polarity, msg), RC_OK);
    EXPECT_EQ(polarity, 0u);
    prepare_gr();
    EXPECT_EQ(std::string(seq_tab), "prncancel\t\nimgslotset\tno1\twx10\thx2\ttx8000ffc0\t\n");
    set_gr_filename("");
}

TEST(ConvertBmp, AnyLogoComesBackDotForDotThroughTheReader) {
    // A converted picture of odd width: its payload is the dots, row by row.
    const Picture p = make_picture(37, 11, 3, [](int x, int y) {
        const int v = (x * 7 + y * 13) % 256;
        return std::vector<int>{v, 255 - v, v / 2};
    });
    const Logo l = make_logo(p, Options{});
    TempDir dir;
    Error e;
    ASSERT_TRUE(write_file_atomic(dir.file("odd.bmp"), bmp_bytes(l), e));
    RecordingHost host;
    reset_controls();
    set_gr_filename(dir.file("odd.bmp"));
    set_sel(gComb_Slot, 2);
    prepare_gr();
    const std::string pairs = expected_payload(
        37, 11, [&l](int x, int y) { return l.dark(x, y); }, false);
    EXPECT_EQ(std::string(seq_tab), "prncancel\t\nimgslotset\tno3\twx37\thx11\ttx" + pairs + "\t\n");
    set_gr_filename("");
}

TEST(ConvertFile, AFailedWriteLeavesNothingAndKeepsTheOldFile) {
    TempDir dir;
    Error e;
    // A folder that does not exist.
    EXPECT_FALSE(write_file_atomic(dir.file("no/such/folder/x.bmp"), {1, 2, 3}, e));
    EXPECT_EQ(e.fault, Fault::CannotWrite);
    EXPECT_EQ(e.message, "Nie można zapisać pliku:\n" + dir.file("no/such/folder/x.bmp"));
    // A target that cannot be replaced (a folder of that name): the old one stays.
    std::filesystem::create_directory(dir.file("taken.bmp"));
    write_file(dir.file("taken.bmp/inside"), "kept");
    EXPECT_FALSE(write_file_atomic(dir.file("taken.bmp"), {1, 2, 3}, e));
    EXPECT_EQ(read_file(dir.file("taken.bmp/inside")), "kept");
    // Success replaces an existing file whole.
    write_file(dir.file("old.bmp"), "a longer old content");
    EXPECT_TRUE(write_file_atomic(dir.file("old.bmp"), {'n', 'e', 'w'}, e));
    EXPECT_EQ(read_file(dir.file("old.bmp")), "new");
    std::vector<std::string> left;
    for (const auto& f : std::filesystem::directory_iterator(dir.path()))
        left.push_back(f.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"old.bmp", "taken.bmp"}));
}

TEST(ConvertFile, TheLogoGoesBesideThePictureOrToTheFallbackFolder) {
    TempDir dir;
    EXPECT_EQ(logo_name("/a/b/Sklep Żółw.png"), "Sklep Żółw_logo.bmp");
    EXPECT_EQ(logo_name("logo"), "logo_logo.bmp");
    EXPECT_EQ(logo_name("/x/photo.tar.jpg"), "photo.tar_logo.bmp");
    EXPECT_EQ(logo_path(dir.file("pic.png"), "/elsewhere"), dir.file("pic_logo.bmp"));
    EXPECT_EQ(logo_path(dir.file("missing/pic.png"), dir.path()), dir.file("pic_logo.bmp"));
    // The folder cannot take the file (its temporary name is taken by a folder).
    std::filesystem::create_directories(dir.file("sub/pic_logo.bmp.part"));
    EXPECT_EQ(logo_path(dir.file("sub/pic.png"), dir.path()), dir.file("pic_logo.bmp"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("sub/pic_logo.bmp.part")));
}

TEST(ConvertNames, ConsoleNamesRoundTripAndUnknownOnesAreRefused) {
    for (const Dither d : ALL_DITHERS) {
        Dither back = Dither::FloydSteinberg;
        EXPECT_TRUE(dither_from_name(dither_name(d), back));
        EXPECT_EQ(back, d);
        EXPECT_STRNE(dither_label(d), "");
    }
    Dither out = Dither::Atkinson;
    for (const char* bad : {"", "Floyd", "bayer", "threshold "})
        EXPECT_FALSE(dither_from_name(bad, out)) << bad;
    EXPECT_EQ(out, Dither::Atkinson);
}
