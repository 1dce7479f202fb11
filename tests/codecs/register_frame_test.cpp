// Cash-register frames: exact wire bytes, stuffing of 0x10 anywhere, parsing back with
// the checksum check, hostile input to filter(), and the dumps.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "support/debug_capture.h"
#include "support/recording_host.h"
#include "support/wire_oracle.h"

using namespace tv;
using namespace tv::test;

namespace {

const char* const kWarning = "UWAGA - BLEDNA SUMA KONTROLNA W RAMCE";

std::string wire(const KS_FRM& f) { return hex(f.FRAME, f.F_LEN); }

// A frame made for sending: command, field count, then the fields fill puts.
KS_FRM made(std::uint16_t cmd, std::uint16_t fields, const std::function<void(KS_FRM&)>& fill) {
    KS_FRM f;
    f.clear();
    f.FLD_NUM = fields;
    f.CMD_ID = cmd;
    fill(f);
    f.make();
    return f;
}

// A received copy of a made frame: the receiver's count byte at index 0, the frame after.
void receive_into(KS_FRM& rx, const KS_FRM& tx, unsigned char count) {
    rx.clear();
    rx.FRAME[0] = count;
    std::memcpy(rx.FRAME + 1, tx.FRAME, tx.F_LEN);
}

struct Example {
    const char* name;
    std::uint16_t cmd, fields;
    std::function<void(KS_FRM&)> fill;
    std::uint16_t crc;
    const char* bytes;
};

const Example kExamples[] = {
    {"slot clear 1", 4602, 1, [](KS_FRM& f) { f.putB(1); }, 0x0F88,
     "10 02 00 00 00 00 00 00 12 00 01 00 FA 11 42 01 88 0F 10 03"},
    {"graphics report", 4606, 0, [](KS_FRM&) {}, 0x285A,
     "10 02 00 00 00 00 00 00 10 10 00 00 00 FE 11 5A 28 10 03"},
    {"slot set 384x384", 4600, 3,
     [](KS_FRM& f) {
         f.putB(1);
         f.putV(384);
         f.putV(384);
     },
     0x6EF1, "10 02 00 00 00 00 00 00 18 00 03 00 F8 11 42 01 56 80 01 56 80 01 F1 6E 10 03"},
    {"status", 501, 0, [](KS_FRM&) {}, 0xE691, "10 02 00 00 00 00 00 00 10 10 00 00 00 F5 01 91 E6 10 03"},
    {"header set 2/1", 4603, 2,
     [](KS_FRM& f) {
         f.putB(2);
         f.putB(1);
     },
     0xDC0B, "10 02 00 00 00 00 00 00 14 00 02 00 FB 11 42 02 42 01 0B DC 10 03"},
    {"slot append 803fffff", 4601, 2,
     [](KS_FRM& f) {
         f.putB(1);
         f.putS("803fffff");
     },
     0xE958, "10 02 00 00 00 00 00 00 1C 00 02 00 F9 11 42 01 53 38 30 33 66 66 66 66 66 00 58 E9 10 03"},
};

}  // namespace

TEST(RegisterFrame, WireExamplesByteForByteAndBack) {
    RecordingHost host;
    for (const auto& ex : kExamples) {
        const KS_FRM tx = made(ex.cmd, ex.fields, ex.fill);
        EXPECT_EQ(wire(tx), ex.bytes) << ex.name;
        EXPECT_EQ(tx.F_LEN * 3 - 1, static_cast<int>(std::strlen(ex.bytes))) << ex.name;
        EXPECT_EQ(tx.CRC, ex.crc) << ex.name;

        KS_FRM rx;
        receive_into(rx, tx, static_cast<unsigned char>(tx.F_LEN));
        rx.filter();
        EXPECT_EQ(rx.F_LEN, tx.DATA_LEN + 16) << ex.name;
        EXPECT_EQ(rx.FLD_NUM, ex.fields) << ex.name;
        EXPECT_EQ(rx.CMD_ID, ex.cmd) << ex.name;
        EXPECT_EQ(rx.CRC, ex.crc) << ex.name;
        EXPECT_EQ(rx.Flags, 0);
        EXPECT_EQ(rx.Token, 0u);
        EXPECT_EQ(hex(rx.DATA, rx.DATA_LEN), hex(tx.DATA, tx.DATA_LEN)) << ex.name;
    }
    EXPECT_EQ(host.trace().find(kWarning), std::string::npos);
}

