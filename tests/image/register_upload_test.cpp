// The cash-register upload over the real TCP link against a scripted register: the
// commands on the wire, their blocks, what a refusal stops, and the progress positions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "image/bmp.h"
#include "printer/catalogue.h"
#include "support/register_peer.h"
#include "upload_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

constexpr std::uint16_t SET = 4600, APPEND = 4601, REPORT = 4607;
constexpr std::uint16_t REFUSAL = 10;  // a code of the register's catalogue

bool pattern(int x, int y) { return (x * 5 + y * 11) % 7 < 3; }

// What the upload put on the wire, one parsed request at a time.
struct Request {
    KS_FRM f;
    unsigned slot() const { return f.DATA_LEN > 1 && f.DATA[0] == 'B' ? f.DATA[1] : 999u; }
    // The V field at field-area position at (tag byte), or 0xFFFF when there is none.
    unsigned v_at(std::size_t at) const {
        if (at + 2 >= f.DATA_LEN || f.DATA[at] != 'V') return 0xFFFF;
        return f.DATA[at + 1] | (f.DATA[at + 2] << 8);
    }
    // The text of the S field that follows the slot byte.
    std::string text() const {
        if (f.DATA_LEN < 3 || f.DATA[2] != 'S') return "<no S field>";
        std::string t;
        for (std::size_t i = 3; i < f.DATA_LEN && f.DATA[i] != 0; ++i) t += static_cast<char>(f.DATA[i]);
        return t;
    }
};

using Answer = RegisterPeer::Responder;

class RegisterUpload : public UploadTest {
protected:
    void SetUp() override {
        UploadTest::SetUp();
        ERR_NR = 0;
    }
    void TearDown() override {
        UploadTest::TearDown();
        set_sel(gComb_Interface, 0);
    }

    // Connects to a scripted register, runs the upload for the picture at path, closes the
    // link, and gives the upload's result and the requests the register received.
    unsigned upload(const std::string& path, Answer answer, int slot = 1, bool report = false) {
        RegisterPeer reg(RegisterPeer::Kind::Tcp, std::move(answer));
        choose(path, slot, report);
        TcpClient link(reg.port());
        EXPECT_EQ(link.stage, 3);
        const unsigned r = prepare_gr_2(link.sock);
        link.close();
        sent.clear();
        for (const auto& frame : reg.requests()) sent.push_back({parse_frame(frame)});
        return r;
    }
    unsigned upload_picture(int W, int H, Answer answer, int slot = 1, bool report = false) {
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
    std::vector<std::size_t> block_sizes() const {
        std::vector<std::size_t> v;
        for (const auto& r : sent)
            if (r.f.CMD_ID == APPEND) v.push_back(r.text().size());
        return v;
    }
    std::string payload() const {
        std::string p;
        for (const auto& r : sent)
            if (r.f.CMD_ID == APPEND) p += r.text();
        return p;
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

    std::vector<Request> sent;
};

}  // namespace

TEST_F(RegisterUpload, LargestRegisterPictureInSlotThree) {
    EXPECT_EQ(upload_picture(384, 384, accept_all(), 3), 0u);
    ASSERT_EQ(sent.size(), 73u);
    EXPECT_EQ(sent[0].f.CMD_ID, SET);
    EXPECT_EQ(sent[0].f.FLD_NUM, 3);
    EXPECT_EQ(sent[0].slot(), 3u);
    EXPECT_EQ(sent[0].v_at(2), 384u);
    EXPECT_EQ(sent[0].v_at(5), 384u);
    for (std::size_t i = 1; i < sent.size(); ++i) {
        ASSERT_EQ(sent[i].f.CMD_ID, APPEND) << i;
        ASSERT_EQ(sent[i].f.FLD_NUM, 2) << i;
        ASSERT_EQ(sent[i].slot(), 3u) << i;
        ASSERT_EQ(sent[i].text().size(), 512u) << i;
    }
    EXPECT_EQ(payload(), expected_payload(384, 384, pattern, true));
    EXPECT_EQ(g_Grafika.width, 384);
    EXPECT_EQ(g_Grafika.height, 384);
    EXPECT_EQ(g_Grafika.slot, 3);
    EXPECT_EQ(h.progress_values(), expected_progress(384u * 48u));
    EXPECT_TRUE(h.boxes().empty());
}

TEST_F(RegisterUpload, PaddingBytesAdvanceTheProgressButAreNotSent) {
    // A real writer's 100 x 10 file: S = 16, P = 13.
    EXPECT_EQ(upload(shipped("pattern_100x10_pil.bmp"), accept_all()), 0u);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(block_sizes(), std::vector<std::size_t>{260});
    EXPECT_EQ(payload(), expected_payload(100, 10, shipped_pattern, true));
    const std::vector<int> progress = h.progress_values();
    EXPECT_EQ(progress, expected_progress(160));  // N counts the padding too
    EXPECT_EQ(progress.front(), 50);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_NE(h.trace().find("\r\nData offset : 62\r\n"), std::string::npos);
    EXPECT_NE(h.trace().find("\r\nX = 100\r\nY = 10\r\nXX (32bit) = 128\r\nXX / 8 = 16"),
              std::string::npos);
}

TEST_F(RegisterUpload, BlocksSplitAt256PayloadBytes) {
    EXPECT_EQ(upload_picture(256, 8, accept_all()), 0u);
    EXPECT_EQ(block_sizes(), std::vector<std::size_t>{512});  // no empty second block

    EXPECT_EQ(upload_picture(256, 9, accept_all()), 0u);
    EXPECT_EQ(block_sizes(), (std::vector<std::size_t>{512, 64}));
    EXPECT_EQ(payload(), expected_payload(256, 9, pattern, true));
}

TEST_F(RegisterUpload, BothPolaritiesSendTheSameBlocks) {
    ASSERT_EQ(upload(shipped("logo_64x24_black0_im.bmp"), accept_all()), 0u);
    const std::string black0 = payload();
    EXPECT_EQ(black0, expected_payload(64, 24, shipped_pattern, false));
    ASSERT_EQ(upload(shipped("logo_64x24_white0_im.bmp"), accept_all()), 0u);
    EXPECT_EQ(payload(), black0);
    ASSERT_EQ(upload(shipped("logo_64x24_pil.bmp"), accept_all()), 0u);
    EXPECT_EQ(payload(), black0);
    // The worked example: the same digits as the printer gets.
    ASSERT_EQ(upload(shipped("worked_10x2_im.bmp"), accept_all()), 0u);
    EXPECT_EQ(payload(), "803fffff");
}

TEST_F(RegisterUpload, ReportAskedForAfterTheBlocks) {
    EXPECT_EQ(upload_picture(256, 9, accept_all(), 5, true), 0u);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3].f.CMD_ID, REPORT);
    EXPECT_EQ(sent[3].f.FLD_NUM, 1);
    EXPECT_EQ(sent[3].slot(), 5u);

    // A refused report does not fail the upload.
    EXPECT_EQ(upload_picture(256, 9, refuse_at(3), 5, true), 0u);
    EXPECT_EQ(sent.size(), 4u);
}

