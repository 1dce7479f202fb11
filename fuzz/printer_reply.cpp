// Fuzz target: a fiscal printer's reply, any bytes in any bursts, through the real
// receivers (serial com_pos_receive, TCP tcp_pos_recive), the identity and status
// commands that read its fields (p_scomm, p_sid, p_sdev and their TCP twins), and the
// worker's exchange of one command line (4300-byte reply) with the check that the reply
// answers that line (reply_answers).
//
// Input: byte 0 picks the operation, byte 1 the circumstances (bits 0-1: serial write
// failures, or how the TCP device ends; bits 2-3: polls per time-out unit - 1; bit 4: the
// connection test is the running job); the rest is the reply in chunks
// (support/fuzz_env.h).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "codecs/printer/Fpos.h"
#include "commands/printer/identity.h"
#include "common/globals.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "support/fuzz_env.h"
#include "support/serial_script.h"
#include "support/socket_peer.h"

using namespace tv;
using namespace tv::fuzz;

namespace {

// The identity and status commands, and the worker's exchange of one command line.
enum Op { SCOMM, SID, SDEV, TCP_SCOMM, TCP_SID, SERIAL_LINE, TCP_LINE, OP_COUNT };

// A text buffer of exactly n bytes on the heap, so that any access past it is caught.
struct Buffer {
    explicit Buffer(std::size_t n) : size(n), p(new char[n]) { std::memset(p.get(), 0x55, n); }
    bool terminated() const { return std::memchr(p.get(), 0, size) != nullptr; }
    bool empty() const { return p[0] == 0; }
    std::size_t size;
    std::unique_ptr<char[]> p;
};

// The identity reads' codes (a reply to another command is a wrong one).
bool serial_code(int r) {
    return r == RC_OK || r == RC_COM_WRITE || r == RC_DEVICE_ERROR || r == RC_NO_REPLY || r == RC_WRONG_REPLY;
}
bool tcp_code(int r) {
    return r == RC_OK || r == RC_TCP_SEND || r == RC_DEVICE_ERROR || r == RC_NO_REPLY || r == RC_WRONG_REPLY;
}

void check_error_record() {
    check(std::memchr(ERR_MNEMONIK, 0, sizeof ERR_MNEMONIK) != nullptr, "ERR_MNEMONIK unterminated");
    check(std::memchr(ERR_OPIS, 0, sizeof ERR_OPIS) != nullptr, "ERR_OPIS unterminated");
}

SerialScript serial_script(unsigned flags, std::vector<std::string> chunks) {
    SerialScript s;
    s.chunks = std::move(chunks);
    switch (flags & 3u) {
        case 1:
            s.failing_writes = 1;
            break;  // one reconnection and a good rewrite
        case 2:
            s.failing_writes = -1;
            break;
        case 3:
            s.failing_writes = -1;
            s.open_fails = true;
            break;
        default:
            break;
    }
    return s;
}

// After an identity command: the code is one the command may give, and the buffers hold
// text only when the reply was good.
void check_identity(int r, bool serial, std::initializer_list<const Buffer*> outs) {
    check(serial ? serial_code(r) : tcp_code(r), "identity command gave an unknown code");
    for (const Buffer* b : outs) {
        check(b->terminated(), "identity buffer unterminated");
        if (r != RC_OK) check(b->empty(), "identity buffer filled after a failure");
    }
}

// The line the worker sent, and whether a reply answers it, worked out here: from the last
// STX before the "#", the line's name and a tab, then "#", four upper-case hex digits of
// the bitwise CRC of the text between, and ETX at the end.
constexpr const char* kLine = "prncancel\t";

bool answers(const std::string& reply) {
    const std::size_t len = reply.size();
    if (len < 8 || reply[len - 1] != '\x03' || reply[len - 6] != '#') return false;
    const std::size_t stx = reply.rfind('\x02', len - 7);
    if (stx == std::string::npos) return false;
    const std::string text = reply.substr(stx + 1, len - 6 - stx - 1);
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", bitwise_crc(text));
    return reply.compare(len - 5, 4, digits) == 0 && text.size() > 9 && text.compare(0, 10, kLine) == 0;
}

void check_answers(const char* reply) {
    check(reply_answers(reply, kLine) == answers(reply), "reply_answers judged the reply otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputReader in(data, size);
    const auto [op, flags] = start_reply_input(in, OP_COUNT);
    reset_input(1 + static_cast<int>((flags >> 2) & 3u), (flags & 0x10u) ? 3 : 1);
    const std::vector<std::string> chunks = split_chunks(in.rest());

    if (op == SCOMM || op == SID || op == SDEV || op == SERIAL_LINE) {
        serial_play(serial_script(flags, chunks));
        if (com_connect(false) != RC_OK) return 0;
        if (op == SCOMM) {
            Buffer unique(13);
            check_identity(p_scomm(unique.p.get()), true, {&unique});
        } else if (op == SID) {
            Buffer name(32), version(10);
            check_identity(p_sid(name.p.get(), version.p.get()), true, {&name, &version});
        } else if (op == SDEV) {
            const int r = p_sdev();
            check(serial_code(r) || (r >= RC_STATUS_BASE && r <= RC_STATUS_BASE + 999),
                  "p_sdev gave an unknown code");
        } else if (com_send(tarv_frame(kLine)) == RC_OK) {
            // The worker's own exchange: one command line, a 4300-byte reply buffer.
            Buffer reply(4300);
            unsigned devErr = 12345;
            const int r = com_pos_receive(reply.p.get(), devErr);
            check(r == RC_OK || r == RC_DEVICE_ERROR || r == RC_NO_REPLY,
                  "com_pos_receive gave an unknown code");
            check(std::memchr(reply.p.get(), 0, 2048) != nullptr, "serial reply unterminated");
            if (r != RC_DEVICE_ERROR) check(devErr == 0, "devErr set without an error reply");
            if (r == RC_OK) check_answers(reply.p.get());
        }
        com_disconnect(false);
    } else {
        SocketPeer peer(join_chunks(chunks), end_from_bits(flags));
        if (!peer.ok()) return 0;
        if (op == TCP_SCOMM) {
            Buffer unique(13);
            check_identity(tcp_p_scomm(unique.p.get(), peer.sock()), false, {&unique});
        } else if (op == TCP_SID) {
            Buffer name(32), version(10);
            check_identity(tcp_p_sid(name.p.get(), version.p.get(), peer.sock()), false, {&name, &version});
        } else if (tcp_send(peer.sock(), tarv_frame(kLine)) == RC_OK) {
            Buffer reply(4300);
            unsigned devErr = 12345;
            const int r = tcp_pos_recive(peer.sock(), reply.p.get(), devErr, true);
            check(r == RC_OK || r == RC_DEVICE_ERROR || r == RC_NO_REPLY,
                  "tcp_pos_recive gave an unknown code");
            check(reply.terminated(), "TCP reply unterminated");
            if (r == RC_OK) check_answers(reply.p.get());
        }
    }
    check_error_record();
    return 0;
}
