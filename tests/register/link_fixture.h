// What the register command tests share: the scripted register and its frames, a serial
// port name led to its pseudo-terminal, and the link settings kept per test.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ui/Controls.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "printer/catalogue.h"
#include "register/prt_ks.h"
#include "support/recording_host.h"
#include "support/register_peer.h"

namespace tv::test {

// Serial port COM7 of a fresh start-up directory, led to the peer's pseudo-terminal.
struct PtyPort {
    TempDir dir;
    explicit PtyPort(const RegisterPeer& peer) {
        gCurrendDir = dir.path();
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
