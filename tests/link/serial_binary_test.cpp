// The serial link's binary exchange and raw line, against a pseudo-terminal whose master
// side plays the cash register.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/globals.h"
#include "link/COM_pos.h"
#include "link/serial_port.h"
#include "link_fixtures.h"
#include "support/debug_capture.h"
#include "support/platform.h"

using namespace tv;
using namespace tv::test;

namespace {

class SerialBinary : public LinkTest {
  protected:
    PtyDevice dev;
    unsigned char frame[2048];

    void SetUp() override {
        TV_NEEDS_PTY();
        point_com(7, dev.slave_path());
        std::memset(frame, 0xEE, sizeof frame);
        ASSERT_EQ(com_connect(false), RC_OK);
        host.clear();
    }
    void TearDown() override { com_disconnect(false); }

    std::string stored(std::size_t from, std::size_t to) const {
        return std::string(reinterpret_cast<const char*>(frame) + from, to - from + 1);
    }
};

TEST_F(SerialBinary, SendStopsAtTheEndPairAndLeavesTheRecordAlone) {
    const std::string wire = bytes({0x10, 0x02, 0x10, 0x10, 0x03, 0x10, 0x03});
    std::memcpy(frame, wire.data(), wire.size());  // 0xEE filler after it
    EXPECT_EQ(com_bsend(frame), RC_OK);
    EXPECT_EQ(hex(dev.read(wire.size())), hex(wire));
    EXPECT_EQ(dev.drain(50), "");
    EXPECT_EQ(host.trace(), "");
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n");
    EXPECT_EQ(seq(), "");
}

TEST_F(SerialBinary, VerboseTraceMarksTheControlBytes) {
    dev.write(bytes({0x10, 0x02, 0x01, 0x10, 0x10, 0x10, 0x03}));
    DebugCapture debug;
    com_breceive(frame, true);
    EXPECT_EQ(frame[0], 7);
    EXPECT_EQ(host.trace(), "\r\nResp... 10[SYN] 02[STX] 01 10[SYN] 10 10[SYN] 03[ETX]\r\n\r\n");
    // The debug channel gets a line a byte (index, digits, meaning), then the frame: no
    // byte of it as it is.
    EXPECT_EQ(debug.take(),
              "\n1 : 10 UWAGA \"SYN\"\n2 : 02 koniec \"SYN\"\n3 : 01"
              "\n4 : 10 UWAGA \"SYN\"\n5 : 10 koniec \"SYN\"\n6 : 10 UWAGA \"SYN\""
              "\n7 : 03 UWAGA KONIEC!\nResp. : 10 02 01 10 10 10 03\n");
}

TEST_F(SerialBinary, SilentDeviceLeavesNoFrameAfterTheIdleLimit) {
    RCV_TIMEOUT = 1;
    TIMEOUT_BASE = 10;
    dev.write(bytes({0x10, 0x02, 0x01}));  // a frame that never ends
    const auto start = std::chrono::steady_clock::now();
    DebugCapture debug;
    com_breceive(frame, false);
    const std::string out = debug.take();
    EXPECT_GE(elapsed_ms(start), 450);
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(hex(stored(1, 3)), "10 02 01");
    EXPECT_EQ(host.trace(), "\r\nResp..." + std::string(10, '.') + "\r\n\r\n");
    EXPECT_EQ(out, " @ @ @ @ @ @ @ @ @ @Resp. : 10 02 01\n");
    EXPECT_TRUE(host.boxes().empty());
}

class SerialRawLine : public LinkTest {};

TEST_F(SerialRawLine, EveryByteValueCrossesUnchanged) {
    TV_NEEDS_PTY();
    // The slave starts cooked, XOFF flow control on as another program may leave it: only
    // our set-up makes it raw.
    PtyDevice dev(false);
    point_com(7, dev.slave_path());
    ASSERT_EQ(com_connect(false), RC_OK);
    // No echo, line editing, signal keys, CR/LF changes or XON/XOFF flow control is left.
    EXPECT_EQ(dev.line_settings(),
              "speed=9600/9600 bits=8 parenb=0 cstopb=0 crtscts=1 icanon=0 echo=0 isig=0 iexten=0 opost=0 "
              "icrnl=0 istrip=0 ixon=0 ixoff=0");
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));

    dev.write(all);
    std::string got;
    int idle = 0;
    unsigned char b = 0;
    while (got.size() < all.size() && idle < 40) {
        if (hCom.read_byte(b))
            got.push_back(static_cast<char>(b));
        else
            ++idle;
    }
    EXPECT_EQ(hex(got), hex(all));

    ASSERT_TRUE(hCom.write_all(reinterpret_cast<const unsigned char*>(all.data()), all.size()));
    EXPECT_EQ(hex(dev.read(all.size())), hex(all));
    EXPECT_EQ(dev.drain(50), "");  // nothing echoed or added
    com_disconnect(false);
}

}  // namespace
