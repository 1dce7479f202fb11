// The serial link's binary exchange with cash registers: send one stuffed frame, collect
// one stuffed reply frame byte by byte.
#include <cstdio>
#include <string>

#include "common/hex.h"
#include "link/COM_pos.h"
#include "link/serial_port.h"
#include "link/stuffed_receiver.h"
#include "ui/trace.h"

namespace tv {

namespace {

constexpr std::size_t kWireSize = 2048;
constexpr std::size_t kHexTraceMax = 2095;

// Length of the frame up to and including its end pair (0x10 0x03, where a doubled 0x10
// does not open a pair); the whole buffer when there is none.
std::size_t frame_length(const unsigned char* frame) {
    bool escape = false;
    for (std::size_t i = 0; i < kWireSize; ++i) {
        const unsigned char b = frame[i];
        if (b == 0x10 && !escape) {
            escape = true;
        } else if (b == 0x03 && escape) {
            return i + 1;
        } else {
            escape = false;
        }
    }
    return kWireSize;
}

void dump_sent(const unsigned char* frame, std::size_t len) {
    std::fputs("Send : ", stdout);
    for (std::size_t i = 0; i < len; ++i)
        std::printf("\n%c : %s -%zu", static_cast<char>(frame[i]), hexch2(frame[i]), i);
    std::fflush(stdout);
}

// The verbose account of one stored byte: the hex text for the trace pane, a line on
// standard output.
void note_stored(std::string& hex, int at, unsigned char b, StuffedReceiver::Step step) {
    using Step = StuffedReceiver::Step;
    const char* digits = hexch2(b);
    const char* mark = step == Step::Escape  ? "[SYN]"
                       : step == Step::Start ? "[STX]"
                       : step == Step::End   ? "[ETX]"
                                             : "";
    const char* tag = step == Step::Escape                           ? " UWAGA \"SYN\""
                      : step == Step::Start || step == Step::Escaped ? " koniec \"SYN\""
                      : step == Step::End                            ? " UWAGA KONIEC!"
                                                                     : "";
    std::string piece = std::string(" ") + digits + mark;
    if (hex.size() < kHexTraceMax) hex += piece.substr(0, kHexTraceMax - hex.size());
    std::printf("\n%d : %s : %c%s", at, digits, static_cast<char>(b), tag);
}

}  // namespace

int com_bsend(unsigned char* frame, bool dump) {
    const std::size_t len = frame_length(frame);
    Result result = RC_OK;
    if (!hCom.write_all(frame, len)) {
        std::printf("ERROR %lu\n", hCom.last_error());
        result = RC_COM_WRITE;
    }
    if (dump) dump_sent(frame, len);
    return result;
}

void com_breceive(unsigned char* frame, bool verbose) {
    StuffedReceiver rx(frame);
    s("\r\nResp...");
    std::string hex;
    const long limit = serial_idle_limit();
    long idle = 0;
    while (rx.wants_more() && idle < limit) {
        unsigned char b = 0;
        if (!hCom.read_byte(b)) {
            std::fputs(" @", stdout);
            s(".");
            ++idle;
            continue;
        }
        const int at = rx.index();
        const auto step = rx.feed(b);
        if (verbose && step != StuffedReceiver::Step::Dropped) note_stored(hex, at, b, step);
    }
    if (verbose) std::fflush(stdout);
    s(hex + "\r\n\r\n");
}

}  // namespace tv
