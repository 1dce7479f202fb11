// The serial link's connection and text exchange, against a pseudo-terminal whose master
// side plays the printer.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/COM_pos.h"
#include "link/serial_port.h"
#include "link_fixtures.h"
#include "support/platform.h"

using namespace tv;
using namespace tv::test;

namespace {

class SerialText : public TextExchange<PtyDevice> {
  protected:
    void SetUp() override {
        TV_NEEDS_PTY();
        point_com(7, dev.slave_path());
    }
    void TearDown() override { com_disconnect(false); }

    // Connects and forgets what the connection traced.
    void connect() {
        ASSERT_EQ(com_connect(false), RC_OK);
        host.clear();
    }
};

TEST_F(SerialText, ConnectStartsTheRecordAnewAndTracesThePort) {
    write_file(dir.file("LOGS/log_.txt"), "earlier job");
    write_file(dir.file("SEQ/seq_"), "earlier frames");
    ASSERT_EQ(com_connect(true), RC_OK);
    EXPECT_EQ(host.trace(), "COM7 : 9600\nOPEN PORT : COM7\r\n");
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n");
    EXPECT_EQ(seq(), "");
    com_disconnect(true);
    EXPECT_EQ(host.trace(), "COM7 : 9600\nOPEN PORT : COM7\r\n\r\n\r\nZAMKNIECIE PORTU COM!\r\n");
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n\r\n\r\nZAMKNIECIE PORTU COM!\r\n");

    // Without echo the pane gets only the port line; the log gets the same lines.
    host.clear();
    ASSERT_EQ(com_connect(false), RC_OK);
    com_disconnect(false);
    EXPECT_EQ(host.trace(), "COM7 : 9600\n");
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n\r\n\r\nZAMKNIECIE PORTU COM!\r\n");
}

TEST_F(SerialText, ConnectSetsTheLineTheDeviceExpects) {
    BAUDRATE_COM = 115200;
    ASSERT_EQ(com_connect(false), RC_OK);
    EXPECT_EQ(dev.line_settings(),
              "speed=115200/115200 bits=8 parenb=0 cstopb=0 crtscts=1 icanon=0 echo=0 isig=0 iexten=0 "
              "opost=0 icrnl=0 istrip=0 ixon=0 ixoff=0");
}

TEST_F(SerialText, OpenAndSetUpFailuresAreReportedAndLeaveThePortFree) {
    point_com(7, dir.file("missing"));
    EXPECT_EQ(com_connect(true), RC_COM_OPEN);
    EXPECT_EQ(host.trace(), "COM7 : 9600\nOpen port ERROR!\r\n");
    EXPECT_EQ(log(), "Open port ERROR!\r\n");

    // Not a terminal: its line settings cannot be read.
    host.clear();
    write_file(dir.file("plain"), "");
    point_com(7, dir.file("plain"));
    EXPECT_EQ(com_connect(true), RC_COM_GET_STATE);
    EXPECT_EQ(host.trace(), "COM7 : 9600\nGet state ERROR!\r\n");
    EXPECT_EQ(log(), "Get state ERROR!\r\n");
    SerialPort probe;
    EXPECT_TRUE(probe.open(dir.file("plain")));  // our handle was closed
    probe.close();

    // A name that is no COM port.
    host.clear();
    copy_to(NR_COM, "\\\\.\\LPT1");
    EXPECT_EQ(com_connect(true), RC_COM_OPEN);
    EXPECT_EQ(host.trace(), "LPT1 : 9600\nOpen port ERROR!\r\n");
}

TEST_F(SerialText, ASpeedTheLineCannotTakeIsReportedAndLeavesThePortFree) {
    TV_WINE_DIFFERS(
        "Wine's serial emulation takes any speed (it sets an odd one as 38400 bit/s), where a Windows port "
        "driver refuses one it cannot make");
    BAUDRATE_COM = 12345;
    EXPECT_EQ(com_connect(true), RC_COM_SET_STATE);
    EXPECT_EQ(host.trace(), "COM7 : 12345\nSet state ERROR!\r\n");
    EXPECT_EQ(log(), "Set state ERROR!\r\n");
    SerialPort probe;
    EXPECT_TRUE(probe.open(SerialPort::device_path(NR_COM)));  // our handle was closed
}

TEST_F(SerialText, PortIsHeldExclusively) {
    TV_WINE_DIFFERS(
        "Wine opens a COM port a second time while it is open (it checks sharing for files only), where "
        "Windows' serial driver refuses the second opening");
    ASSERT_EQ(com_connect(false), RC_OK);
    SerialPort second;
    const std::string port = SerialPort::device_path(NR_COM);
    EXPECT_FALSE(second.open(port));
    com_disconnect(false);
    ASSERT_TRUE(second.open(port));
    host.clear();
    EXPECT_EQ(com_connect(true), RC_COM_OPEN);  // now the other holder keeps us out
    EXPECT_EQ(host.trace(), "COM7 : 9600\nOpen port ERROR!\r\n");
    second.close();
    EXPECT_EQ(com_connect(false), RC_OK);
}

TEST_F(SerialText, BytesAfterEtxWaitForTheNextReceive) {
    connect();
    const std::string first = "\x02\tnmA\t#0001\x03";
    const std::string second = "\x02\tnmB\t#0002\x03";
    dev.write(first + second);
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_OK);
    EXPECT_EQ(reply_text(), first);
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_OK);
    EXPECT_EQ(reply_text(), second);
}

