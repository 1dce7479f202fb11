// The serial link's binary exchange with cash registers: send one stuffed frame, collect
// one stuffed reply frame byte by byte.
#include <string>

#include "codecs/register/stuffing.h"
#include "common/debug.h"
#include "common/hex.h"
#include "link/COM_pos.h"
#include "link/serial_port.h"
#include "link/stuffed_receiver.h"
#include "ui/trace.h"

namespace tv {

namespace {

constexpr std::size_t kWireSize = 2048;
constexpr std::size_t kHexTraceMax = 2095;

// Length of the frame up to and including its end pair; the whole buffer when there is none.
std::size_t frame_length(const unsigned char* frame) {
    const int end = ks_end_pair(frame, 0, static_cast<int>(kWireSize));
    return end < 0 ? kWireSize : static_cast<std::size_t>(end) + 1;
}

// The verbose account of one stored byte: the hex text for the trace pane, a line on
// the debug channel.
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
    debugf("\n%d : %s%s", at, digits, tag);
}

}  // namespace

int com_bsend(unsigned char* frame) {
    const std::size_t len = frame_length(frame);
    debug_frame("Send", frame, len);
    Result result = RC_OK;
    if (!hCom.write_all(frame, len)) {
        debugf("ERROR %lu\n", hCom.last_error());
        result = RC_COM_WRITE;
    }
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
            debug_write(" @");
            s(".");
            ++idle;
            continue;
        }
        const int at = rx.index();
        const auto step = rx.feed(b);
        if (verbose && step != StuffedReceiver::Step::Dropped) note_stored(hex, at, b, step);
    }
    if (verbose) debug_write("\n");
    debug_frame("Resp.", frame + 1, rx.stored());
    s(hex + "\r\n\r\n");
}

}  // namespace tv
