// The TCP link against a device listening on 127.0.0.1: connection, text exchange with
// its time-out question, binary exchange.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/TCPIP_pos.h"
#include "link/tcp_socket.h"
#include "link_fixtures.h"
#include "support/sockets.h"

using namespace tv;
using namespace tv::test;

namespace {

class TcpLink : public TextExchange<TcpDevice> {
  protected:
    unsigned int sock = 0;
    std::int16_t stage = 0;

    void SetUp() override {
        PortTCP = dev.port();
        devErr = 0;  // the TCP receive writes it only when the reply has an error field
    }
    void TearDown() override {
        if (stage > 2) tcp_disconnect(sock);
    }
    void connect() {
        ASSERT_EQ(tcp_connect(sock, stage), RC_OK);
        ASSERT_TRUE(dev.accept());
        host.clear();
    }
};

TEST_F(TcpLink, ConnectsInThreeStagesAndDisconnects) {
    init_WSADATA(1);
    EXPECT_EQ(tcp_connect(sock, stage), RC_OK);
    EXPECT_EQ(stage, 3);
    EXPECT_TRUE(dev.accept());
    EXPECT_EQ(tcp_disconnect(sock), RC_OK);
    EXPECT_TRUE(dev.peer_closed());
    init_WSADATA(0);
    init_WSADATA(7);  // any other mode does nothing
    EXPECT_EQ(host.trace(),
              "\r\nInitialization successful!\r\n"
              "\r\nCreate socket : OK\r\nServer name : OK\r\nConnecting : OK\r\n"
              "\r\nDisconecting : OK!\r\n"
              "\r\nCleanup\r\n");
    stage = 0;
    host.clear();
    EXPECT_EQ(tcp_disconnect(sock), RC_TCP_CLOSE);  // nothing left to close
    EXPECT_EQ(host.trace(), "\r\nDisconecting : ERROR!\r\n");
}

TEST_F(TcpLink, FailedConnectionsStopAtTheirStage) {
    copy_to(gServerName, "no-such-host.invalid");
    EXPECT_EQ(tcp_connect(sock, stage), RC_TCP_RESOLVE);
    EXPECT_EQ(stage, 1);
    EXPECT_EQ(sock, net::kNoSocket);  // the half-made socket is closed, not left to leak
    EXPECT_EQ(host.trace(), "\r\nCreate socket : OK\r\nServer name : ERROR!\r\n");

    host.clear();
    stage = 0;
    copy_to(gServerName, "127.0.0.1");
    {
        TcpDevice gone;
        PortTCP = gone.port();
    }  // nobody listens there any more
    EXPECT_EQ(tcp_connect(sock, stage), RC_TCP_CONNECT);
    EXPECT_EQ(stage, 2);
    EXPECT_EQ(sock, net::kNoSocket);
    EXPECT_EQ(host.trace(), "\r\nCreate socket : OK\r\nServer name : OK\r\nConnecting : ERROR!\r\n");
}

// A device that never answers the connection request (its listen queue is full, so its
// system drops the request, as a switched-off device would): the link gives up after its
// own 2 s, not after the system's limit (minutes on some systems).
TEST_F(TcpLink, ConnectGivesUpAfterItsOwnTimeOut) {
    std::uint16_t port = 0;
    const sockets::Socket listener = sockets::listen_loopback(port, 1);
    ASSERT_NE(listener, sockets::kNone);
    std::vector<sockets::Socket> waiting;  // connections nobody accepts, until one is not answered
    bool full = false;
    for (int i = 0; i < 64 && !full; ++i) {
        waiting.push_back(sockets::connect_loopback(port, false));
        ASSERT_NE(waiting.back(), sockets::kNone);
        full = sockets::wait_writable(waiting.back(), 300) == 0;
    }
    ASSERT_TRUE(full) << "the listen queue never filled";
    PortTCP = port;
    const auto start = std::chrono::steady_clock::now();
    int rc = RC_OK;
    long took = 0;
    // Our time-out, not the system's own (minutes).
    EXPECT_TRUE(returns_within(std::chrono::seconds(15), [&] {
        rc = tcp_connect(sock, stage);
        took = elapsed_ms(start);
    }));
    EXPECT_EQ(rc, RC_TCP_CONNECT);
    EXPECT_GE(took, 1900);  // the time-out was waited
    EXPECT_EQ(stage, 2);
    EXPECT_EQ(host.trace(), "\r\nCreate socket : OK\r\nServer name : OK\r\nConnecting : ERROR!\r\n");
    for (auto s : waiting) sockets::close(s);
    sockets::close(listener);
}

TEST_F(TcpLink, FailedSendIsReportedAndNotRecorded) {
    unsigned int none = net::kNoSocket;
    tarv_frame("sid\t");
    EXPECT_EQ(tcp_send(none, Finish_Frame), RC_TCP_SEND);
    EXPECT_EQ(Finish_Frame[0], 0);
    EXPECT_EQ(host.trace(), "\r\nSend : ERROR!\r\n");
    EXPECT_EQ(seq(), "");
}

TEST_F(TcpLink, ErrorReplyTakesTheFirstErrorField) {
    connect();
    const std::string answer = "\x02\t?12\tx\t?7\t#0000\x03";
    dev.write(answer);
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), RC_DEVICE_ERROR);
    EXPECT_EQ(devErr, 12u);
    EXPECT_STREQ(ERR_MNEMONIK, "PROTO_ERR_CMD_IMMEDIATE_FORBIDDEN");
    EXPECT_EQ(reply_text(), answer);
    EXPECT_EQ(host.trace(), "\r\nResp.: " + answer + kErrorLine12);
}

