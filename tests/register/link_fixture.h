// What the register command tests share: reply frames built from header and fields, a
// real TCP connection to a scripted peer, and a serial port name led to a pseudo-terminal.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/Controls.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "peer.h"
#include "printer/catalogue.h"
#include "register/prt_ks.h"
#include "support/recording_host.h"

namespace tv::test {

// The wire bytes of a reply frame.
inline std::string reply_frame(std::uint16_t cmd, const std::function<void(KS_FRM&)>& fill = {}) {
    KS_FRM f;
    f.clear();
    f.CMD_ID = cmd;
    if (fill) fill(f);
    f.make();
    return std::string(reinterpret_cast<const char*>(f.FRAME), f.F_LEN);
}

// An error reply carrying the given V values.
inline std::string error_frame(std::initializer_list<std::uint16_t> values) {
    return reply_frame(0, [&](KS_FRM& f) {
        for (auto v : values) f.putV(v);
        f.FLD_NUM = static_cast<std::uint16_t>(values.size());
    });
}

// The client end: the system's own TCP link connected to the peer.
struct TcpLink {
    unsigned int sock = 0;
    std::int16_t stage = 0;
    explicit TcpLink(std::uint16_t port) {
        copy_to(gServerName, "127.0.0.1");
        PortTCP = port;
        set_sel(gComb_Interface, 1);
        init_WSADATA(1);
        tcp_connect(sock, stage);
    }
    void close() {
        if (stage > 2) tcp_disconnect(sock);
        stage = 0;
    }
    ~TcpLink() {
        close();
        init_WSADATA(0);
    }
};

// Serial port COM7 of a fresh start-up directory, led to the peer's pseudo-terminal.
struct PtyPort {
    TempDir dir;
    explicit PtyPort(const Peer& peer) {
        copy_to(gCurrendDir, dir.path());
        std::filesystem::create_directory(dir.file("ports"));
        std::filesystem::create_symlink(peer.slave_name(), dir.file("ports/com7"));
        copy_to(NR_COM, "\\\\.\\COM7");
        BAUDRATE_COM = 9600;
        set_sel(gComb_Interface, 0);
    }
};

class RegisterLink : public testing::Test {
protected:
    void SetUp() override {
        RCV_TIMEOUT = 2;    // a silent TCP peer costs 1.4 s at most
        TIMEOUT_BASE = 4;   // a silent serial peer 0.4 s
        ERR_NR = 0;
    }
    void TearDown() override { set_sel(gComb_Interface, 0); }
    RecordingHost host;
};

}  // namespace tv::test
