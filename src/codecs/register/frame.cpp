// The cash-register frame: building the stuffed wire form, parsing a received one back
// with its checksum check, and the dumps of both for the trace pane and the debug channel.
#include <cstdio>
#include <cstring>
#include <string>

#include "codecs/printer/crc_table.h"
#include "codecs/register/ks_frame.h"
#include "codecs/register/stuffing.h"
#include "common/debug.h"
#include "common/text.h"
#include "ui/trace.h"

namespace tv {
namespace {

constexpr int HEADER = 12;  // Flags, Token, F_LEN, FLD_NUM, CMD_ID

void put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

std::uint16_t get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Room for one more field of size bytes in the field area.
bool fits(const KS_FRM& f, int size) {
    if (f.DATA_LEN + size <= KS_DATA_MAX) return true;
    debugf("Pole ramki pominiete: %d + %d bajtow przekracza %d\n", f.DATA_LEN, size, KS_DATA_MAX);
    return false;
}

// The frame's body ahead of its checksum, unstuffed: the header values, then the field
// area. Returns its length.
unsigned short put_body(const KS_FRM& f, unsigned char* body) {
    put16(body, f.Flags);
    put16(body + 2, static_cast<std::uint16_t>(f.Token & 0xFFFF));
    put16(body + 4, static_cast<std::uint16_t>(f.Token >> 16));
    put16(body + 6, f.F_LEN);
    put16(body + 8, f.FLD_NUM);
    put16(body + 10, f.CMD_ID);
    const int len = f.DATA_LEN < KS_DATA_SIZE ? f.DATA_LEN : KS_DATA_SIZE;
    std::memcpy(body + HEADER, f.DATA, static_cast<std::size_t>(len));
    return static_cast<unsigned short>(HEADER + len);
}

}  // namespace

unsigned short ks_crc16(unsigned char* data, unsigned short len) {
    // Straight over the caller's bytes: no scratch copy, so any length is safe to ask for.
    return crc::xmodem(data, len);
}

void pr_frame(unsigned char* p, unsigned short n) {
    if (!debug_on()) return;
    debug_frame("Ramka", p, n);
}

std::uint16_t ks_body_crc(const KS_FRM& f) {
    unsigned char body[HEADER + KS_DATA_SIZE];
    return ks_crc16(body, put_body(f, body));
}

namespace {

// What the wire bytes hold between the start pair and the end pair, unstuffed.
struct Body {
    unsigned char bytes[KS_FRAME_SIZE];  // each byte consumes at least one wire byte
    int n = 0;
    bool started = false;  // a start pair was read
    bool ended = false;    // the end pair closed the body
};

// A received frame read the one way stuffed bytes are read, keeping the frame's bytes.
void unstuff(const unsigned char* frame, Body& body) {
    std::memset(body.bytes, 0, sizeof body.bytes);
    KsStuffing reading;
    for (int i = 0; i < KS_FRAME_SIZE; ++i) {
        switch (reading.feed(frame[i])) {
            case KsStuffing::Step::Start:
                body.started = true;
                break;
            case KsStuffing::Step::Escaped:
                // A stray start pair inside the body is dropped without restarting.
                if (frame[i] != KS_STX) body.bytes[body.n++] = frame[i];
                break;
            case KsStuffing::Step::Plain:
                body.bytes[body.n++] = frame[i];
                break;
            case KsStuffing::Step::End:
                body.ended = true;
                return;
            case KsStuffing::Step::Dropped:
            case KsStuffing::Step::Escape:
                break;
        }
    }
}

}  // namespace

bool ks_frame_started(const KS_FRM& f) {
    Body body;
    unstuff(f.FRAME, body);
    return body.started;
}

KsWire ks_wire_state(const KS_FRM& f) {
    Body body;
    unstuff(f.FRAME, body);
    if (!body.started) return KsWire::None;
    if (!body.ended) return KsWire::Cut;
    if (body.n < 14) return KsWire::Corrupted;
    const unsigned crc = static_cast<unsigned>(body.bytes[body.n - 2] + 256 * body.bytes[body.n - 1]);
    return ks_crc16(body.bytes, static_cast<unsigned short>(body.n - 2)) == crc ? KsWire::Whole
                                                                                : KsWire::Corrupted;
}

namespace {
// The decoded half of a frame back to zero: header values and field area.
void clear_values(KS_FRM& f) {
    f.Flags = 0;
    f.Token = 0;
    f.F_LEN = 0;
    f.FLD_NUM = 0;
    f.CMD_ID = 0;
    f.CRC = 0;
    f.DATA_LEN = 0;
    std::memset(f.DATA, 0, sizeof f.DATA);
}
}  // namespace

void KS_FRM::clear() {
    clear_values(*this);
    std::memset(FRAME, 0, sizeof FRAME);
    std::memset(FRAME_CH, 0, sizeof FRAME_CH);
}

void KS_FRM::putB(unsigned char v) {
    if (!fits(*this, 2)) return;
    DATA[DATA_LEN] = KS_TAG_B;
    DATA[DATA_LEN + 1] = v;
    DATA_LEN += 2;
}

void KS_FRM::putV(unsigned short v) {
    if (!fits(*this, 3)) return;
    DATA[DATA_LEN] = KS_TAG_V;
    put16(DATA + DATA_LEN + 1, v);
    DATA_LEN += 3;
}

void KS_FRM::putS(const char* s) {
    const std::string wire = to_cp1250(s ? s : "");
    const int size = static_cast<int>(wire.size()) + 2;
    if (!fits(*this, size)) return;
    DATA[DATA_LEN] = KS_TAG_S;
    std::memcpy(DATA + DATA_LEN + 1, wire.data(), wire.size());
    DATA[DATA_LEN + size - 1] = 0;
    DATA_LEN = static_cast<std::uint16_t>(DATA_LEN + size);
}

void KS_FRM::make() {
    if (DATA_LEN > KS_DATA_SIZE) DATA_LEN = KS_DATA_SIZE;
    F_LEN = static_cast<std::uint16_t>(DATA_LEN + 16);
    std::memset(FRAME, 0, sizeof FRAME);

    unsigned char body[KS_FRAME_SIZE];
    std::memset(body, 0, sizeof body);
    const unsigned short n = put_body(*this, body);
    CRC = ks_crc16(body, n);
    put16(body + n, CRC);

    int w = 0;
    FRAME[w++] = KS_DLE;
    FRAME[w++] = KS_STX;
    const int body_len = HEADER + DATA_LEN + 2;
    for (int i = 0; i < body_len; ++i) {
        const int need = body[i] == KS_DLE ? 2 : 1;
        if (w + need + 2 > KS_FRAME_SIZE) {
            // Only a field area full of 0x10 bytes gets here; the register rejects the
            // cut frame by its checksum, which beats writing past the buffer.
            debugf("Ramka ucieta: nie miesci sie w %d bajtach\n", KS_FRAME_SIZE);
            break;
        }
        FRAME[w++] = body[i];
        if (body[i] == KS_DLE) FRAME[w++] = KS_DLE;
    }
    FRAME[w++] = KS_DLE;
    FRAME[w++] = KS_ETX;
    F_LEN = static_cast<std::uint16_t>(w);
}

void KS_FRM::filter() {
    clear_values(*this);

    Body wire;
    unstuff(FRAME, wire);
    unsigned char* body = wire.bytes;
    const int n = wire.n;

    Flags = get16(body);
    Token = static_cast<std::uint32_t>(get16(body + 2)) | (static_cast<std::uint32_t>(get16(body + 4)) << 16);
    F_LEN = get16(body + 6);
    FLD_NUM = get16(body + 8);
    CMD_ID = get16(body + 10);
    CRC = n >= 2 ? static_cast<std::uint16_t>(body[n - 2] + 256 * body[n - 1]) : 0;

    int len = n >= 14 ? n - 14 : 0;
    if (len > KS_DATA_SIZE) len = KS_DATA_SIZE;
    DATA_LEN = static_cast<std::uint16_t>(len);
    std::memcpy(DATA, body + HEADER, static_cast<std::size_t>(len));

    const std::uint16_t expected = n >= 14 ? ks_crc16(body, static_cast<unsigned short>(n - 2)) : 0;
    if (CRC != expected) {
        static const char warning[] = "\n\nUWAGA - BLEDNA SUMA KONTROLNA W RAMCE ! ! ! \n\n";
        debug_write(warning);
        s(warning, 0);
    }
}

void KS_FRM::u2ch() { std::memcpy(FRAME_CH, FRAME, sizeof FRAME_CH); }

void KS_FRM::ch2u() { std::memcpy(FRAME, FRAME_CH, sizeof FRAME); }

void KS_FRM::print() {
    const int end = ks_end_pair(FRAME, 0, KS_FRAME_SIZE);
    pr_frame(FRAME, static_cast<unsigned short>(end < 0 ? 1 : end + 1));

    char text[KS_PRINT_MAX + 1];
    std::memset(text, 0, sizeof text);
    char num[48];
    auto add = [&](std::string_view t) { append_to(text, t); };
    auto add_crc = [&] {
        std::snprintf(num, sizeof num, "\r\nCRC : %u : %x\r\n\r\n", CRC, CRC);
        add(num);
    };

    add("\r\nPRINT - ");
    add(hex_bytes(FRAME, F_LEN < KS_FRAME_SIZE ? F_LEN : KS_FRAME_SIZE));
    std::snprintf(num, sizeof num, "Flags : %u", Flags);
    add(num);
    std::snprintf(num, sizeof num, "\r\nToken : %u", static_cast<unsigned>(Token));
    add(num);
    std::snprintf(num, sizeof num, "\r\nF_LEN : %u", F_LEN);
    add(num);
    std::snprintf(num, sizeof num, "\r\nFLD_NUM : %u", FLD_NUM);
    add(num);
    std::snprintf(num, sizeof num, "\r\nCMD_ID : %u", CMD_ID);
    add(num);
    std::snprintf(num, sizeof num, "\r\nDATA_LEN : %u", DATA_LEN);
    add(num);
    add_crc();
    add("\r\nDATA : ");
    add(hex_bytes(DATA, DATA_LEN < KS_DATA_SIZE ? DATA_LEN : KS_DATA_SIZE));
    std::snprintf(num, sizeof num, "\r\nDATA_LEN : %u", DATA_LEN);
    add(num);
    add_crc();
    s(text, 0);
}

}  // namespace tv
