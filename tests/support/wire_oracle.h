// The frames both protocols put on the wire, built the plain way and from nothing the tool
// or the simulator has: the checksum bit by bit, every 0x10 of a cash-register body doubled
// in one pass. Tests compare what reached a device with these, so a fault shared by the
// tool and the simulator (the checksum table, the framing, the stuffing) cannot pass.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv::test {

// CRC-16/XMODEM: polynomial 0x1021, start 0, most significant bit first, no final XOR.
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

// A printer frame: STX, the text with each backslash-L-F as one line feed, "#", the
// checksum of that payload in four upper-case hex digits, ETX. The text is wire bytes.
inline std::string printer_frame(const std::string& text) {
    std::string payload;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\\LF") == 0) {
            payload += '\n';
            i += 2;
        } else {
            payload += text[i];
        }
    }
    static const char digits[] = "0123456789ABCDEF";
    const unsigned crc = bitwise_crc(payload);
    std::string out = "\x02" + payload + "#";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(crc >> shift) & 0xF];
    return out + "\x03";
}

inline std::vector<std::string> printer_frames(const std::vector<std::string>& texts) {
    std::vector<std::string> v;
    for (const auto& t : texts) v.push_back(printer_frame(t));
    return v;
}

// Cash-register fields: tag and value, little-endian; a text field ends in one zero byte.
inline std::string B(unsigned v) { return {'B', static_cast<char>(v & 0xFF)}; }
inline std::string V(unsigned v) {
    return {'V', static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string S(const std::string& wire_text) { return "S" + wire_text + std::string(1, '\0'); }

// A cash-register frame: the 12-byte header (flags, token, fields + 16, field count,
// command), the fields, the checksum of all that low byte first; every 0x10 of this body
// sent twice, between the pairs 10 02 and 10 03.
inline std::string register_frame(unsigned cmd, const std::vector<std::string>& fields, unsigned flags = 0,
                                  std::uint32_t token = 0) {
    std::string data;
    for (const auto& f : fields) data += f;
    auto le = [](std::string& s, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string body;
    le(body, flags, 2);
    le(body, token, 4);
    le(body, static_cast<std::uint32_t>(data.size() + 16), 2);
    le(body, static_cast<std::uint32_t>(fields.size()), 2);
    le(body, cmd, 2);
    body += data;
    le(body, bitwise_crc(body), 2);
    std::string out = "\x10\x02";
    for (char c : body) out += c == '\x10' ? std::string("\x10\x10") : std::string(1, c);
    return out + "\x10\x03";
}

// The frames of a whole upload of a w x h picture whose payload digits are digits:
// a printer gets a cancel, the slot set with the first 512 bytes and an append per 512
// more; a register the slot set and an append per 256 bytes. Then the report if asked.
inline std::vector<std::string> upload_frames(bool printer, unsigned slot, unsigned w, unsigned h,
                                              const std::string& digits, bool report = false) {
    const std::string no = std::to_string(slot);
    std::vector<std::string> v;
    if (printer) {
        v.push_back(printer_frame("prncancel\t"));
        v.push_back(printer_frame("imgslotset\tno" + no + "\twx" + std::to_string(w) + "\thx" +
                                  std::to_string(h) + "\ttx" + digits.substr(0, 1024) + "\t"));
        for (std::size_t at = 1024; at < digits.size(); at += 1024)
            v.push_back(printer_frame("imgslotappend\tno" + no + "\ttx" + digits.substr(at, 1024) + "\t"));
        if (report) v.push_back(printer_frame("imgprogrep\tno" + no + "\t"));
    } else {
        v.push_back(register_frame(4600, {B(slot), V(w), V(h)}));
        for (std::size_t at = 0; at < digits.size(); at += 512)
            v.push_back(register_frame(4601, {B(slot), S(digits.substr(at, 512))}));
        if (report) v.push_back(register_frame(4607, {B(slot)}));
    }
    return v;
}

// Frames compared in order; a failure names the first frame that differs and shows both
// in hex from a little before the first byte that differs.
inline ::testing::AssertionResult same_frames(const std::vector<std::string>& got,
                                              const std::vector<std::string>& want) {
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        if (got[i] == want[i]) continue;
        std::size_t at = 0;
        while (at < got[i].size() && at < want[i].size() && got[i][at] == want[i][at]) ++at;
        const std::size_t from = at > 8 ? at - 8 : 0;
        return ::testing::AssertionFailure()
               << "frame " << i << " differs at byte " << at << " (" << got[i].size() << " bytes sent, "
               << want[i].size()
               << " by the rules)\n   sent: " << ::testing::PrintToString(got[i].substr(from, 32))
               << "\n  rules: " << ::testing::PrintToString(want[i].substr(from, 32));
    }
    if (got.size() == want.size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got.size() << " frames sent, " << want.size() << " by the rules";
}

}  // namespace tv::test