TEST(RegisterFrame, ChecksumIsXmodemOverAnyLength) {
    unsigned char digits[] = "123456789";
    EXPECT_EQ(ks_crc16(digits, 9), 0x31C3);
    EXPECT_EQ(ks_crc16(digits, 0), 0);
    unsigned char big[3000];
    for (std::size_t i = 0; i < sizeof big; ++i) big[i] = static_cast<unsigned char>(i * 7 + 3);
    EXPECT_EQ(ks_crc16(big, sizeof big), bitwise_crc(big, sizeof big));
}

TEST(RegisterFrame, DoubledDleAnywhereIsRestored) {
    RecordingHost host;
    // Find a value whose checksum carries a 0x10 byte, so the CRC is stuffed too.
    KS_FRM tx;
    for (unsigned v = 0; v < 65536; ++v) {
        tx.clear();
        tx.Flags = 0x1010;
        tx.Token = 0x10203010;
        tx.FLD_NUM = 3;
        tx.CMD_ID = 0x1110;
        tx.putB(0x10);
        tx.putV(static_cast<unsigned short>(v));
        tx.putS("a\x10z");
        tx.make();
        if ((tx.CRC & 0xFF) == 0x10 || (tx.CRC >> 8) == 0x10) break;
    }
    ASSERT_TRUE((tx.CRC & 0xFF) == 0x10 || (tx.CRC >> 8) == 0x10);

    // Every body byte 0x10 goes out twice; nothing else is escaped.
    int tens = 0;
    unsigned char body[64];
    int n = 0;
    for (int i = 2; i < tx.F_LEN - 2; ++i) {
        body[n++] = tx.FRAME[i];
        if (tx.FRAME[i] == 0x10) {
            ASSERT_EQ(tx.FRAME[i + 1], 0x10) << i;
            ++i;
            ++tens;
        }
    }
    EXPECT_EQ(tx.F_LEN, 4 + n + tens);
    EXPECT_EQ(n, 14 + tx.DATA_LEN);
    EXPECT_EQ(tx.CRC, bitwise_crc(body, static_cast<std::size_t>(n - 2)));

    KS_FRM rx;
    receive_into(rx, tx, 0x10);
    rx.filter();
    EXPECT_EQ(rx.Flags, 0x1010);
    EXPECT_EQ(rx.Token, 0x10203010u);
    EXPECT_EQ(rx.FLD_NUM, 3);
    EXPECT_EQ(rx.CMD_ID, 0x1110);
    EXPECT_EQ(rx.CRC, tx.CRC);
    EXPECT_EQ(hex(rx.DATA, rx.DATA_LEN), hex(tx.DATA, tx.DATA_LEN));
    EXPECT_EQ(host.trace().find(kWarning), std::string::npos);
}

TEST(RegisterFrame, AnyCountByteInFrontIsSkipped) {
    RecordingHost host;
    const KS_FRM tx = made(4602, 1, [](KS_FRM& f) { f.putB(1); });
    for (int count = 0; count < 256; ++count) {
        KS_FRM rx;
        receive_into(rx, tx, static_cast<unsigned char>(count));
        rx.filter();
        EXPECT_EQ(rx.CMD_ID, 4602) << count;
        EXPECT_EQ(rx.FLD_NUM, 1) << count;
        EXPECT_EQ(hex(rx.DATA, rx.DATA_LEN), "42 01") << count;
        EXPECT_EQ(rx.CRC, 0x0F88) << count;
    }
    EXPECT_EQ(host.trace().find(kWarning), std::string::npos);
}

TEST(RegisterFrame, CorruptedByteWarnsAndStillParses) {
    const KS_FRM tx = made(4600, 3, [](KS_FRM& f) {
        f.putB(1);
        f.putV(384);
        f.putV(384);
    });
    KS_FRM rx;
    receive_into(rx, tx, 26);
    rx.FRAME[1 + 15] = 0x07;  // the slot number 01 becomes 07

    RecordingHost host;
    DebugCapture debug;
    rx.filter();
    EXPECT_EQ(host.trace(), "\n\nUWAGA - BLEDNA SUMA KONTROLNA W RAMCE ! ! ! \n\n");
    EXPECT_EQ(debug.take(), host.trace());
    EXPECT_EQ(rx.CMD_ID, 4600);
    EXPECT_EQ(rx.CRC, 0x6EF1);  // as received
    EXPECT_EQ(hex(rx.DATA, rx.DATA_LEN), "42 07 56 80 01 56 80 01");
}

