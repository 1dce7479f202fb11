// Hexadecimal digit helpers.
#include "common/hex.h"

namespace tv {

char* hexch2(unsigned char b) {
    thread_local char hx2[3];
    static const char digits[] = "0123456789abcdef";
    hx2[0] = digits[b >> 4];
    hx2[1] = digits[b & 0x0F];
    hx2[2] = 0;
    return hx2;
}

std::string hex_bytes(const unsigned char* p, std::size_t n) {
    std::string line;
    line.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i) {
        line += hexch2(p[i]);
        line += ' ';
    }
    return line;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace tv
