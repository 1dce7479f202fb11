// Fuzz target: the two frames both ways. A cash-register frame built by make() gives the
// exact wire bytes worked out here independently (stuffing, little-endian header, bitwise
// CRC-16/XMODEM), and filter() of those bytes, behind any count byte, gives back the
// frame's values; fields put with putB/putV/putS read back the same. A printer frame from
// tarv_frame carries the escape-converted payload and the checksum of an independent
// bitwise CRC.
//
// Input: byte 0 picks the mode (0 raw header and field area, 1 fields, 2 printer frame,
// 3 checksums only); the rest is the mode's material.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codecs/printer/Fpos.h"
#include "codecs/printer/crc_table.h"
#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "common/text.h"
#include "support/fuzz_env.h"
#include "ui/Controls.h"
#include "ui/trace.h"

using namespace tv;
using namespace tv::fuzz;

namespace {

void put_le(std::string& s, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Values {
    std::uint16_t flags, fld_num, cmd_id;
    std::uint32_t token;
    std::string data;
};

// The body: little-endian header (F_LEN = field bytes + 16), the fields, no CRC yet.
std::string body_of(const Values& v) {
    std::string body;
    put_le(body, v.flags, 2);
    put_le(body, v.token, 4);
    put_le(body, static_cast<std::uint32_t>(v.data.size() + 16), 2);
    put_le(body, v.fld_num, 2);
    put_le(body, v.cmd_id, 2);
    return body + v.data;
}

// The wire form: DLE STX, the body and its CRC (low byte first) with every 0x10 doubled,
// DLE ETX.
std::string wire_of(const Values& v) {
    std::string body = body_of(v);
    put_le(body, bitwise_crc(body), 2);
    std::string wire = "\x10\x02";
    for (char c : body) {
        wire += c;
        if (c == '\x10') wire += c;
    }
    wire += "\x10\x03";
    return wire;
}

bool trace_warned() { return text(gEdit_Info).find("BLEDNA SUMA") != std::string::npos; }

// make(), the bytes compared with the independent wire form, then filter() behind the
// given lead bytes gives the values back.
void frame_round_trip(const Values& v, const std::string& lead, KS_FRM& f) {
    f.Flags = v.flags;
    f.Token = v.token;
    f.FLD_NUM = v.fld_num;
    f.CMD_ID = v.cmd_id;
    f.make();
    const std::string want = wire_of(v);
    check(f.F_LEN <= KS_FRAME_SIZE, "make() counted past the frame buffer");
    if (want.size() > KS_FRAME_SIZE) return;  // cut by make(): it says so and sends less
    check(f.F_LEN == want.size(), "make() gave another length");
    check(std::memcmp(f.FRAME, want.data(), want.size()) == 0, "make() gave other wire bytes");
    check(f.CRC == bitwise_crc(body_of(v)), "make() gave another CRC");

    auto back = std::make_unique<KS_FRM>();
    back->clear();
    const std::string received = lead + want;
    if (received.size() > KS_FRAME_SIZE) return;
    std::memcpy(back->FRAME, received.data(), received.size());
    trace_replace("");
    back->filter();
    check(!trace_warned(), "filter() warned about its own frame");
    check(back->Flags == v.flags && back->Token == v.token && back->FLD_NUM == v.fld_num &&
              back->CMD_ID == v.cmd_id,
          "filter() gave other header values");
    check(back->F_LEN == v.data.size() + 16, "filter() gave another F_LEN");
    check(back->DATA_LEN == v.data.size() && std::memcmp(back->DATA, v.data.data(), v.data.size()) == 0,
          "filter() gave another field area");
    check(back->CRC == f.CRC, "filter() gave another CRC");
}

// Bytes in front of a frame that a receiver leaves there: its count byte (any value,
// 0x10 and 0x02 included), possibly one more.
std::string lead_bytes(InputReader& in) {
    const unsigned n = in.byte() % 3;
    std::string lead;
    for (unsigned i = 0; i < n; ++i) lead += static_cast<char>(in.byte());
    return lead;
}

void raw_mode(InputReader& in) {
    Values v;
    v.flags = in.u16();
    v.token = in.u32();
    v.fld_num = in.u16();
    v.cmd_id = in.u16();
    const std::string lead = lead_bytes(in);
    v.data = in.rest();
    if (v.data.size() > KS_DATA_SIZE) v.data.resize(KS_DATA_SIZE);
    auto f = std::make_unique<KS_FRM>();
    f->clear();
    std::memcpy(f->DATA, v.data.data(), v.data.size());
    f->DATA_LEN = static_cast<std::uint16_t>(v.data.size());
    frame_round_trip(v, lead, *f);
}

struct Field {
    unsigned char tag;
    std::uint16_t value;
    std::string text;
};

void fields_mode(InputReader& in) {
    auto f = std::make_unique<KS_FRM>();
    f->clear();
    std::vector<Field> put;
    std::size_t used = 0;
    while (in.left() > 0) {
        Field x{};
        switch (in.byte() % 3) {
            case 0:
                x.tag = KS_TAG_B;
                x.value = in.byte();
                f->putB(static_cast<unsigned char>(x.value));
                break;
            case 1:
                x.tag = KS_TAG_V;
                x.value = in.u16();
                f->putV(x.value);
                break;
            default: {
                x.tag = KS_TAG_S;
                const unsigned n = in.byte() % 64;
                for (unsigned i = 0; i < n; ++i) x.text += static_cast<char>(0x20 + in.byte() % 0x5F);
                f->putS(x.text.c_str());
                break;
            }
        }
        const std::size_t size = x.tag == KS_TAG_B ? 2 : x.tag == KS_TAG_V ? 3 : x.text.size() + 2;
        if (used + size <= KS_DATA_MAX) {  // a field past the limit is dropped
            used += size;
            put.push_back(x);
        }
    }
    check(f->DATA_LEN == used, "the put operations filled another length");
    f->FLD_NUM = static_cast<std::uint16_t>(put.size());
    f->CMD_ID = 4601;
    Values v{0, f->FLD_NUM, 4601, 0, std::string(reinterpret_cast<const char*>(f->DATA), f->DATA_LEN)};
    frame_round_trip(v, "", *f);

    auto back = std::make_unique<KS_FRM>();
    back->clear();
    std::memcpy(back->FRAME, f->FRAME, sizeof back->FRAME);
    back->filter();
    FieldReader r(*back);
    for (const Field& x : put) {
        std::uint16_t w = 0;
        std::string t;
        if (x.tag == KS_TAG_B)
            check(r.B(w) && w == x.value, "B field read back differs");
        else if (x.tag == KS_TAG_V)
            check(r.V(w) && w == x.value, "V field read back differs");
        else
            check(r.S(t) && t == x.text, "S field read back differs");
    }
    std::uint16_t w = 0;
    check(!r.B(w) && !r.V(w), "a field read back beyond the ones put");
}

// The payload a printer frame must carry: the command in Windows-1250, each backslash-L-F
// turned into one line feed, cut after 4289 bytes.
std::string printer_payload(const std::string& command) {
    const std::string wire = to_cp1250(command);
    std::string out;
    for (std::size_t i = 0; i < wire.size() && out.size() < 4289;) {
        if (wire.compare(i, 3, "\\LF") == 0) {
            out += '\n';
            i += 3;
        } else {
            out += wire[i++];
        }
    }
    return out;
}

void printer_mode(InputReader& in) {
    std::string command = in.rest();
    command = command.substr(0, command.find('\0'));
    const char* frame = tarv_frame(command.c_str());
    const std::string payload = printer_payload(command);
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", bitwise_crc(payload));
    const std::string want = "\x02" + payload + "#" + digits + "\x03";
    check(std::memchr(frame, 0, FINISH_FRAME_SIZE) != nullptr, "Finish_Frame unterminated");
    check(std::string(frame) == want, "tarv_frame gave another frame");
    char out[5];
    crc16(payload.c_str(), out);
    check(std::string(out, 4) == digits && out[4] == 0, "crc16 differs from the bitwise CRC");
}

void checksum_mode(InputReader& in) {
    std::string bytes = in.rest();
    if (bytes.size() > 4096) bytes.resize(4096);
    std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    const std::uint16_t want = bitwise_crc(bytes);
    check(ks_crc16(copy.data(), static_cast<unsigned short>(copy.size())) == want,
          "ks_crc16 differs from the bitwise CRC");
    check(crc::xmodem(copy.data(), copy.size()) == want, "table CRC differs from the bitwise CRC");
    char out[5];
    hex_ch(want, out);
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", want);
    check(std::strcmp(out, digits) == 0, "hex_ch gave other digits");
    for (unsigned char b : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        check(std::strcmp(hexch2(b), two) == 0, "hexch2 gave other digits");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setup_once();
    reset_input(1, 0);
    InputReader in(data, size);
    switch (in.byte() % 4) {
        case 0:
            raw_mode(in);
            break;
        case 1:
            fields_mode(in);
            break;
        case 2:
            printer_mode(in);
            break;
        default:
            checksum_mode(in);
            break;
    }
    return 0;
}