TEST_F(TcpLink, ErrorFieldCountsEvenAfterATimeOut) {
    RCV_TIMEOUT = 1;
    connect();
    dev.write("\x02\t?12");
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, false), RC_DEVICE_ERROR);
    EXPECT_EQ(devErr, 12u);
    EXPECT_EQ(reply_text(), "\x02\t?12");
    EXPECT_EQ(host.trace().rfind("\r\nResp.:  [ TIMEOUT ]\r\n\r\n\t[ ERROR : 12 ", 0), 0u);
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(TcpLink, TimeOutAskedAndAnsweredNo) {
    RCV_TIMEOUT = 1;
    connect();
    host.answer_next(Answer::No);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), RC_NO_REPLY);
    EXPECT_GE(elapsed_ms(start), 900);
    EXPECT_EQ(reply_text(), "");
    EXPECT_EQ(devErr, 0u);
    EXPECT_EQ(host.trace(), "\r\nResp.:  [ TIMEOUT ]\r\n");
    EXPECT_EQ(log(), "\nResp.:  [ TIMEOUT ]\r\n");
    // "Nie" ends the wait, and the job is told why it ends.
    EXPECT_EQ(host.box_texts(), (std::vector<std::string>{"[Warning] TIMEOUT! Try again?",
                                                          "[UWAGA!] Brak odpowiedzi z drukarki fiskalnej!"}));
}

TEST_F(TcpLink, TimeOutQuestionDefaultsToNo) {
    RCV_TIMEOUT = 1;
    connect();
    // Should the default be Yes, the second question ends the wait with a closed line.
    std::thread guard([&] {
        if (host.wait_for_boxes(2, timeout_bound(std::chrono::seconds(2)))) dev.close_connection();
    });
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), RC_NO_REPLY);
    host.cancel_waits();
    guard.join();
    EXPECT_EQ(host.boxes().size(), 2u);  // the question once, then the no-reply box
}

TEST_F(TcpLink, TimeOutAnsweredYesWaitsAgainForTheReply) {
    RCV_TIMEOUT = 1;
    connect();
    host.answer_next(Answer::Yes);
    const std::string answer = "\x02\tnmTX\t#0001\x03";
    std::thread device([&] {
        if (host.wait_for_boxes(1, timeout_bound(std::chrono::seconds(1)))) dev.write(answer);
    });
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), RC_OK);
    device.join();
    EXPECT_EQ(reply_text(), answer);
    EXPECT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.trace(), "\r\nResp.:  [ TIMEOUT ]\r\n\r\nResp.: " + answer);
}

TEST_F(TcpLink, WithoutAskATimeOutJustReturns) {
    RCV_TIMEOUT = 1;
    connect();
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, false), RC_NO_REPLY);
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(TcpLink, DeviceClosingMidReplyEndsTheReceiveAtOnceWithoutAReply) {
    RCV_TIMEOUT = 30;
    connect();
    dev.write("\x02\tnmAB");
    dev.close_connection();
    // A cut reply is no reply; with the connection gone there is nothing to wait again for:
    // it returns long before the time-out of 30 s.
    int rc = RC_OK;
    EXPECT_TRUE(
        returns_within(std::chrono::seconds(15), [&] { rc = tcp_pos_recive(sock, reply, devErr, true); }));
    EXPECT_EQ(rc, RC_NO_REPLY);
    EXPECT_EQ(reply_text(), "\x02\tnmAB");
    EXPECT_EQ(host.trace(), "\r\nResp.:  [ CONNECTION LOST ]\r\n");
    EXPECT_EQ(host.boxes_shown(), std::vector<Box>{kNoReplyBox});
}

