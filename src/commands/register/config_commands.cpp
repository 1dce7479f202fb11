// Configuration writes over the serial link, the payment-out description write with its
// raw reply trace, and the VAT rate assignment read.
#include <cstdio>

#include "codecs/register/ks_fields.h"
#include "codecs/register/stuffing.h"
#include "commands/register/prt_ks.h"
#include "link/link.h"
#include "ui/trace.h"

namespace tv {
namespace {

// One traced line per byte: signed decimal, " : ", two hex digits.
void trace_byte(unsigned char b) {
    char line[32];
    std::snprintf(line, sizeof line, "%d : %s\r\n", static_cast<int>(static_cast<signed char>(b)), hexch2(b));
    s(line, 0);
}

void trace_v_values(const KS_FRM& reply) { s(ks_errors_text(ks_v_values(reply), "\r\n"), 0); }

// A success reply to another command: nothing of it is taken.
void other_reply() { s(std::string("\r\nREPLY ERROR : ") + i_to_str(KS_REPLY_OTHER) + "\r\n", 0); }

// Bytes of a frame buffer from index 1 (behind the receiver's count byte) through the
// end pair, or through the last non-zero byte when no end pair arrived.
unsigned char* wire(char* frame) { return reinterpret_cast<unsigned char*>(frame); }

int received_length(char* frame) {
    const int end = ks_end_pair(wire(frame), 1, KS_FRAME_SIZE);
    if (end >= 0) return end;
    int last = 0;
    for (int i = 1; i < KS_FRAME_SIZE; ++i)
        if (frame[i] != 0) last = i;
    return last;
}

int bounded_len(int n) { return n < KS_FRAME_SIZE ? n : KS_FRAME_SIZE; }

// The standard exchange, run only when the serial link is selected; otherwise nothing is
// sent and the command ends as for a register that did not answer.
template <class Fill>
int serial_only(std::uint16_t cmd, std::uint16_t fields, Fill fill) {
    KS_FRM req, rep;
    ks_start_request(req, rep, cmd, fields);
    fill(req);
    req.make();
    req.print();
    if (selected_link().serial) {
        unsigned int unused = 0;
        return ks_exchange(unused, req, rep);
    }
    s("Filter...", 0);
    rep.filter();
    rep.print();
    return ks_error_reply(rep);
}

}  // namespace

int KS_CUSTOMERTINLIMITSET() {
    return serial_only(3810, 1, [](KS_FRM& f) { f.putB(1); });
}

int KS_DISCNTSUMMARYPRINTOUTCFGSET() {
    return serial_only(352, 1, [](KS_FRM& f) { f.putB(1); });
}

int KS_HOTKEYBACKUPINS() {
    return serial_only(3426, 3, [](KS_FRM& f) {
        f.putV(1);
        f.putB(1);
        f.putB(1);
    });
}

int KS_REMINDERSET(const char* a, const char* b, unsigned char c, unsigned char d, unsigned short e,
                   unsigned char f, unsigned char g) {
    return serial_only(4621, 14, [&](KS_FRM& r) {
        r.putS(a);
        r.putS(b);
        r.putB(0);
        r.putB(c);
        r.putB(d);
        r.putV(e);
        r.putB(f);
        r.putB(g);
        r.putB(0);
        r.putB(2);
        r.putV(0);
        r.putB(2);
        r.putB(1);
        r.putS("");
    });
}

void KS_CASHOUTDESCINS(unsigned int& socket) {
    KS_FRM req, rep;
    ks_start_request(req, rep, 2660, 3);
    req.putV(12345);
    req.putS("Mój nowy opis");
    req.putB(1);
    req.make();
    req.print();

    // Over TCP the raw reply's first bytes are traced as well.
    const LinkOps& link = selected_link();
    req.u2ch();
    link.send_frame(socket, wire(req.FRAME_CH), bounded_len(req.F_LEN + 1));
    if (!link.serial) s("\r\nReceive...\n", 0);
    link.receive_frame(socket, wire(rep.FRAME_CH), false);
    if (!link.serial)
        for (int i = 0; i < 24; ++i) trace_byte(static_cast<unsigned char>(rep.FRAME_CH[i]));
    rep.ch2u();
    s("Filter...", 0);
    rep.filter();
    rep.print();
    if (rep.CMD_ID == req.CMD_ID)
        s("\r\n\r\nOK :D\r\n", 0);
    else if (rep.CMD_ID != 0)
        other_reply();
    else
        trace_v_values(rep);
}

void KS_VATGET(unsigned int& socket) {
    KS_FRM req, rep;
    ks_start_request(req, rep, 1170, 0, 1);
    req.make();

    // Over TCP both frames are traced byte by byte as well.
    const LinkOps& link = selected_link();
    const bool traced = !link.serial;
    if (traced) {
        s("Send...", 0);
        s(i_to_str(req.F_LEN), 0);
        s("\r\n", 0);
    }
    req.u2ch();
    // The link clears the buffer it sent, so the echo comes from FRAME.
    if (link.send_frame(socket, wire(req.FRAME_CH), bounded_len(req.F_LEN + 7)) != RC_OK) {
        if (traced) s("Send ERROR!\r\n", 0);
    } else if (traced) {
        for (int i = 0; i < req.F_LEN; ++i) trace_byte(req.FRAME[i]);
    }
    if (traced) s("\r\nReceive...\n", 0);
    // One whole reply frame, however long: seven VAT fields do not fit in 32 bytes.
    link.receive_frame(socket, wire(rep.FRAME_CH), false);
    if (traced) {
        const int n = received_length(rep.FRAME_CH);
        for (int i = 1; i <= n; ++i) trace_byte(static_cast<unsigned char>(rep.FRAME_CH[i]));
    }
    rep.ch2u();
    s("Filter...", 0);
    rep.filter();

    if (rep.CMD_ID == 0) {
        trace_v_values(rep);
        return;
    }
    if (rep.CMD_ID != req.CMD_ID) {
        other_reply();
        return;
    }
    for (auto& t : tvat) t = 65535;
    s("\r\n\r\nPrzyporzadkowanie stawek VAT...\r\n", 0);
    FieldReader r(rep);
    for (int i = 0; i < 7; ++i) {
        std::uint16_t v = 0;
        if (!r.V(v)) {
            s("ERROR! ???\r\n", 0);
            break;
        }
        tvat[i] = v;
        char line[48];
        std::snprintf(line, sizeof line, "vat [%d] = %u\r\n", i, static_cast<unsigned>(v));
        s(line, 0);
    }
}

}  // namespace tv
