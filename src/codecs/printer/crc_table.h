// The CRC-16/XMODEM table (polynomial 0x1021, MSB first), built at compile time and split
// into high and low bytes. Both device families' checksums use it.
#pragma once
#include <array>
#include <cstdint>

namespace tv::crc {

struct Tables {
    std::array<std::uint8_t, 256> high{};
    std::array<std::uint8_t, 256> low{};
};

constexpr Tables make_tables() {
    Tables t;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = i << 8;
        for (int bit = 0; bit < 8; ++bit) v = (v & 0x8000) ? ((v << 1) ^ 0x1021) : (v << 1);
        v &= 0xFFFF;
        t.high[i] = static_cast<std::uint8_t>(v >> 8);
        t.low[i] = static_cast<std::uint8_t>(v & 0xFF);
    }
    return t;
}

inline constexpr Tables kTables = make_tables();
static_assert(kTables.high[1] == 0x10 && kTables.low[1] == 0x21);
static_assert(kTables.high[255] == 0x1E && kTables.low[255] == 0xF0);

// Table-driven CRC over n bytes, one lookup pair per byte.
constexpr std::uint16_t xmodem(const unsigned char* data, std::size_t n) {
    std::uint8_t hi = 0, lo = 0;
    for (std::size_t k = 0; k < n; ++k) {
        std::uint8_t i = static_cast<std::uint8_t>(data[k] ^ hi);
        hi = static_cast<std::uint8_t>(kTables.high[i] ^ lo);
        lo = kTables.low[i];
    }
    return static_cast<std::uint16_t>(hi * 256 + lo);
}

}  // namespace tv::crc