TEST(RegisterFrame, NothingReceivedParsesAsEmpty) {
    RecordingHost host;
    KS_FRM rx;
    rx.clear();
    rx.Token = 99;
    rx.CMD_ID = 7;
    rx.DATA[0] = 0x56;
    rx.filter();
    EXPECT_EQ(rx.CMD_ID, 0);
    EXPECT_EQ(rx.Token, 0u);
    EXPECT_EQ(rx.DATA_LEN, 0);
    EXPECT_EQ(rx.DATA[0], 0);
    EXPECT_EQ(rx.CRC, 0);
    EXPECT_FALSE(ks_frame_started(rx));
    EXPECT_EQ(host.trace(), "");  // no checksum to complain about
}

TEST(RegisterFrame, HostileInputStaysInBounds) {
    RecordingHost host;
    KS_FRM rx;

    // 2048 DLE bytes: never a start pair.
    rx.clear();
    std::memset(rx.FRAME, 0x10, sizeof rx.FRAME);
    rx.filter();
    EXPECT_EQ(rx.DATA_LEN, 0);
    EXPECT_EQ(rx.CMD_ID, 0);
    EXPECT_FALSE(ks_frame_started(rx));

    // A start pair and then 2046 body bytes without an end pair: the field area is full.
    rx.clear();
    rx.FRAME[0] = 0x10;
    rx.FRAME[1] = 0x02;
    std::memset(rx.FRAME + 2, 0x41, sizeof rx.FRAME - 2);
    rx.filter();
    EXPECT_TRUE(ks_frame_started(rx));
    EXPECT_EQ(rx.DATA_LEN, KS_DATA_SIZE);
    EXPECT_EQ(rx.CMD_ID, 0x4141);
    EXPECT_EQ(rx.DATA[KS_DATA_SIZE - 1], 0x41);
    EXPECT_NE(host.trace().find(kWarning), std::string::npos);

    // A stray start pair inside the body is dropped without restarting, and a 0x10 before
    // an ordinary byte is dropped while the byte is kept.
    const unsigned char odd[] = {0x10, 0x02, 1,    0,    2,    0,    3,    0, 4, 0,    5,   0,
                                 6,    0,    0x10, 0x02, 0x10, 0x41, 0x42, 7, 7, 0x10, 0x03};
    rx.clear();
    std::memcpy(rx.FRAME, odd, sizeof odd);
    rx.filter();
    EXPECT_EQ(rx.Flags, 1);
    EXPECT_EQ(rx.FLD_NUM, 5);
    EXPECT_EQ(rx.CMD_ID, 6);
    EXPECT_EQ(hex(rx.DATA, rx.DATA_LEN), "41 42");
    EXPECT_EQ(rx.CRC, 0x0707);
}

TEST(RegisterFrame, OnlyABodyOfHeaderAndChecksumAtLeastCanBeWhole) {
    RecordingHost host;
    // Bodies of 2 to 13 bytes closed by the checksum of what comes before it, as a line
    // fault could leave them: every one is damaged, none a reply. 14 bytes are a frame.
    for (std::size_t n = 2; n <= 14; ++n) {
        std::string body(n - 2, '\x01');
        const unsigned crc = bitwise_crc(body);
        body += {static_cast<char>(crc & 0xFF), static_cast<char>(crc >> 8)};
        std::string wire = "\x10\x02";
        for (char c : body) wire += c == '\x10' ? std::string(2, c) : std::string(1, c);
        wire += "\x10\x03";
        KS_FRM rx;
        rx.clear();
        std::memcpy(rx.FRAME + 1, wire.data(), wire.size());
        EXPECT_EQ(ks_wire_state(rx), n < 14 ? KsWire::Corrupted : KsWire::Whole) << hex(wire);
    }
}

