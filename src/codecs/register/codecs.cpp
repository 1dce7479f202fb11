// Encoders and decoders of the cash-register's tagged fields (byte, word, long, BCD
// number, text).
#include <cstring>
#include <string>
#include <string_view>

#include "codecs/register/ks_frame.h"
#include "common/text.h"

namespace tv {

void cB(unsigned short v, unsigned char* p) {
    p[0] = KS_TAG_B;
    p[1] = static_cast<unsigned char>(v & 0xFF);
    p[2] = 0;
}

void cV(unsigned short v, unsigned char* p) {
    p[0] = KS_TAG_V;
    p[1] = static_cast<unsigned char>(v & 0xFF);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = 0;
}

unsigned short vB(unsigned char* p) { return p[1]; }

unsigned short vV(unsigned char* p) { return static_cast<unsigned short>(p[1] + 256 * p[2]); }

std::uint32_t vL(unsigned char* p) {
    return static_cast<std::uint32_t>(p[1]) | (static_cast<std::uint32_t>(p[2]) << 8) |
           (static_cast<std::uint32_t>(p[3]) << 16) | (static_cast<std::uint32_t>(p[4]) << 24);
}

std::int64_t vN(unsigned char* p) {
    // Twelve packed BCD digits; the upper half of the range is ten's complement.
    std::int64_t v = 0;
    for (int i = 1; i <= 6; ++i) v = v * 100 + 10 * (p[i] >> 4) + (p[i] & 0x0F);
    if (v > 499999999999LL) v -= 1000000000000LL;
    return v;
}

char* vS(unsigned char* p) {
    // 1999 wire bytes of Windows-1250 take at most three UTF-8 bytes each.
    constexpr std::size_t WIRE_MAX = 1999;
    thread_local char chvs[WIRE_MAX * 3 + 1];
    std::memset(chvs, 0, sizeof chvs);
    std::size_t n = 0;
    while (n < WIRE_MAX && p[1 + n] != 0) ++n;
    const std::string text = from_cp1250(std::string_view(reinterpret_cast<const char*>(p + 1), n));
    copy_to(chvs, text);
    return chvs;
}

}  // namespace tv
