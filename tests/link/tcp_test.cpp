// The TCP link against a device listening on 127.0.0.1: connection, text exchange with
// its time-out question, binary exchange.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/globals.h"
#include "common/text.h"
#include "link/TCPIP_pos.h"
#include "link/tcp_socket.h"
#include "link_fixtures.h"
#include "printer/Fpos.h"
#include "support/sockets.h"

using namespace tv;
using namespace tv::test;

namespace {

// Waits (at most 5 s, or until stop is set) until the host has shown n boxes.
bool wait_for_boxes(const RecordingHost& host, std::size_t n,
                    const std::atomic<bool>* stop = nullptr) {
    const auto start = std::chrono::steady_clock::now();
    while (host.boxes().size() < n) {
        if (elapsed_ms(start) > 5000 || (stop && *stop)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

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
        ASSERT_EQ(tcp_connect(sock, stage), 0);
        ASSERT_TRUE(dev.accept());
        host.clear();
    }
};

TEST_F(TcpLink, ConnectsInThreeStagesAndDisconnects) {
    init_WSADATA(1);
    EXPECT_EQ(tcp_connect(sock, stage), 0);
    EXPECT_EQ(stage, 3);
    EXPECT_TRUE(dev.accept());
    EXPECT_EQ(tcp_disconnect(sock), 0);
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
    EXPECT_EQ(tcp_disconnect(sock), 69);  // nothing left to close
    EXPECT_EQ(host.trace(), "\r\nDisconecting : ERROR!\r\n");
}

TEST_F(TcpLink, FailedConnectionsStopAtTheirStage) {
    copy_to(gServerName, "no-such-host.invalid");
    EXPECT_EQ(tcp_connect(sock, stage), 51);
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
    EXPECT_EQ(tcp_connect(sock, stage), 52);
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
    EXPECT_EQ(tcp_connect(sock, stage), 52);
    const long took = elapsed_ms(start);
    EXPECT_GE(took, 1900);
    EXPECT_LT(took, 15000);  // bound generous for a busy machine; the system's own is minutes
    EXPECT_EQ(stage, 2);
    EXPECT_EQ(host.trace(), "\r\nCreate socket : OK\r\nServer name : OK\r\nConnecting : ERROR!\r\n");
    for (auto s : waiting) sockets::close(s);
    sockets::close(listener);
}

TEST_F(TcpLink, FrameGoesOutAndReplyComesBack) {
    connect();
    const std::string sent = tarv_frame("sid\t");
    const std::string answer = kIdentityReply;
    EXPECT_EQ(tcp_send(sock, Finish_Frame), 0);
    EXPECT_EQ(hex(dev.read(sent.size())), hex(sent));
    EXPECT_TRUE(dev.quiet());
    EXPECT_EQ(Finish_Frame[0], 0);  // a sent frame is gone
    dev.write(answer);
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 0);
    EXPECT_EQ(devErr, 0u);
    EXPECT_EQ(reply_text(), answer);
    EXPECT_EQ(host.trace(), "\r\nSend : " + sent + "\r\nResp.: \x02\tnmTXą\tvr1\t#1234\x03");
    EXPECT_EQ(settings.log(), "\nSend : " + sent + "\nResp.: " + answer);
    EXPECT_EQ(settings.seq(), sent);
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(TcpLink, FailedSendIsReportedAndNotRecorded) {
    unsigned int none = net::kNoSocket;
    tarv_frame("sid\t");
    EXPECT_EQ(tcp_send(none, Finish_Frame), 53);
    EXPECT_EQ(Finish_Frame[0], 0);
    EXPECT_EQ(host.trace(), "\r\nSend : ERROR!\r\n");
    EXPECT_EQ(settings.seq(), "");
}

TEST_F(TcpLink, ErrorReplyTakesTheFirstErrorField) {
    connect();
    const std::string answer = "\x02\t?12\tx\t?7\t#0000\x03";
    dev.write(answer);
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 26);
    EXPECT_EQ(devErr, 12u);
    EXPECT_STREQ(ERR_MNEMONIK, "PROTO_ERR_CMD_IMMEDIATE_FORBIDDEN");
    EXPECT_EQ(reply_text(), answer);
    EXPECT_EQ(host.trace(), "\r\nResp.: " + answer + kErrorLine12);
}

TEST_F(TcpLink, ErrorFieldCountsEvenAfterATimeOut) {
    RCV_TIMEOUT = 1;
    connect();
    dev.write("\x02\t?12");
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, false), 26);
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
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 27);
    EXPECT_GE(elapsed_ms(start), 900);
    EXPECT_EQ(reply_text(), "");
    EXPECT_EQ(devErr, 0u);
    EXPECT_EQ(host.trace(), "\r\nResp.:  [ TIMEOUT ]\r\n");
    EXPECT_EQ(settings.log(), "\nResp.:  [ TIMEOUT ]\r\n");
    EXPECT_EQ(host.boxes_shown(), std::vector<Box>{kWaitAgainBox});
}

