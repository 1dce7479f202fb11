// Printer request frame: escape conversion, CRC, hex digits, and the string matchers.
#include <algorithm>
#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "codecs/printer/crc_table.h"
#include "common/hex.h"
#include "common/text.h"

namespace tv {

char Finish_Frame[FINISH_FRAME_SIZE];

bool reply_answers(const char* reply, const char* command) {
    const std::size_t len = std::strlen(reply);
    // At least STX, a name, '#', four digits, ETX.
    if (len < 8 || reply[len - 1] != 0x03 || reply[len - 6] != '#') return false;
    unsigned sum = 0;
    for (std::size_t i = len - 5; i < len - 1; ++i) {
        const char c = reply[i];
        const int v = c >= 'a' ? -1 : hex_value(c);  // the device writes upper-case digits
        if (v < 0) return false;
        sum = sum * 16 + static_cast<unsigned>(v);
    }
    const char* stx = nullptr;
    for (std::size_t i = len - 6; i-- > 0;)
        if (reply[i] == 0x02) {
            stx = reply + i;
            break;
        }
    if (!stx) return false;
    const char* text = stx + 1;
    const std::size_t n = static_cast<std::size_t>(reply + len - 6 - text);
    if (crc::xmodem(reinterpret_cast<const unsigned char*>(text), n) != sum) return false;
    const char* tab = std::strchr(command, '\t');
    const std::size_t name = tab ? static_cast<std::size_t>(tab - command) : std::strlen(command);
    return name > 0 && n > name && std::memcmp(text, command, name) == 0 && text[name] == '\t';
}

void hex_ch(int value, char* out) {
    static const char digits[] = "0123456789ABCDEF";
    unsigned v = static_cast<unsigned>(value) & 0xFFFF;
    for (int pos = 3; pos >= 0; --pos) {
        out[pos] = digits[v % 16];
        v /= 16;
    }
    out[4] = 0;
}

void crc16(const char* text, char* out) {
    hex_ch(crc::xmodem(reinterpret_cast<const unsigned char*>(text), std::strlen(text)), out);
}

char* tarv_frame(const char* command) {
    char payload[MAX_PAYLOAD + 1];
    char check[5];
    std::memset(payload, 0, sizeof payload);
    std::memset(check, 0, sizeof check);
    std::memset(Finish_Frame, 0, sizeof Finish_Frame);

    // The wire carries Windows-1250; the escape and the cut apply to the wire bytes.
    const std::string wire = to_cp1250(command ? command : "");
    const char* in = wire.c_str();
    std::size_t i = 0;
    int o = 0;
    const std::size_t n = wire.size();
    while (o < MAX_PAYLOAD && i < n) {
        // Copy the run up to the next backslash at once; only there can an escape start.
        const void* bs = std::memchr(in + i, '\\', n - i);
        std::size_t run = (bs ? static_cast<const char*>(bs) - in : static_cast<std::ptrdiff_t>(n)) - i;
        run = std::min<std::size_t>(run, static_cast<std::size_t>(MAX_PAYLOAD - o));
        std::memcpy(payload + o, in + i, run);
        o += static_cast<int>(run);
        i += run;
        if (o >= MAX_PAYLOAD || i >= n) break;
        if (cmpr1(in + i, "\\LF")) {
            payload[o] = '\n';
            i += 3;
        } else {
            payload[o] = in[i];
            i += 1;
        }
        ++o;
    }
    crc16(payload, check);

    int w = 0;
    Finish_Frame[w++] = 0x02;
    std::memcpy(Finish_Frame + w, payload, static_cast<std::size_t>(o));
    w += o;
    Finish_Frame[w++] = '#';
    std::memcpy(Finish_Frame + w, check, 4);
    w += 4;
    Finish_Frame[w++] = 0x03;
    Finish_Frame[w] = 0;
    return Finish_Frame;
}

}  // namespace tv
