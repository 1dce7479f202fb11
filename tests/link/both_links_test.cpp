// What the serial link and the TCP link do alike, run over both through the link table:
// a printer frame out and its reply back, and a cash-register reply frame collected from
// the bytes a register sends, up to the last index of the receive store.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "link/link.h"
#include "link_fixtures.h"
#include "support/platform.h"
#include "support/wire_oracle.h"
#include "ui/Controls.h"

using namespace tv;
using namespace tv::test;

namespace {

// The serial link's device end: a pseudo-terminal behind COM7.
struct Serial {
    using Device = PtyDevice;
    static constexpr int kInterface = 0;
    static bool accept(PtyDevice&) { return true; }
    static constexpr const char* kFrameTrace = "\r\nResp...\r\n\r\n";  // per frame received
};

// The TCP link's device end: a socket listening on 127.0.0.1.
struct Tcp {
    using Device = TcpDevice;
    static constexpr int kInterface = 1;
    static bool accept(TcpDevice& d) { return d.accept(); }
    static constexpr const char* kFrameTrace = "\r\nResp.: ";
};

template <class End>
class BothLinks : public TextExchange<typename End::Device> {
  protected:
    LinkSession link;
    unsigned char frame[2048];

    void SetUp() override {
        if constexpr (End::kInterface == 0) TV_NEEDS_PTY();
        if constexpr (End::kInterface == 0)
            this->point_com(7, this->dev.slave_path());
        else
            PortTCP = this->dev.port();
        set_sel(gComb_Interface, End::kInterface);
        ASSERT_EQ(link.connect(), RC_OK);
        ASSERT_TRUE(End::accept(this->dev));
        this->host.clear();
        this->devErr = 0;  // the TCP link writes it only for an error reply
        std::memset(frame, 0xEE, sizeof frame);
    }
    void TearDown() override { link.disconnect(); }

    void receive_frame() { link.ops->receive_frame(link.sock, frame, false); }
    std::string stored(int from, int to) const {
        return std::string(reinterpret_cast<const char*>(frame) + from,
                           static_cast<std::size_t>(to - from + 1));
    }
};

using Links = ::testing::Types<Serial, Tcp>;
class LinkName {
  public:
    template <class T>
    static std::string GetName(int) {
        return std::is_same_v<T, Serial> ? "Serial" : "Tcp";
    }
};
TYPED_TEST_SUITE(BothLinks, Links, LinkName);

TYPED_TEST(BothLinks, PrinterFrameGoesOutWholeAndTheReplyComesBackWithItsText) {
    const std::string sent = printer_frame("sid\t");
    const std::string answer = kIdentityReply;
    ASSERT_EQ(this->link.ops->send_text(this->link.sock, tarv_frame("sid\t")), RC_OK);
    EXPECT_EQ(hex(this->dev.read(sent.size())), hex(sent));
    if (!this->link.serial()) {
        EXPECT_EQ(Finish_Frame[0], 0);  // over TCP a frame is gone once sent
    }
    this->dev.write(answer);
    EXPECT_EQ(this->link.ops->receive_text(this->link.sock, this->reply, this->devErr, true), RC_OK);
    EXPECT_EQ(this->devErr, 0u);
    EXPECT_EQ(this->reply_text(), answer);
    EXPECT_EQ(this->host.trace(), "\r\nSend : " + sent + "\r\nResp.: \x02\tnmTXą\tvr1\t#1234\x03");
    EXPECT_TRUE(this->log().ends_with("\nSend : " + sent + "\nResp.: " + answer));
    EXPECT_EQ(this->seq(), sent);
    EXPECT_TRUE(this->host.boxes().empty());
}

TYPED_TEST(BothLinks, AQuestionMarkWithoutATabInFrontIsText) {
    this->dev.write("\x02\tnm?12\t#0000\x03");
    EXPECT_EQ(this->link.ops->receive_text(this->link.sock, this->reply, this->devErr, true), RC_OK);
    EXPECT_EQ(this->devErr, 0u);
}

TYPED_TEST(BothLinks, RegisterReplyIsStoredFromItsStartPairWithTheEndIndexInFront) {
    // Noise, then a frame with a doubled 0x10, then one of 300 bytes, back to back.
    const std::string first = register_frame(4602, {B(0x10)});
    const std::string second = bytes({0x10, 0x02}) + std::string(296, 'A') + bytes({0x10, 0x03});
    this->dev.write(bytes({0x41, 0x02, 0x03, 0xFF}) + first + second);
    this->receive_frame();
    const int end = static_cast<int>(first.size());
    EXPECT_EQ(this->frame[0], end);
    EXPECT_EQ(hex(this->stored(1, end)), hex(first));
    EXPECT_EQ(this->frame[end + 1], 0);  // the cleared area
    this->receive_frame();
    EXPECT_EQ(this->frame[0], 300 % 256);
    EXPECT_EQ(hex(this->stored(1, 300)), hex(second));
    EXPECT_EQ(this->host.trace(), std::string(TypeParam::kFrameTrace) + TypeParam::kFrameTrace);
}

TYPED_TEST(BothLinks, FrameEndingAtTheLastStoreIndexIsTakenOneByteLongerIsNot) {
    // The store holds indices 1 to 2046: start pair, 2042 bytes and the end pair fill it.
    const std::string fits = bytes({0x10, 0x02}) + std::string(2042, 'A') + bytes({0x10, 0x03});
    this->dev.write(fits);
    this->receive_frame();
    EXPECT_EQ(this->frame[0], 2046 % 256);
    EXPECT_EQ(hex(this->stored(1, 2046)), hex(fits));

    // One byte more: the end byte has no room, so no frame came, and nothing is written
    // past the store.
    const std::string longer = bytes({0x10, 0x02}) + std::string(2043, 'A') + bytes({0x10, 0x03});
    this->dev.write(longer);
    this->receive_frame();
    EXPECT_EQ(this->frame[0], 0);
    EXPECT_EQ(hex(this->stored(1, 2046)), hex(longer.substr(0, 2046)));
    EXPECT_EQ(this->frame[2047], 0xEE);
}

}  // namespace
