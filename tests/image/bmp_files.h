// Test pictures: a small BMP writer for pictures of any size, the shipped pictures made by
// other writers, and the payload a picture must give, worked out pixel by pixel.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tv::test {

using Dark = std::function<bool(int x, int y)>;  // y = 0 is the top row

// The pattern the shipped pictures were drawn with (tests/data/make_pictures.sh).
inline bool shipped_pattern(int x, int y) { return (x + 2 * y) % 7 == 0 || x < 3; }

inline std::string shipped(const std::string& name) {
    return std::string(TV_SOURCE_DIR) + "/tests/data/" + name;
}

inline void put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

// The 54-byte file and information header.
inline std::string bmp_header(std::uint32_t offset, std::uint32_t W, std::uint32_t H, std::uint16_t bits,
                              std::uint32_t file_size) {
    std::string b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, file_size);
    put32(b, 10, offset);
    put32(b, 14, 40);
    put32(b, 18, W);
    put32(b, 22, H);
    put16(b, 26, 1);
    put16(b, 28, bits);
    return b;
}

// A one-bit picture, bottom row first, padding bits 0. colour0_white chooses the table
// order (white, black) instead of (black, white).
inline std::string bmp_1bit(int W, int H, const Dark& dark, bool colour0_white = false) {
    const int stride = ((W + 31) / 32) * 4;
    const std::uint32_t offset = 62;
    std::string b = bmp_header(offset, static_cast<std::uint32_t>(W), static_cast<std::uint32_t>(H), 1,
                               offset + static_cast<std::uint32_t>(stride * H));
    const std::string black("\0\0\0\0", 4), white("\xFF\xFF\xFF\0", 4);
    b += colour0_white ? white + black : black + white;
    for (int fy = 0; fy < H; ++fy) {
        const int y = H - 1 - fy;
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < W; ++x) {
            // Index 0 is colour 0: dark when colour 0 is black.
            const bool index1 = dark(x, y) == colour0_white;
            if (index1) row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        }
        b += row;
    }
    return b;
}

// A 24-bit picture, all white.
inline std::string bmp_24bit(int W, int H) {
    const int stride = ((W * 3 + 3) / 4) * 4;
    std::string b = bmp_header(54, static_cast<std::uint32_t>(W), static_cast<std::uint32_t>(H), 24,
                               54 + static_cast<std::uint32_t>(stride * H));
    b.append(static_cast<std::size_t>(stride * H), '\xFF');
    return b;
}

// The payload text a picture must give: per row from the top, P bytes of which a set bit
// is a dark pixel; bits beyond the width are pad_bit.
inline std::string expected_payload(int W, int H, const Dark& dark, bool pad_bit) {
    const int P = W == 0 ? 1 : (W - 1) / 8 + 1;
    std::string out;
    char buf[3];
    for (int y = 0; y < H; ++y)
        for (int b = 0; b < P; ++b) {
            unsigned v = 0;
            for (int i = 0; i < 8; ++i) {
                const int x = b * 8 + i;
                const bool bit = x < W ? dark(x, y) : pad_bit;
                v = (v << 1) | (bit ? 1u : 0u);
            }
            std::snprintf(buf, sizeof buf, "%02x", v);
            out += buf;
        }
    return out;
}

inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start));  // unterminated tail (a fault)
            break;
        }
        lines.push_back(text.substr(start, nl - start + 1));
        start = nl + 1;
    }
    return lines;
}

}  // namespace tv::test
