// The cash-register upload over the real TCP link against a scripted register: the frames
// on the wire (against the frames the rules give), what a refusal stops, and the progress
// positions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "codecs/printer/catalogue.h"
#include "image/graphic_record.h"
#include "image/uploads.h"
#include "support/register_peer.h"
#include "support/wire_oracle.h"
#include "upload_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

constexpr std::uint16_t REFUSAL = 10;  // a code of the register's catalogue

bool pattern(int x, int y) { return (x * 5 + y * 11) % 7 < 3; }

using Answer = RegisterPeer::Responder;

class RegisterUpload : public UploadTest {
  protected:
    // Connects to a scripted register, runs the upload for the picture at path, closes the
    // link, and gives the upload's result and the requests the register received.
    Result upload(const std::string& path, Answer answer, int slot = 1, bool report = false) {
        RegisterPeer reg(RegisterPeer::Kind::Tcp, std::move(answer));
        choose(path, slot, report);
        TcpClient link(reg.port());
        EXPECT_EQ(link.stage, 3);
        const auto r = static_cast<Result>(prepare_gr_2(link.sock));
        link.close();
        sent = reg.requests();
        return r;
    }
    Result upload_picture(int W, int H, Answer answer, int slot = 1, bool report = false) {
        return upload(picture(W, H, pattern), std::move(answer), slot, report);
    }
    // Accepts every request; refuses the n-th (from 0) with the catalogue's code.
    static Answer accept_all() { return refuse_at(SIZE_MAX); }
    static Answer refuse_at(std::size_t n) {
        return [n](std::size_t i, const std::string& request) {
            const std::uint16_t cmd = parse_frame(request).CMD_ID;
            return Reply{i == n ? error_frame({cmd, REFUSAL}) : reply_frame(cmd)};
        };
    }
    // The positions the bar must take: c x 50 div N for c = N + 1 .. 2N + 1, each change once.
    static std::vector<int> expected_progress(std::uint64_t n) {
        std::vector<int> v;
        for (std::uint64_t c = n + 1; c <= 2 * n + 1; ++c) {
            const int pos = static_cast<int>(c * 50 / n);
            if (v.empty() || v.back() != pos) v.push_back(pos);
        }
        return v;
    }

    // The frames of the whole upload of a picture of dark at slot.
    static std::vector<std::string> frames_of(int W, int H, const Dark& dark, bool pad, unsigned slot = 1,
                                              bool report = false) {
        return upload_frames(false, slot, W, H, expected_payload(W, H, dark, pad), report);
    }
    std::vector<std::string> sent;
};

}  // namespace

TEST_F(RegisterUpload, LargestRegisterPictureInSlotThree) {
    EXPECT_EQ(upload_picture(384, 384, accept_all(), 3), RC_OK);
    EXPECT_TRUE(same_frames(sent, frames_of(384, 384, pattern, true, 3)));
    EXPECT_EQ(sent.size(), 73u);
    EXPECT_EQ(g_Grafika.width, 384);
    EXPECT_EQ(g_Grafika.height, 384);
    EXPECT_EQ(g_Grafika.slot, 3);
    EXPECT_EQ(h.progress_values(), expected_progress(384u * 48u));
    EXPECT_TRUE(h.boxes().empty());
}

TEST_F(RegisterUpload, PaddingBytesAdvanceTheProgressButAreNotSent) {
    // A real writer's 100 x 10 file: S = 16, P = 13.
    EXPECT_EQ(upload(shipped("pattern_100x10_pil.bmp"), accept_all()), RC_OK);
    EXPECT_TRUE(same_frames(sent, frames_of(100, 10, shipped_pattern, true)));  // one block of 130
    const std::vector<int> progress = h.progress_values();
    EXPECT_EQ(progress, expected_progress(160));  // N counts the padding too
    EXPECT_EQ(progress.front(), 50);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_NE(h.trace().find("\r\nData offset : 62\r\n"), std::string::npos);
    EXPECT_NE(h.trace().find("\r\nX = 100\r\nY = 10\r\nXX (32bit) = 128\r\nXX / 8 = 16"), std::string::npos);
}

TEST_F(RegisterUpload, BlocksSplitAt256PayloadBytes) {
    EXPECT_EQ(upload_picture(256, 8, accept_all()), RC_OK);
    EXPECT_TRUE(same_frames(sent, frames_of(256, 8, pattern, true)));  // no empty second block
    EXPECT_EQ(upload_picture(256, 9, accept_all()), RC_OK);
    EXPECT_TRUE(same_frames(sent, frames_of(256, 9, pattern, true)));  // 256 and 32 bytes
}

