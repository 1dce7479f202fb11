// Fuzz target: a cash register's reply, any bytes in any bursts, through the stuffed-frame
// receive state machine (serial com_breceive, TCP tcp_recive_bin, and StuffedReceiver on
// its own), KS_FRM::filter, and the field decoders of the status, catalogue and
// configuration commands, run as the commands themselves.
//
// Input: byte 0 picks the command, byte 1 the circumstances (bit 0: Ethernet selected;
// bits 1-2: serial write failures, or how the TCP device ends; bits 3-4: polls per
// time-out unit - 1); byte 2 is the number the command asks for; the rest is the reply in
// chunks (support/fuzz_env.h).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "codecs/printer/Fpos.h"
#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "link/stuffed_receiver.h"
#include "support/fuzz_env.h"
#include "support/serial_script.h"
#include "support/socket_peer.h"
#include "ui/Controls.h"

using namespace tv;
using namespace tv::fuzz;

namespace {

enum Op {
    SLOT_CLEAR,  // a graphic command: the common exchange and its error scan
    STATUS,      // the status read with the model table
    PLU_READ,
    PAYFORM_READ,
    STATUS_UNIQUE,  // the status read that takes the unique number
    PLU_STAT,
    PAYFORM_STAT,
    VAT_GET,
    CASHOUT_DESC,
    CONTEXT_INIT,
    CONFIG_SET,  // a serial-only configuration write
    RECEIVER,    // the state machine, filter and decoders without a link
    OP_COUNT
};

// An N field of twelve proper BCD digits is a ten's complement number: 0..499999999999
// as they are, 500000000000..999999999999 as that minus 10^12. Other nibbles only must not
// upset the decoder.
void check_bcd(unsigned char* field) {
    std::int64_t digits = 0;
    for (int i = 1; i <= 6; ++i) {
        const int hi = field[i] >> 4, lo = field[i] & 0x0F;
        if (hi > 9 || lo > 9) {
            (void)vN(field);
            return;
        }
        digits = digits * 100 + hi * 10 + lo;
    }
    const std::int64_t want = digits < 500000000000LL ? digits : digits - 1000000000000LL;
    check(vN(field) == want, "BCD value decoded wrongly");
}

// The stuffed receiver fed byte by byte, then the frame parsed and every field decoded
// where its bytes lie inside the field area.
void receiver_alone(const std::string& bytes) {
    auto wire = std::make_unique<unsigned char[]>(KS_FRAME_SIZE);
    std::memset(wire.get(), 0xEE, KS_FRAME_SIZE);
    StuffedReceiver rx(wire.get());
    int stored = 0;
    for (unsigned char b : bytes) {
        const int at = rx.index();
        const auto step = rx.feed(b);
        if (step != StuffedReceiver::Step::Dropped) {
            check(at >= StuffedReceiver::kFirstIndex && at <= StuffedReceiver::kLastIndex,
                  "receiver stored outside its frame");
            check(wire[at] == b, "receiver stored another byte");
            ++stored;
        }
        if (rx.done()) {
            check(wire[0] == static_cast<unsigned char>(rx.index() & 0xFF), "count byte wrong");
            break;
        }
    }
    check(rx.done() || wire[0] == 0, "count byte set without an end pair");

    KS_FRM f;
    f.clear();
    std::memcpy(f.FRAME, wire.get(), KS_FRAME_SIZE);
    f.filter();
    check(f.DATA_LEN <= KS_DATA_SIZE, "DATA_LEN past the field area");
    f.print();

    // Each decoder reads a field from its tag on; it gets a copy that ends where the
    // field area ends, padded with zeros as a received frame is.
    unsigned char field[2001];
    for (int p = 0; p < f.DATA_LEN; ++p) {
        std::memset(field, 0, sizeof field);
        const int n = f.DATA_LEN - p < static_cast<int>(sizeof field) - 1
                          ? f.DATA_LEN - p
                          : static_cast<int>(sizeof field) - 1;
        std::memcpy(field, f.DATA + p, static_cast<std::size_t>(n));
        switch (f.DATA[p]) {
            case KS_TAG_B:
                (void)vB(field);
                break;
            case KS_TAG_V:
                (void)vV(field);
                break;
            case KS_TAG_L:
                (void)vL(field);
                break;
            case KS_TAG_N:
                check_bcd(field);
                break;
            case KS_TAG_S: {
                const char* t = vS(field);
                check(std::strlen(t) <= 1999 * 3, "S text too long");
                break;
            }
            default:
                break;
        }
    }
    // The fields in whatever order they come, as a command's reader takes them.
    FieldReader r(f);
    for (int p = 0; p < f.DATA_LEN && r.skip(f.DATA[p]); ++p) {
    }
    (void)ks_error_code(f);
}

bool unterminated(const char* p, std::size_t n) { return std::memchr(p, 0, n) == nullptr; }

// A catalogue read into a table of eight records (read: KS_PLUREAD or KS_PAYFORMREAD): a
// known code, every record's texts terminated, and each record dumped.
template <class Rec>
void check_table_read(int (*read)(unsigned, Rec*, unsigned), unsigned arg, const char* what) {
    auto table = std::make_unique<Rec[]>(8);
    for (int i = 0; i < 8; ++i) table[i].clear();
    const int r = read(arg, table.get(), 8);
    if (r != RC_OK && r != RC_READ_REFUSED) fail((std::string(what) + " read gave an unknown code").c_str());
    for (int i = 0; i < 8; ++i) {
        if (unterminated(table[i].text1, sizeof table[i].text1) ||
            unterminated(table[i].text2, sizeof table[i].text2))
            fail((std::string(what) + " text unterminated").c_str());
        table[i].print();
    }
}

void run_command(int op, unsigned arg, unsigned int& sock) {
    switch (op) {
        case SLOT_CLEAR: {
            const int r = KS_IMGSLOTCLEAR(sock, static_cast<unsigned char>(arg % 7));
            check(r == RC_OK || r == RC_DEVICE_ERROR, "graphic command gave an unknown code");
            break;
        }
        case STATUS: {
            auto name = std::make_unique<char[]>(20);
            auto version = std::make_unique<char[]>(5);
            std::memset(name.get(), 0, 20);
            std::memset(version.get(), 0, 5);
            const int r = KS_CASHREGSTATUSGET(sock, name.get(), version.get());
            check(r == RC_OK || r == RC_DEVICE_ERROR, "status command gave an unknown code");
            check(!unterminated(name.get(), 20) && !unterminated(version.get(), 5),
                  "model name or version unterminated");
            if (r == RC_OK) check(name[0] != 0, "status accepted without a model name");
            break;
        }
        case PLU_READ:
            check_table_read<KS_PLU>(KS_PLUREAD, arg, "PLU");
            break;
        case PAYFORM_READ:
            check_table_read<KS_PAYFORM>(KS_PAYFORMREAD, arg, "payment-form");
            break;
        case STATUS_UNIQUE:
            KS_CASHREGSTATUSGET();
            check(!unterminated(uni, sizeof uni), "unique number unterminated");
            check(std::strchr(uni, ' ') == nullptr, "unique number keeps a space");
            break;
        case PLU_STAT: {
            KS_PLUBSTS rec;
            rec.clear();
            std::snprintf(rec.barcode, sizeof rec.barcode, "59%u", arg);
            KS_PLUSTATREADBYBARCODE(rec, false);
            rec.print();
            break;
        }
        case PAYFORM_STAT: {
            KS_PAYFORM rec;
            rec.clear();
            rec.number = static_cast<std::uint16_t>(arg);
            KS_PAYFORMSTATREAD(rec, false);
            break;
        }
        case VAT_GET:
            KS_VATGET(sock);
            break;
        case CASHOUT_DESC:
            KS_CASHOUTDESCINS(sock);
            break;
        case CONTEXT_INIT:
            if (arg & 1)
                KS_CNTXPAYFORMINIT();
            else
                KS_CNTXPLUINIT();
            break;
        case CONFIG_SET: {
            const int r = KS_CUSTOMERTINLIMITSET();
            check(r == RC_OK || r == RC_DEVICE_ERROR, "configuration write gave an unknown code");
            break;
        }
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputReader in(data, size);
    const auto [op, flags] = start_reply_input(in, OP_COUNT);
    const unsigned arg = in.byte();
    reset_input(1 + static_cast<int>((flags >> 3) & 3u), 10);
    const std::vector<std::string> chunks = split_chunks(in.rest());

    if (op == RECEIVER) {
        receiver_alone(join_chunks(chunks));
        return 0;
    }
    // The catalogue reads open a serial port of their own, whatever the selector shows.
    const bool own_port = op == PLU_READ || op == PAYFORM_READ || op == STATUS_UNIQUE || op == PLU_STAT ||
                          op == PAYFORM_STAT || op == CONTEXT_INIT;
    const bool ethernet = (flags & 1u) != 0 && !own_port;
    set_sel(gComb_Interface, ethernet ? 1 : 0);

    if (!ethernet) {
        SerialScript s;
        s.chunks = chunks;
        const unsigned faults = (flags >> 1) & 3u;
        s.failing_writes = faults == 0 ? 0 : faults == 1 ? 1 : -1;
        s.open_fails = faults == 3;
        serial_play(std::move(s));
        unsigned int no_socket = 0;
        if (own_port) {
            run_command(op, arg, no_socket);
        } else if (com_connect(false) == RC_OK) {
            run_command(op, arg, no_socket);
            com_disconnect(false);
        }
    } else {
        SocketPeer peer(join_chunks(chunks), end_from_bits(flags >> 1));
        if (!peer.ok()) return 0;
        run_command(op, arg, peer.sock());
    }
    check(std::memchr(ERR_MNEMONIK, 0, sizeof ERR_MNEMONIK) && std::memchr(ERR_OPIS, 0, sizeof ERR_OPIS),
          "device-error record unterminated");
    return 0;
}
