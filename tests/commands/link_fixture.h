// What the register command tests share: the scripted register and its frames, short
// reply time-outs, and a serial port name led to the register's pseudo-terminal.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "codecs/printer/catalogue.h"
#include "commands/register/prt_ks.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "support/fixture.h"
#include "support/register_peer.h"
#include "ui/Controls.h"

namespace tv::test {

class RegisterLink : public Test {
  protected:
    RegisterLink() {
        RCV_TIMEOUT = 2;   // a silent TCP peer costs 1.4 s at most
        TIMEOUT_BASE = 4;  // a silent serial peer 0.4 s
        ERR_NR = 0;
    }
    // Serial port COM7 of the start-up directory, led to the peer's pseudo-terminal.
    void use_pty(const RegisterPeer& peer) { use_pty(peer.slave_name()); }
    void use_pty(const std::string& slave) {
        make_folders();
        point_com(7, slave);
        copy_to(NR_COM, "\\\\.\\COM7");
        BAUDRATE_COM = 9600;
        set_sel(gComb_Interface, 0);
    }
};

}  // namespace tv::test
