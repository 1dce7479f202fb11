// What the link tests share: a fixture that keeps the process-wide link settings and the
// start-up directory per test, the fixture the text exchanges of both links share, and the
// device's standard replies and boxes.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "support/device_end.h"
#include "support/recording_host.h"

namespace tv::test {

// Sets the start-up directory to a fresh folder (with LOGS and SEQ) and restores the
// link settings and job kind after each test.
class LinkSettings {
public:
    LinkSettings();
    ~LinkSettings();
    TempDir dir;
    std::string log() const;
    std::string seq() const;
    // Points ports/comN of the start-up directory at target (replacing an older link).
    void point_com(int n, const std::string& target) const;
};

// A text exchange with the device: the settings, the device stand-in, a host, and the
// caller's reply buffer, filled with 'Z' so that where the link stopped writing shows.
template <class Device> class TextExchange : public ::testing::Test {
protected:
    LinkSettings settings;
    Device dev;
    RecordingHost host;
    char reply[4300];
    unsigned devErr = 99;

    TextExchange() { std::memset(reply, 'Z', sizeof reply); }
    std::string reply_text() const { return std::string(reply, strnlen(reply, sizeof reply)); }
};

// A printer's identity reply (0xB9 is "ą" on the wire), and the trace line of error 12.
inline const std::string kIdentityReply = "\x02\tnmTX\xB9\tvr1\t#1234\x03";
inline const std::string kErrorLine12 =
    "\r\n\t[ ERROR : 12 PROTO_ERR_CMD_IMMEDIATE_FORBIDDEN Nie można wykonać rozkazu w  ]";

// The printer link's boxes: no reply, and the TCP link's question whether to wait again.
inline const Box kNoReplyBox{"UWAGA!", "Brak odpowiedzi z drukarki fiskalnej!", Icon::Warning};
inline const Box kWaitAgainBox{"Warning", "TIMEOUT! Try again?", Icon::Question, Buttons::YesNo};

// The byte values as a string.
std::string bytes(std::initializer_list<int> list);

// Milliseconds since start.
long elapsed_ms(std::chrono::steady_clock::time_point start);

}  // namespace tv::test
