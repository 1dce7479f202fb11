// The preview raster: the dots the printer upload sends, for plain, inverted-palette,
// top-down and odd-width pictures; nothing for a file the check refuses, and nothing said.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "image/bmp_check.h"
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
        EXPECT_EQ(shown.width, sent.width) << name;
        EXPECT_EQ(shown.height, sent.height) << name;
        EXPECT_EQ(shown.dots, sent.dots) << name;
    }
    // Drawn top row first, as the pictures were made.
    const Raster logo = picture_raster(shipped("logo_64x24_white0_im.bmp"));
    for (int y = 0; y < logo.height; ++y)
        for (int x = 0; x < logo.width; ++x)
            ASSERT_EQ(logo.dark(x, y), shipped_pattern(x, y)) << x << "," << y;
}

TEST_F(PreviewTest, NothingWithoutACheckedPicture) {
    const std::string good = shipped("logo_64x24_black0_im.bmp");
    write_file(dir.file("junk.bmp"), std::string(100, 'x'));
    const std::string refused[] = {shipped("wide_641x10_im.bmp"),
                                   shipped("rgb24_48x16_im.bmp"),
                                   shipped("variants/refused/rle8_13x7_im.bmp"),
                                   dir.file("junk.bmp"),
                                   dir.file("nie_ma.bmp"),
                                   dir.path()};
    for (const std::string& name : refused) {
        EXPECT_TRUE(picture_raster(name).empty()) << name;
        // Chosen and checked as the window does it: refused, and no preview.
        choose(name, 1, false);
        bmp_check();
        EXPECT_TRUE(preview_raster().empty()) << name;
    }
    // The quiet reader itself says nothing.
    h.clear();
    for (const std::string& name : refused) picture_raster(name);
    EXPECT_TRUE(h.boxes_shown().empty());
    EXPECT_EQ(h.trace(), "");

    // A good picture before its check has passed, and after it has.
    choose(good, 1, false);
    PaintBMP = false;
    EXPECT_TRUE(preview_raster().empty());
    bmp_check();
    EXPECT_EQ(preview_raster().dots, picture_raster(good).dots);
    EXPECT_FALSE(preview_raster().empty());
    set_gr_filename("");
    EXPECT_TRUE(preview_raster().empty());
}

}  // namespace