TEST(RegisterFrame, AFieldAreaOfExactly1012BytesIsTheLargestFrame) {
    // Header and fields fill the 1024 bytes the checksum covers.
    const std::string text(1010, 'x');
    KS_FRM f;
    f.clear();
    f.FLD_NUM = 1;
    f.CMD_ID = 4601;
    f.putS(text.c_str());
    ASSERT_EQ(f.DATA_LEN, 1012);
    f.make();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.FRAME), f.F_LEN), register_frame(4601, {S(text)}));
    KS_FRM rx;
    receive_into(rx, f, 0);
    EXPECT_EQ(ks_wire_state(rx), KsWire::Whole);
    rx.filter();
    EXPECT_EQ(rx.DATA_LEN, 1012);
    EXPECT_EQ(rx.F_LEN, 1028);
    // One byte more does not fit.
    f.clear();
    f.putS(std::string(1011, 'x').c_str());
    EXPECT_EQ(f.DATA_LEN, 0);
}

TEST(RegisterFrame, PutOperationsAndLimits) {
    KS_FRM f;
    f.clear();
    f.putS("Mój nowy opis");  // Windows-1250 on the wire: ó is 0xF3
    EXPECT_EQ(hex(f.DATA, f.DATA_LEN), "53 4D F3 6A 20 6E 6F 77 79 20 6F 70 69 73 00");
    f.putS("");
    f.putV(0x1234);
    f.putB(0xFE);
    EXPECT_EQ(hex(f.DATA + 15, f.DATA_LEN - 15), "53 00 56 34 12 42 FE");

    // A field that would take the area past 1012 bytes is dropped whole.
    f.clear();
    const std::string big(1000, 'x');
    f.putS(big.c_str());
    EXPECT_EQ(f.DATA_LEN, 1002);
    f.putS("0123456789");
    EXPECT_EQ(f.DATA_LEN, 1002);
    f.putV(1);
    f.putV(2);
    f.putV(3);
    EXPECT_EQ(f.DATA_LEN, 1011);
    f.putB(9);
    EXPECT_EQ(f.DATA_LEN, 1011);

    // A long field area of nothing but 0x10 cannot fit stuffed: the frame is cut, not overrun,
    // and still closes with the end pair.
    f.clear();
    std::memset(f.DATA, 0x10, sizeof f.DATA);
    f.DATA_LEN = 1100;
    DebugCapture debug;
    f.make();
    EXPECT_EQ(debug.take(), "Ramka ucieta: nie miesci sie w 2048 bajtach\n");
    EXPECT_EQ(f.F_LEN, KS_FRAME_SIZE);
    EXPECT_EQ(f.FRAME[f.F_LEN - 2], 0x10);
    EXPECT_EQ(f.FRAME[f.F_LEN - 1], 0x03);
}

TEST(RegisterFrame, PrintDumpsExactly) {
    KS_FRM f = made(4602, 1, [](KS_FRM& x) { x.putB(1); });

    RecordingHost host;
    DebugCapture debug;
    f.print();
    const std::string out = debug.take();
    EXPECT_EQ(host.trace(),
              "\r\nPRINT - 10 02 00 00 00 00 00 00 12 00 01 00 fa 11 42 01 88 0f 10 03 "
              "Flags : 0\r\nToken : 0\r\nF_LEN : 20\r\nFLD_NUM : 1\r\nCMD_ID : 4602"
              "\r\nDATA_LEN : 2\r\nCRC : 3976 : f88\r\n\r\n"
              "\r\nDATA : 42 01 \r\nDATA_LEN : 2\r\nCRC : 3976 : f88\r\n\r\n");
    // The debug channel gets the frame through its end pair, in hex digits: its control
    // bytes never reach a terminal as they are.
    EXPECT_EQ(out, "Ramka : 10 02 00 00 00 00 00 00 12 00 01 00 fa 11 42 01 88 0f 10 03\n");

    // A dump that would run past 4095 characters shows the first 4095.
    host.clear();
    f.F_LEN = KS_FRAME_SIZE;
    f.DATA_LEN = KS_DATA_SIZE;
    f.print();
    const std::string t = host.trace();
    EXPECT_EQ(t.size(), 4095u);
    EXPECT_EQ(t.substr(0, 16), "\r\nPRINT - 10 02 ");
}

TEST(RegisterFrame, HexDigitsAndRawDump) {
    EXPECT_STREQ(hexch2(0xAF), "af");
    EXPECT_STREQ(hexch2(0x05), "05");
    unsigned char bytes[] = {0x41, 0xFF, 0x00};
    DebugCapture debug;
    pr_frame(bytes, 3);
    EXPECT_EQ(debug.take(), "Ramka : 41 ff 00\n");
}