TEST_F(SerialText, ErrorReplyFillsTheErrorRecordAndTraceLine) {
    connect();
    const std::string answer = "\x02\t?12\t#ABCD\x03";
    dev.write(answer);
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_DEVICE_ERROR);
    EXPECT_EQ(devErr, 12u);
    EXPECT_EQ(ERR_NR, 12);
    EXPECT_STREQ(ERR_MNEMONIK, "PROTO_ERR_CMD_IMMEDIATE_FORBIDDEN");
    EXPECT_EQ(reply_text(), answer);
    EXPECT_EQ(host.trace(), "\r\nResp.: " + answer + kErrorLine12);
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n\nResp.: " + answer + to_cp1250(kErrorLine12));
}

TEST_F(SerialText, TheLastErrorFieldCountsWithAtMostFiveDigits) {
    connect();
    dev.write("\x02\t?12\tx\t?3210987\t#0000\x03");
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_DEVICE_ERROR);
    EXPECT_EQ(devErr, 32109u);
}

TEST_F(SerialText, SilentDeviceTimesOutAfterTheIdleLimitWithTheBox) {
    connect();
    RCV_TIMEOUT = 1;
    TIMEOUT_BASE = 10;
    const auto start = std::chrono::steady_clock::now();
    int rc = RC_OK;
    long ms = 0;
    EXPECT_TRUE(returns_within(timeout_bound(std::chrono::milliseconds(500)), [&] {
        rc = com_pos_receive(reply, devErr);
        ms = elapsed_ms(start);
    }));
    EXPECT_EQ(rc, RC_NO_REPLY);
    EXPECT_GE(ms, 450);  // ten slices really waited
    EXPECT_EQ(devErr, 0u);
    EXPECT_EQ(reply_text(), "");
    EXPECT_EQ(host.trace(), "\r\nResp.: .......... [ TIMEOUT ]\r\n");
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n\nResp.:  [ TIMEOUT ]\r\n");
    EXPECT_EQ(host.boxes_shown(), std::vector<Box>{kNoReplyBox});
}

TEST_F(SerialText, DetectionAndTestTimeOutWithoutABox) {
    connect();
    RCV_TIMEOUT = 1;
    TIMEOUT_BASE = 10;
    for (int mode : {2, 3}) {
        work_mode = static_cast<std::int16_t>(mode);
        dev.write("\x02\tnm");  // a partial reply is returned, not traced
        EXPECT_EQ(com_pos_receive(reply, devErr), RC_NO_REPLY);
        EXPECT_EQ(reply_text(), "\x02\tnm");
    }
    EXPECT_TRUE(host.boxes().empty());
    EXPECT_EQ(count_of(host.trace(), ".......... [ TIMEOUT ]\r\n"), 2u);
    EXPECT_EQ(count_of(host.trace(), "nm"), 0u);
}