TEST_F(TcpLink, TimeOutQuestionDefaultsToNo) {
    RCV_TIMEOUT = 1;
    connect();
    // Should the default be Yes, the second question ends the wait with a closed line.
    std::atomic<bool> done{false};
    std::thread guard([&] {
        if (wait_for_boxes(host, 2, &done)) dev.close_connection();
    });
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 27);
    done = true;
    guard.join();
    EXPECT_EQ(host.boxes().size(), 1u);
}

TEST_F(TcpLink, TimeOutAnsweredYesWaitsAgainForTheReply) {
    RCV_TIMEOUT = 1;
    connect();
    host.answer_next(Answer::Yes);
    const std::string answer = "\x02\tnmTX\t#0001\x03";
    std::thread device([&] {
        if (wait_for_boxes(host, 1)) dev.write(answer);
    });
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 0);
    device.join();
    EXPECT_EQ(reply_text(), answer);
    EXPECT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.trace(), "\r\nResp.:  [ TIMEOUT ]\r\n\r\nResp.: " + answer);
}

TEST_F(TcpLink, WithoutAskATimeOutJustReturns) {
    RCV_TIMEOUT = 1;
    connect();
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, false), 27);
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(TcpLink, DeviceClosingMidReplyEndsTheReceiveAtOnceWithoutAReply) {
    connect();
    dev.write("\x02\tnmAB");
    dev.close_connection();
    const auto start = std::chrono::steady_clock::now();
    // A cut reply is no reply; with the connection gone there is nothing to wait again for.
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 27);
    EXPECT_LT(elapsed_ms(start), 1500);  // no time-out of 2 s was waited
    EXPECT_EQ(reply_text(), "\x02\tnmAB");
    EXPECT_EQ(host.trace(), "\r\nResp.:  [ CONNECTION LOST ]\r\n");
    EXPECT_EQ(host.boxes_shown(), std::vector<Box>{kNoReplyBox});
}

TEST_F(TcpLink, ReplyInTwoBlocksIsJoined) {
    connect();
    dev.write("\x02\tnmAB");
    std::thread device([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        dev.write("\t#0001\x03");
    });
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 0);
    device.join();
    EXPECT_EQ(reply_text(), "\x02\tnmAB\t#0001\x03");
}

TEST_F(TcpLink, TwoFullBlocksAreCutToTheCallersBuffer) {
    connect();
    dev.write(std::string(4299, 'A') + std::string(4299, 'B'));
    EXPECT_EQ(tcp_pos_recive(sock, reply, devErr, true), 0);
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
    EXPECT_EQ(tcp_send_bin(sock, frame, 7), 0);
    EXPECT_EQ(hex(dev.read(7)), hex(wire));
    EXPECT_TRUE(dev.quiet());
    EXPECT_EQ(std::string(frame, 1024), std::string(1024, '\0'));
    EXPECT_EQ(frame[1024], 0x55);
    EXPECT_EQ(host.trace(), "\r\nSend : ");
    EXPECT_EQ(settings.log(), "\nSend : ");
    EXPECT_EQ(settings.seq(), "");
}

TEST_F(TcpLink, BinaryReplyAfterNoiseAndItsCount) {
    connect();
    const std::string reply1 = bytes({0x10, 0x02, 0x01, 0x10, 0x10, 0x05, 0x10, 0x03});
    const std::string reply2 = bytes({0x10, 0x02}) + std::string(296, 'A') + bytes({0x10, 0x03});
    dev.write(bytes({0x41, 0x02, 0x03}) + reply1 + reply2);
    unsigned char frame[2048];
    std::memset(frame, 0xEE, sizeof frame);
    EXPECT_EQ(tcp_recive_bin(sock, reinterpret_cast<char*>(frame)), 0);
    EXPECT_EQ(frame[0], 8);
    EXPECT_EQ(hex(frame + 1, 8), hex(reply1));
    EXPECT_EQ(frame[9], 0);
    EXPECT_EQ(tcp_recive_bin(sock, reinterpret_cast<char*>(frame)), 0);
    EXPECT_EQ(frame[0], 44);  // end byte at index 300
    EXPECT_EQ(hex(frame + 1, 300), hex(reply2));
    EXPECT_EQ(host.trace(), "\r\nResp.: \r\nResp.: ");
}

TEST_F(TcpLink, SilentOrClosedDeviceLeavesNoBinaryFrame) {
    RCV_TIMEOUT = 2;
    connect();
    dev.write(bytes({0x10, 0x02, 0x01}));
    unsigned char frame[2048];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(tcp_recive_bin(sock, reinterpret_cast<char*>(frame)), 0);
    EXPECT_GE(elapsed_ms(start), 1300);  // two waits of 700 ms
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(hex(frame + 1, 3), "10 02 01");
    EXPECT_EQ(host.trace(), "\r\nResp.: % % ");

    dev.close_connection();
    host.clear();
    const auto closed = std::chrono::steady_clock::now();
    EXPECT_EQ(tcp_recive_bin(sock, reinterpret_cast<char*>(frame)), 0);
    EXPECT_LT(elapsed_ms(closed), 700);  // a closed line is not waited on
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(host.trace(), "\r\nResp.: % % ");
}

}  // namespace
