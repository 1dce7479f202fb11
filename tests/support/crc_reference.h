// CRC-16/XMODEM worked out bit by bit, independent of the product's table: the reference
// the frame tests of both protocols check their checksums against.
#pragma once
#include <cstddef>
#include <string>

namespace tv::test {

inline unsigned bitwise_crc(const unsigned char* p, std::size_t n) {
    unsigned crc = 0;
    for (std::size_t k = 0; k < n; ++k) {
        crc ^= static_cast<unsigned>(p[k]) << 8;
        for (int i = 0; i < 8; ++i) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
        crc &= 0xFFFF;
    }
    return crc;
}

inline unsigned bitwise_crc(const std::string& data) {
    return bitwise_crc(reinterpret_cast<const unsigned char*>(data.data()), data.size());
}

}  // namespace tv::test
