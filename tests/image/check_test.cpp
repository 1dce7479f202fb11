// The BMP check: header fields, the size and colour limits, broken files, and what the
// check thread shows in the window.
#include <gtest/gtest.h>

#include <filesystem>

#include <cstring>
#include <fstream>
#include <thread>

#include "bmp_files.h"
#include "check_steps.h"
#include "common/globals.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "support/fixture.h"
#include "support/platform.h"
#include "ui/Controls.h"

using namespace tv;
using namespace tv::test;

namespace {

const char* const WIDTH_MSG = "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n";
const char* const HEIGHT_MSG = "Za duża wysokość !!! Maksymalna wysokość to 640 pikseli !\n";
const char* const COLOUR_MSG = "Bitmapa musi być monochromatyczna !!!\n";
const char* const DATA_MSG = "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n";

class CheckTest : public Test {
  protected:
    RecordingHost& h = host;
};

}  // namespace

TEST_F(CheckTest, RowGeometry) {
    struct Row {
        int W, XX, S, P;
    };
    for (const Row r : {Row{0, 32, 4, 1}, Row{1, 32, 4, 1}, Row{8, 32, 4, 1}, Row{9, 32, 4, 2},
                        Row{12, 32, 4, 2}, Row{32, 32, 4, 4}, Row{33, 64, 8, 5}, Row{100, 128, 16, 13},
                        Row{640, 640, 80, 80}, Row{641, 672, 84, 81}}) {
        const RowGeometry g = row_geometry(static_cast<std::uint16_t>(r.W));
        EXPECT_EQ(g.XX, r.XX) << "W " << r.W;
        EXPECT_EQ(g.S, r.S) << "W " << r.W;
        EXPECT_EQ(g.P, r.P) << "W " << r.W;
    }
}

TEST_F(CheckTest, LittleEndianReadsCountMissingBytesAsZero) {
    write_file(dir.file("six"), std::string("\x01\x02\x03\x04\x05\x06", 6));
    std::ifstream f(dir.file("six"), std::ios::binary);
    EXPECT_EQ(tdword(f), 0x0201u);
    EXPECT_EQ(uget(f), 0x03u);
    EXPECT_EQ(fdword(f), 0x060504u);  // three bytes left: the top one reads as 0
    EXPECT_EQ(uget(f), 0u);
    EXPECT_EQ(fdword(f), 0u);
}

TEST_F(CheckTest, SizeLimitsAt640) {
    const Check ok = run_check(shipped("full_640x640_im.bmp"));
    EXPECT_EQ(ok.code, RC_OK);
    EXPECT_EQ(ok.msg, "");
    EXPECT_EQ(ok.offset, 62u);
    EXPECT_EQ(Gr_xmax, 640);
    EXPECT_EQ(Gr_ymax, 640);

    const Check wide = run_check(shipped("wide_641x10_im.bmp"));
    EXPECT_EQ(wide.code, GR_TOO_WIDE);
    EXPECT_EQ(wide.msg, WIDTH_MSG);
    EXPECT_EQ(Gr_xmax, 641);

    write_file(dir.file("tall.bmp"), bmp_1bit(10, 641, [](int, int) { return false; }));
    const Check tall = run_check(dir.file("tall.bmp"));
    EXPECT_EQ(tall.code, GR_TOO_HIGH);
    EXPECT_EQ(tall.msg, HEIGHT_MSG);
}

TEST_F(CheckTest, TwentyFourBitFilesFailTheColourCheck) {
    write_file(dir.file("big24.bmp"), bmp_24bit(800, 700));
    run_bmp_check(dir.file("big24.bmp"));
    EXPECT_EQ(h.boxes_shown(), refusal(std::string(WIDTH_MSG) + HEIGHT_MSG + COLOUR_MSG));
    EXPECT_EQ(run_check(dir.file("big24.bmp")).code, GR_NOT_MONO);

    // The same from a real writer.
    const Check im = run_check(shipped("rgb24_48x16_im.bmp"));
    EXPECT_EQ(im.code, GR_NOT_MONO);
    EXPECT_EQ(im.msg, COLOUR_MSG);
}

TEST_F(CheckTest, FileThatDoesNotOpenShowsItsOwnBoxOnly) {
    const std::string missing = dir.file("nie_ma.bmp");
    const Check c = run_check(missing);
    EXPECT_EQ(c.code, GR_CANNOT_OPEN);
    EXPECT_EQ(c.msg, "");         // the caller's text stays untouched
    EXPECT_EQ(c.offset, 12345u);  // and so do the out-parameters
    EXPECT_EQ(c.polarity, 6789u);
    EXPECT_EQ(h.boxes_shown(), refusal("Nie można otworzyć pliku! :\n" + missing));
    EXPECT_EQ(h.trace(), "");

    h.clear();
    run_bmp_check(missing);
    EXPECT_EQ(h.boxes_shown(), refusal("Nie można otworzyć pliku! :\n" + missing));  // that box only
    EXPECT_EQ(gr_filename(), "");
    EXPECT_FALSE(PaintBMP);
    EXPECT_EQ(text(gEdit_File), "");
    EXPECT_EQ(h.trace(), "Filename : ");
}

TEST_F(CheckTest, AcceptedFileFillsTheFileFieldAndThePreview) {
    // A backslash counts as a folder separator too.
    const std::string path = dir.file("logo\\a.bmp");
    if (kWindows) std::filesystem::create_directory(dir.file("logo"));  // there it is a folder
    write_file(path, read_file(shipped("full_640x640_im.bmp")));
    run_bmp_check(path);
    EXPECT_TRUE(PaintBMP);
    EXPECT_EQ(gr_filename(), path);
    EXPECT_EQ(text(gEdit_File), "a.bmp\r\nBMP monochromatyczna, 640 x 640 pikseli");
    EXPECT_TRUE(h.boxes().empty());
    EXPECT_EQ(h.trace(), "\r\nNegatyw = 0\r\nFilename : " + path);
    bool repainted = false;
    for (const auto& e : h.events()) repainted |= e.type == Event::Repaint;
    EXPECT_TRUE(repainted);

    h.clear();
    run_bmp_check(shipped("pattern_16x16_im.bmp"));
    EXPECT_EQ(text(gEdit_File), "pattern_16x16_im.bmp\r\nBMP monochromatyczna, 16 x 16 pikseli");
}

TEST_F(CheckTest, CashRegisterSizeWarningOnlyWithThatProtocol) {
    write_file(dir.file("mid.bmp"), bmp_1bit(500, 300, [](int x, int) { return x % 2; }));
    run_bmp_check(dir.file("mid.bmp"));
    EXPECT_TRUE(h.boxes().empty());

    PROTOCOL = 2;
    run_bmp_check(dir.file("mid.bmp"));
    EXPECT_EQ(h.boxes_shown(), (std::vector<Box>{{"UWAGA!",
                                                  "Maksymalny rozmiar bitmapy dla kas "
                                                  "wynosi 384 x 384 pikseli!",
                                                  Icon::Warning}}));
    EXPECT_TRUE(PaintBMP);  // a warning only: the file stays chosen
    EXPECT_EQ(gr_filename(), dir.file("mid.bmp"));

    h.clear();
    write_file(dir.file("fits.bmp"), bmp_1bit(384, 384, [](int, int) { return false; }));
    run_bmp_check(dir.file("fits.bmp"));
    EXPECT_TRUE(h.boxes().empty());
}

TEST_F(CheckTest, NoFileChosenDoesNothing) {
    set_gr_filename("");
    std::thread t(bmp_check);
    t.join();
    EXPECT_TRUE(h.events().empty());
}