TEST_F(SerialText, ZeroByteIsDroppedAndCountsAsIdle) {
    connect();
    dev.write(
        std::string("\x02"
                    "ab\0c\x03",
                    6));
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_OK);
    EXPECT_EQ(reply_text(),
              "\x02"
              "abc\x03");
    EXPECT_EQ(host.trace(),
              "\r\nResp.: .\x02"
              "abc\x03");
}

TEST_F(SerialText, HungUpLineWaitsOutEverySlice) {
    connect();
    RCV_TIMEOUT = 1;
    TIMEOUT_BASE = 10;
    dev.close_master();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_NO_REPLY);
    EXPECT_GE(elapsed_ms(start), 450);
    EXPECT_EQ(host.trace(), "\r\nResp.: .......... [ TIMEOUT ]\r\n");
}

TEST_F(SerialText, LongReplyIsCutToTheCallersBuffer) {
    connect();
    RCV_TIMEOUT = 1;
    TIMEOUT_BASE = 10;
    dev.write(std::string(4400, 'A'));
    // 4300 bytes without ETX end the collection; the caller's 2048 bytes get 2047 and a zero.
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_OK);
    EXPECT_EQ(reply_text(), std::string(2047, 'A'));
    EXPECT_EQ(reply[2048], 'Z');
    EXPECT_EQ(host.trace(), "\r\nResp.: " + std::string(4300, 'A'));
    // The rest stayed in the port.
    EXPECT_EQ(com_pos_receive(reply, devErr), RC_NO_REPLY);
    EXPECT_EQ(reply_text(), std::string(100, 'A'));
}

TEST_F(SerialText, FailedWriteWithoutReconnectionKeepsTheRecord) {
    connect();
    const std::string first = tarv_frame("sid\t");
    ASSERT_EQ(com_send(Finish_Frame), RC_OK);
    ASSERT_EQ(dev.read(first.size()).size(), first.size());

    point_com(7, dir.file("missing"));  // the port is gone for a reopen
    dev.hold_output(true);              // and takes no more output
    host.clear();
    EXPECT_EQ(com_send(tarv_frame("scomm\t")), RC_COM_WRITE);
    dev.hold_output(false);
    EXPECT_EQ(host.trace(),
              "\r\nSend : \r\n\r\nZAMKNIECIE PORTU COM!\r\nCOM7 : 9600\nOpen port ERROR!\r\nERROR!\r\n");
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n\nSend : " + first +
                         "\nSend : \r\n\r\nZAMKNIECIE PORTU COM!\r\nOpen port ERROR!\r\nERROR!\r\n");
    EXPECT_EQ(seq(), first + "ERROR!\r\n");
}

TEST_F(SerialText, FailedWriteIsRewrittenOnceAfterReconnecting) {
    connect();
    PtyDevice replacement;
    point_com(7, replacement.slave_path());
    dev.hold_output(true);
    const std::string sent = tarv_frame("sid\t");
    EXPECT_EQ(com_send(Finish_Frame), RC_OK);
    dev.hold_output(false);
    EXPECT_EQ(hex(replacement.read(sent.size())), hex(sent));
    EXPECT_EQ(replacement.drain(50), "");
    EXPECT_EQ(dev.drain(50), "");
    // The rewrite is not echoed; the files were not started anew.
    EXPECT_EQ(host.trace(), "\r\nSend : \r\n\r\nZAMKNIECIE PORTU COM!\r\nCOM7 : 9600\nOPEN PORT : COM7\r\n");
    EXPECT_EQ(log(), "OPEN PORT : COM7\r\n\nSend : \r\n\r\nZAMKNIECIE PORTU COM!\r\nOPEN PORT : COM7\r\n");
    EXPECT_EQ(seq(), "");
}

}  // namespace