TEST_F(RegisterUpload, RefusedSlotSetSendsNoBlock) {
    EXPECT_EQ(upload_picture(100, 10, refuse_at(0), 1, true), 26u);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].f.CMD_ID, SET);
    EXPECT_EQ(ERR_NR, REFUSAL);
    EXPECT_TRUE(h.progress_values().empty());  // the bar moves only after an accepted set
    EXPECT_TRUE(h.boxes().empty());            // the job reports the device error
}

TEST_F(RegisterUpload, RefusedBlockEndsTheUploadAtOnce) {
    // The second of 72 blocks refused: nothing after it, not even the report.
    EXPECT_EQ(upload_picture(384, 384, refuse_at(2), 1, true), 26u);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].f.CMD_ID, APPEND);
    EXPECT_EQ(ERR_NR, REFUSAL);

    // The last block refused: the report still follows, and the result is the refusal.
    EXPECT_EQ(upload_picture(256, 9, refuse_at(2), 2, true), 26u);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2].f.CMD_ID, APPEND);
    EXPECT_EQ(sent[3].f.CMD_ID, REPORT);
    EXPECT_EQ(sent[3].slot(), 2u);
}

TEST_F(RegisterUpload, TopDownFileSendsWhatItsBottomUpTwinSends) {
    const std::string variants = std::string(TV_SOURCE_DIR) + "/tests/data/variants/";
    for (const auto& [top_down, bottom_up] :
         {std::pair{"topdown_v5_13x7.bmp", "v5_black0_13x7_im.bmp"},
          std::pair{"topdown_white0_13x7.bmp", "v3_white0_13x7_im.bmp"},
          std::pair{"topdown_33x5.bmp", "w33_33x5_pil.bmp"}}) {
        SCOPED_TRACE(top_down);
        EXPECT_EQ(upload(variants + bottom_up, accept_all()), 0u);
        const std::vector<Request> twin = sent;
        EXPECT_EQ(upload(variants + top_down, accept_all()), 0u);
        ASSERT_EQ(sent.size(), twin.size());
        ASSERT_EQ(sent.size(), 2u);  // the slot set and one block
        for (std::size_t i = 0; i < sent.size(); ++i)
            EXPECT_EQ(hex(sent[i].f.DATA, sent[i].f.DATA_LEN), hex(twin[i].f.DATA, twin[i].f.DATA_LEN)) << i;
    }
}

TEST_F(RegisterUpload, RefusedFilesSendNothing) {
    const std::string full = read_file(shipped("full_640x640_im.bmp"));
    write_file(dir.file("cut.bmp"), full.substr(0, 1000));
    write_file(dir.file("h0.bmp"), bmp_1bit(40, 0, pattern));
    std::string rle = bmp_1bit(16, 4, pattern);
    rle[30] = 1;  // RLE8
    write_file(dir.file("rle.bmp"), rle);
    write_file(dir.file("text.bmp"), "logo\n");
    struct Case { std::string path; unsigned code; std::string box; };
    const Case cases[] = {
        {shipped("wide_641x10_im.bmp"), 2,
         "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n"},
        {shipped("rgb24_48x16_im.bmp"), 4, "Bitmapa musi być monochromatyczna !!!\n"},
        {dir.file("cut.bmp"), 5, "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n"},
        {dir.file("nie_ma.bmp"), 1, "Nie można otworzyć pliku! :\n" + dir.file("nie_ma.bmp")},
        {dir.file("h0.bmp"), 3, "Bitmapa ma zerową wysokość !!!\n"},
        {dir.file("rle.bmp"), 7, "Skompresowana bitmapa nie jest obsługiwana !!!\n"},
        {dir.file("text.bmp"), 6, "Plik nie jest bitmapą BMP !!!\n"},
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
    EXPECT_EQ(upload(vh.victim, accept_all()), 1u);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(vh.boxes_shown(),
              (std::vector<Box>{{"Błąd!", "Nie można otworzyć pliku! :\n" + vh.victim, Icon::Warning}}));
}