TEST_F(RegisterUpload, BothPolaritiesSendTheSameBlocks) {
    for (const char* file : {"logo_64x24_black0_im.bmp", "logo_64x24_white0_im.bmp", "logo_64x24_pil.bmp"}) {
        ASSERT_EQ(upload(shipped(file), accept_all()), RC_OK);
        EXPECT_TRUE(same_frames(sent, frames_of(64, 24, shipped_pattern, false))) << file;
    }
    // The worked example: the same digits as the printer gets.
    ASSERT_EQ(upload(shipped("worked_10x2_im.bmp"), accept_all()), RC_OK);
    EXPECT_TRUE(same_frames(sent, upload_frames(false, 1, 10, 2, "803fffff")));
}

TEST_F(RegisterUpload, ReportAskedForAfterTheBlocks) {
    const auto all = frames_of(256, 9, pattern, true, 5, true);
    EXPECT_EQ(upload_picture(256, 9, accept_all(), 5, true), RC_OK);
    EXPECT_TRUE(same_frames(sent, all));
    // A refused report does not fail the upload.
    EXPECT_EQ(upload_picture(256, 9, refuse_at(3), 5, true), RC_OK);
    EXPECT_TRUE(same_frames(sent, all));
}

TEST_F(RegisterUpload, RefusedSlotSetSendsNoBlock) {
    EXPECT_EQ(upload_picture(100, 10, refuse_at(0), 1, true), RC_DEVICE_ERROR);
    EXPECT_TRUE(same_frames(sent, {frames_of(100, 10, pattern, true)[0]}));
    EXPECT_EQ(ERR_NR, REFUSAL);
    EXPECT_TRUE(h.progress_values().empty());  // the bar moves only after an accepted set
    EXPECT_TRUE(h.boxes().empty());            // the job reports the device error
}

TEST_F(RegisterUpload, RefusedBlockEndsTheUploadAtOnce) {
    // The second of 72 blocks refused: nothing after it, not even the report.
    EXPECT_EQ(upload_picture(384, 384, refuse_at(2), 1, true), RC_DEVICE_ERROR);
    auto all = frames_of(384, 384, pattern, true, 1, true);
    EXPECT_TRUE(same_frames(sent, {all.begin(), all.begin() + 3}));
    EXPECT_EQ(ERR_NR, REFUSAL);
    // The last block refused: the report still follows, and the result is the refusal.
    EXPECT_EQ(upload_picture(256, 9, refuse_at(2), 2, true), RC_DEVICE_ERROR);
    EXPECT_TRUE(same_frames(sent, frames_of(256, 9, pattern, true, 2, true)));
}

TEST_F(RegisterUpload, TopDownFileSendsWhatItsBottomUpTwinSends) {
    const std::string variants = std::string(TV_SOURCE_DIR) + "/tests/data/variants/";
    for (const auto& [top_down, bottom_up] : {std::pair{"topdown_v5_13x7.bmp", "v5_black0_13x7_im.bmp"},
                                              std::pair{"topdown_white0_13x7.bmp", "v3_white0_13x7_im.bmp"},
                                              std::pair{"topdown_33x5.bmp", "w33_33x5_pil.bmp"}}) {
        SCOPED_TRACE(top_down);
        EXPECT_EQ(upload(variants + bottom_up, accept_all()), RC_OK);
        const std::vector<std::string> twin = sent;
        EXPECT_EQ(upload(variants + top_down, accept_all()), RC_OK);
        EXPECT_EQ(sent.size(), 2u);  // the slot set and one block
        EXPECT_TRUE(same_frames(sent, twin));
    }
}

// What is refused is the reader's table (reader_test.cpp); here that the register upload
// sends nothing and returns the refusal, whether the check refuses the file (too wide) or
// the reader does after it (compressed).
TEST_F(RegisterUpload, RefusedFilesSendNothing) {
    std::string rle = bmp_1bit(16, 4, pattern);
    rle[30] = 1;  // RLE8
    write_file(dir.file("rle.bmp"), rle);
    struct Case {
        std::string path;
        Result code;
        std::string box;
    };
    const Case cases[] = {
        {shipped("wide_641x10_im.bmp"), GR_TOO_WIDE,
         "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n"},
        {dir.file("rle.bmp"), GR_COMPRESSED, "Skompresowana bitmapa nie jest obsługiwana !!!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        h.clear();
        EXPECT_EQ(upload(c.path, accept_all()), c.code);
        EXPECT_TRUE(sent.empty());
        EXPECT_EQ(h.boxes_shown(), (std::vector<Box>{{"Błąd!", c.box, Icon::Warning}}));
    }
}

TEST_F(RegisterUpload, FileGoneAfterTheCheckIsCodeOne) {
    VanishingFileHost vh;
    vh.victim = dir.file("v.bmp");
    write_file(vh.victim, bmp_1bit(16, 16, pattern));
    EXPECT_EQ(upload(vh.victim, accept_all()), GR_CANNOT_OPEN);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(vh.boxes_shown(),
              (std::vector<Box>{{"Błąd!", "Nie można otworzyć pliku! :\n" + vh.victim, Icon::Warning}}));
}
