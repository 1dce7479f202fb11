// The cash-register binary protocol's data: the DLE-framed request/reply frame, its tagged
// field codecs, the error catalogue and the records of the catalogue reads.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/codes.h"
#include "common/hex.h"

namespace tv {

// Sizes of the frame's buffers and the largest field area a request may carry (header
// plus fields within 1024 bytes).
constexpr int KS_FRAME_SIZE = 2048;
constexpr int KS_DATA_SIZE = 2030;
constexpr int KS_DATA_MAX = 1012;
constexpr int KS_PRINT_MAX = 4095;  // characters of one print() dump

// Field tags.
constexpr unsigned char KS_TAG_B = 0x42;
constexpr unsigned char KS_TAG_V = 0x56;
constexpr unsigned char KS_TAG_S = 0x53;
constexpr unsigned char KS_TAG_N = 0x4E;
constexpr unsigned char KS_TAG_L = 0x4C;  // 32-bit field; no command writes or checks it

// The error number tells of a failed line (KS_NO_REPLY, KS_REPLY_CRC, KS_REPLY_OTHER in
// common/codes.h) rather than of a refusal: nothing more should go out on it, since a late
// or lost reply would be taken for the answer to the next command.
constexpr bool ks_line_fault(int code) {
    return code == KS_NO_REPLY || code == KS_REPLY_CRC || code == KS_REPLY_OTHER || code == KS_SEND_FAILED;
}

// One frame, in decoded form (header values and field area) and in wire form. Plain
// data: call clear() before anything else.
struct KS_FRM {
    unsigned char FRAME[KS_FRAME_SIZE];  // wire form, start pair to end pair
    char FRAME_CH[KS_FRAME_SIZE];        // plain-char copy for the links
    unsigned char DATA[KS_DATA_SIZE];    // the tagged fields, unstuffed
    std::uint16_t DATA_LEN;
    std::uint16_t Flags;
    std::uint32_t Token;
    std::uint16_t F_LEN;  // after make(): wire bytes to send; after filter(): header value
    std::uint16_t FLD_NUM;
    std::uint16_t CMD_ID;  // 0 in a reply marks an error reply
    std::uint16_t CRC;

    void clear();
    // Field appends. A field that would take the field area past KS_DATA_MAX bytes is
    // dropped with a line on the debug channel.
    void putB(unsigned char v);
    void putV(unsigned short v);
    void putS(const char* s);  // UTF-8 text, sent as Windows-1250
    void make();
    void filter();
    void u2ch();
    void ch2u();
    void print();
};

// CRC-16/XMODEM of the first len bytes (sent low byte first on the wire).
unsigned short ks_crc16(unsigned char* data, unsigned short len);
// The checksum a frame with f's header values and field area carries.
std::uint16_t ks_body_crc(const KS_FRM& f);
// Dumps n bytes to the debug channel as one line of hex digits.
void pr_frame(unsigned char* p, unsigned short n);
// The frame buffer holds a start pair (something was received).
bool ks_frame_started(const KS_FRM& f);
// How a received wire form stands: no start pair, a start pair without its end pair, a
// whole frame whose checksum does not match, or a whole, sound frame.
enum class KsWire { None, Cut, Corrupted, Whole };
KsWire ks_wire_state(const KS_FRM& f);

// Field encoders: the field, then one 0x00 byte that is not part of it.
void cB(unsigned short v, unsigned char* p);
void cV(unsigned short v, unsigned char* p);
// Field decoders: p points at the tag byte, which is not looked at.
unsigned short vB(unsigned char* p);
unsigned short vV(unsigned char* p);
std::uint32_t vL(unsigned char* p);
std::int64_t vN(unsigned char* p);
// The text of an S field (Windows-1250 on the wire, at most 1999 bytes of it) as UTF-8,
// in a per-thread buffer overwritten by the next call.
char* vS(unsigned char* p);

// Cash-register error catalogue: fills the device-error record for code.
void kas_error_id(int code);
std::size_t register_error_count();

// Records of the catalogue read commands. Texts are UTF-8, cut at the register's
// character limit (40, 24, 4); their buffers leave room for multi-byte letters.
struct KS_PLU {
    char text1[121];
    char text2[121];
    std::uint16_t byte_field;
    std::uint32_t number;
    std::int64_t bcd_value;
    void clear();
    void print();
};

struct KS_PLUBSTS {
    char barcode[41];
    std::int64_t bcd_value1;
    std::int64_t bcd_value2;
    std::uint16_t word1, word2, word3;
    void clear();
    void print();
};

struct KS_PAYFORM {
    std::uint16_t number;
    char text1[73];
    std::uint16_t byte_field;
    std::uint16_t word_field;
    char text2[13];
    std::int64_t bcd_value1;
    std::int64_t bcd_value2;
    std::int64_t bcd_value3;
    void clear();
    void print();
};

// VAT rate assignment (65535: not filled by the last read) and the unique number.
extern unsigned short tvat[7];
extern char uni[13];

}  // namespace tv