TEST_F(TcpLink, ReplyInTwoBlocksIsJoined) {
    connect();
    dev.write("\x02\tnmAB");
    std::thread device([&] {
        // The rest follows once the link has taken the first block off its socket.
        const auto start = std::chrono::steady_clock::now();
        while (sockets::wait_readable(static_cast<sockets::Socket>(sock), 0) == 1 && elapsed_ms(start) < 5000)
            std::this_thread::yield();
        dev.write("\t#0001\x03");
    });
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), RC_OK);
    device.join();
    EXPECT_EQ(reply_text(), "\x02\tnmAB\t#0001\x03");
}

TEST_F(TcpLink, TwoFullBlocksAreCutToTheCallersBuffer) {
    connect();
    dev.write(std::string(4299, 'A') + std::string(4299, 'B'));
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), RC_OK);
    // The collection holds 4300 characters; the caller's 4300 bytes keep room for the zero.
    EXPECT_EQ(reply_text(), std::string(4299, 'A'));
    EXPECT_EQ(host.trace(), "\r\nResp.: " + std::string(4299, 'A') + "B");
}

TEST_F(TcpLink, BinaryFrameIsSentAsGivenAndCleared) {
    connect();
    char frame[2048];
    std::memset(frame, 0x55, sizeof frame);
    const std::string wire = bytes({0x10, 0x02, 0x10, 0x10, 0x03, 0x10, 0x03});
    std::memcpy(frame, wire.data(), wire.size());
    EXPECT_EQ(tcp_send_bin(sock, frame, 7), RC_OK);
    EXPECT_EQ(hex(dev.read(7)), hex(wire));
    EXPECT_TRUE(dev.quiet());
    EXPECT_EQ(std::string(frame, 1024), std::string(1024, '\0'));
    EXPECT_EQ(frame[1024], 0x55);
    EXPECT_EQ(host.trace(), "\r\nSend : ");
    EXPECT_EQ(log(), "\nSend : ");
    EXPECT_EQ(seq(), "");
}

TEST_F(TcpLink, RegisterReplyMayPauseForAWaitBetweenAnyTwoBytes) {
    // Only consecutive empty waits count: each byte starts the count anew.
    RCV_TIMEOUT = 2;
    connect();
    dev.write(bytes({0x10, 0x02, 0x41}));
    std::thread device([&] {
        if (host.wait_for_trace("% ", std::chrono::seconds(10))) dev.write("B");
        if (host.wait_for_trace("% % ", std::chrono::seconds(10))) dev.write(bytes({0x43, 0x10, 0x03}));
    });
    unsigned char frame[2048];
    EXPECT_EQ(tcp_recive_bin(sock, reinterpret_cast<char*>(frame)), RC_OK);
    device.join();
    EXPECT_EQ(frame[0], 7);
    EXPECT_EQ(hex(frame + 1, 7), "10 02 41 42 43 10 03");
}

TEST_F(TcpLink, SilentOrClosedDeviceLeavesNoBinaryFrame) {
    RCV_TIMEOUT = 2;
    connect();
    dev.write(bytes({0x10, 0x02, 0x01}));
    unsigned char frame[2048];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(tcp_recive_bin(sock, reinterpret_cast<char*>(frame)), RC_OK);
    EXPECT_GE(elapsed_ms(start), 1300);  // two waits of 700 ms
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(hex(frame + 1, 3), "10 02 01");
    EXPECT_EQ(host.trace(), "\r\nResp.: % % ");

    dev.close_connection();
    host.clear();
    RCV_TIMEOUT = 20;
    // A closed line is not waited on (20 x 700 ms).
    int rc = RC_NO_REPLY;
    EXPECT_TRUE(returns_within(std::chrono::seconds(7),
                               [&] { rc = tcp_recive_bin(sock, reinterpret_cast<char*>(frame)); }));
    EXPECT_EQ(rc, RC_OK);
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(count_of(host.trace(), "% "), 20u);
}

}  // namespace
