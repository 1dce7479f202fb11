// The preview raster: the dots the printer upload sends, for plain, inverted-palette,
// top-down and odd-width pictures; nothing for a file the check refuses, and nothing said.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <tuple>

#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "image/preview.h"
#include "image/uploads.h"
#include "upload_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

// The dots of the printer sequence in seq_tab: the size from "wx"/"hx", the "tx" digits of
// every line read row by row, P bytes a row, a set bit a dark dot.
Raster sent_raster() {
    std::istringstream fields(std::string(seq_tab, strnlen(seq_tab, SEQ_TAB_SIZE)));
    Raster r;
    std::string digits, f;
    while (std::getline(fields, f, '\t')) {
        if (f.rfind("wx", 0) == 0) r.width = std::stoi(f.substr(2));
        if (f.rfind("hx", 0) == 0) r.height = std::stoi(f.substr(2));
        if (f.rfind("tx", 0) == 0) digits += f.substr(2);
    }
    const int P = (r.width + 7) / 8;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const int byte = std::stoi(digits.substr(2 * (y * P + x / 8), 2), nullptr, 16);
            r.dots.push_back((byte >> (7 - x % 8)) & 1);
        }
    return r;
}

using PreviewTest = UploadTest;

TEST_F(PreviewTest, ShowsTheDotsTheUploadSends) {
    const char* const pictures[] = {
        "logo_64x24_black0_im.bmp",         "logo_64x24_white0_im.bmp",   // inverted palette
        "logo_100x10_white0_im.bmp",        "variants/topdown_33x5.bmp",  // top-down
        "variants/topdown_white0_13x7.bmp", "variants/red_green_13x7_im.bmp",
        "variants/both_dark_13x7_im.bmp",   "full_640x640_im.bmp",
    };
    for (const char* name : pictures) {
        choose(shipped(name), 1, false);
        PaintBMP = true;
        prepare_gr();
        const Raster sent = sent_raster(), shown = preview_raster();
        ASSERT_GT(sent.width * sent.height, 0) << name;
        EXPECT_EQ(std::tie(shown.width, shown.height, shown.dots),
                  std::tie(sent.width, sent.height, sent.dots))
            << name;
    }
    // Top row first, as the picture was drawn.
    const Raster logo = picture_raster(shipped("logo_64x24_white0_im.bmp"));
    for (int i = 0; i < 64 * 24; ++i)
        ASSERT_EQ(logo.dark(i % 64, i / 64), shipped_pattern(i % 64, i / 64)) << i;
}

TEST_F(PreviewTest, NothingWithoutACheckedPicture) {
    write_file(dir.file("junk.bmp"), std::string(100, 'x'));
    for (const std::string& name : {shipped("wide_641x10_im.bmp"), shipped("rgb24_48x16_im.bmp"),
                                    shipped("variants/refused/rle8_13x7_im.bmp"), dir.file("junk.bmp"),
                                    dir.file("nie_ma.bmp"), dir.path()}) {
        choose(name, 1, false);
        PaintBMP = true;
        EXPECT_TRUE(preview_raster().empty()) << name;
    }
    EXPECT_TRUE(h.boxes_shown().empty());  // quietly: the check has said what is wrong
    EXPECT_EQ(h.trace(), "");

    // A good picture only once its check has passed, and not once it is forgotten.
    choose(shipped("logo_64x24_black0_im.bmp"), 1, false);
    PaintBMP = false;
    EXPECT_TRUE(preview_raster().empty());
    bmp_check();
    EXPECT_EQ(preview_raster().dots.size(), 64u * 24u);
    gr_forget();
    EXPECT_TRUE(preview_raster().empty());
}

}  // namespace
