// What the link tests share: the link settings every link test starts from, the fixture
// the text exchanges of both links share, and the device's standard replies and boxes.
#pragma once
#include <cstring>
#include <initializer_list>
#include <string>

#include "support/device_end.h"
#include "support/fixture.h"

namespace tv::test {

// Port COM7 at 9600 bit/s, a reply time-out of 2 units of 20 polls, the printer job kind,
// the TCP link aimed at 127.0.0.1, and the folders the links write their records to.
class LinkTest : public Test {
  protected:
    LinkTest();
};

// A text exchange with the device: the device stand-in and the caller's reply buffer,
// filled with 'Z' so that where the link stopped writing shows.
template <class Device>
class TextExchange : public LinkTest {
  protected:
    Device dev;
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

}  // namespace tv::test
