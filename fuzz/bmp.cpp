// Fuzz target: any file content as the chosen picture, through the BMP check (gr_check,
// bmp_check), the grid loader (gr_load) and both uploads: prepare_gr (printer sequence in
// seq_tab) and prepare_gr_2 (cash-register blocks over the serial link, to a register
// that accepts everything). Where the picture passes, the sequence and the blocks are
// compared with the payload worked out here from the file's bytes independently.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "ui/Controls.h"
#include "common/globals.h"
#include "image/bmp.h"
#include "image/gr_grid.h"
#include "link/COM_pos.h"
#include "register/ks_fields.h"
#include "register/prt_ks.h"
#include "support/fuzz_env.h"
#include "support/serial_script.h"

using namespace tv;
using namespace tv::fuzz;

namespace {

// The header fields as the check reads them, from a file that holds all of them.
struct Expected {
    std::uint32_t offset = 0;
    std::uint16_t W = 0, H = 0;
    std::uint16_t bits = 0;
    bool invert = false;
    int S = 0, P = 0;
    int code = 0;
};

std::uint32_t le(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

Expected expect(const std::uint8_t* d, std::size_t size) {
    Expected e;
    e.offset = le(d + 10, 4);
    e.W = static_cast<std::uint16_t>(le(d + 18, 4));
    e.H = static_cast<std::uint16_t>(le(d + 22, 4));
    e.bits = static_cast<std::uint16_t>(le(d + 28, 2));
    e.invert = le(d + 54, 4) >= 0x00FFFFFFu;
    // Rows are padded to whole 32-bit words; a width of 0 counts as one word.
    e.S = e.W == 0 ? 4 : (e.W + 31) / 32 * 4;
    e.P = e.W == 0 ? 1 : (e.W + 7) / 8;
    if (e.W > 640) e.code = 2;
    if (e.H > 640) e.code = 3;
    if (e.bits != 1) e.code = 4;
    if (static_cast<std::uint64_t>(e.offset) + static_cast<std::uint64_t>(e.H) * e.S > size) e.code = 5;
    return e;
}

// The payload: top row first, the first P bytes of each row, each as the two lowercase
// hex digits of 255 minus the (inverted where the polarity says so) file byte.
std::string payload(const std::uint8_t* d, const Expected& e) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int r = 0; r < e.H; ++r) {
        const std::uint8_t* row = d + e.offset + static_cast<std::size_t>(e.H - 1 - r) * e.S;
        for (int c = 0; c < e.P; ++c) {
            const unsigned v = e.invert ? static_cast<unsigned char>(~row[c]) : row[c];
            const unsigned x = 255 - v;
            out += digits[x >> 4];
            out += digits[x & 15];
        }
    }
    return out;
}

std::string printer_sequence(const Expected& e, const std::string& pairs, unsigned slot, bool report) {
    const std::string no = std::to_string(slot);
    std::string s = "prncancel\t\nimgslotset\tno" + no + "\twx" + std::to_string(e.W) + "\thx" +
                    std::to_string(e.H) + "\ttx";
    for (std::size_t at = 0; at < pairs.size(); at += 1024) {
        if (at > 0) s += "\t\nimgslotappend\tno" + no + "\ttx";
        s += pairs.substr(at, 1024);
    }
    s += "\t\n";
    if (report) s += "imgprogrep\tno" + no + "\t\n";
    return s;
}

void check_grid_load(const std::string& name, const std::uint8_t* d, std::size_t size) {
    char msg[GR_MSG_SIZE] = {};
    GrHeader hdr;
    if (gr_check(name, hdr, msg) == GR_CANNOT_OPEN) fail("the picture did not open");
    check(std::memchr(msg, 0, sizeof msg) != nullptr, "check message unterminated");
    std::ifstream f;
    char iobuf[512];
    if (!gr_open(f, name, iobuf, sizeof iobuf)) fail("the picture did not open");
    struct Holder {
        GrGrid g;
    };
    auto holder = std::make_unique<Holder>();
    GrGrid& grid = holder->g;
    std::memset(grid, 0xA5, sizeof(GrGrid));
    const RowGeometry g = row_geometry(hdr.W);
    const bool loaded = gr_load(f, hdr, grid);
    check(loaded == (hdr.H <= GR_ROWS && g.S <= GR_COLS), "gr_load refused a grid that fits, or the reverse");
    // Every loaded byte is the file's byte (inverted when the polarity says so), or 0 past
    // the end of the file; everything else stays zero.
    const unsigned char mask = hdr.polarity == 2 ? 0xFF : 0x00;
    for (int r = 0; r < GR_ROWS; ++r)
        for (int c = 0; c < GR_COLS; ++c) {
            unsigned char want = 0;
            if (loaded && r < hdr.H && c < g.S) {
                const std::uint64_t at = hdr.offset + static_cast<std::uint64_t>(hdr.H - 1 - r) * g.S + c;
                // A byte past the end of the file reads as 0 before the inversion.
                want = static_cast<unsigned char>((at < size ? d[at] : 0) ^ mask);
            }
            check(grid[r][c] == want, "gr_load put another byte into the grid");
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setup_once();
    reset_input(1, 1);
    static const std::string name = scratch_file("picture.bmp");
    write_scratch_file(name, data, size);
    set_gr_filename(name);
    // Slot and report option from the file's size, so the corpus stays plain BMP files.
    const unsigned slot = static_cast<unsigned>(size % 6) + 1;
    const bool report = (size / 6) % 2 == 1;
    set_sel(gComb_Slot, static_cast<int>(slot - 1));
    set_checked(gCheck_Print, report);

    unsigned offset = 0, polarity = 0;
    char msg[GR_MSG_SIZE] = {};
    const int code = gr_check(offset, polarity, msg);
    check(code >= 0 && code <= 5 && code != GR_CANNOT_OPEN, "gr_check gave an unknown code");
    check(polarity == 0 || polarity == 2, "polarity neither 0 nor 2");
    check(code == 0 || msg[0] != 0, "a refusal without a message");
    Expected e;
    if (size >= 58) {
        e = expect(data, size);
        check(code == e.code, "gr_check's verdict differs from the header");
        check(offset == e.offset && Gr_xmax == e.W && Gr_ymax == e.H, "header values differ");
        check(polarity == (e.invert ? 2u : 0u), "polarity differs from colour 0");
    } else {
        check(code != 0, "a file shorter than the header passed");
    }

    check_grid_load(name, data, size);
    bmp_check();
    set_gr_filename(name);  // a refused file has been forgotten by the check

    prepare_gr();
    check(seq_tab[SEQ_TAB_SIZE - 1] == 0, "seq_tab unterminated");
    if (code != 0) {
        check(seq_tab[0] == 0, "a sequence for a refused picture");
        return 0;
    }
    const std::string pairs = payload(data, e);
    check(std::string(seq_tab) == printer_sequence(e, pairs, slot, report),
          "printer sequence differs from the picture");

    // The cash-register upload to a register that accepts every command.
    SerialScript s;
    s.register_accepts = true;
    serial_play(s);
    set_sel(gComb_Interface, 0);
    if (com_connect(false) != 0) fail("the serial port did not open");
    unsigned int no_socket = 0;
    const unsigned r = prepare_gr_2(no_socket);
    com_disconnect(false);
    check(r == 0, "upload to an accepting register failed");

    // What went out: slot set with the size, data blocks of 512 digits at most, the report.
    std::string sent;
    bool first = true;
    for (const std::string& w : serial_written()) {
        KS_FRM f;
        f.clear();
        std::memcpy(f.FRAME, w.data(), w.size() < sizeof f.FRAME ? w.size() : sizeof f.FRAME);
        f.filter();
        FieldReader fr(f);
        std::uint16_t b = 0, width = 0, height = 0;
        if (first) {
            check(f.CMD_ID == 4600 && fr.B(b) && b == slot && fr.V(width) && fr.V(height) &&
                      width == e.W && height == e.H,
                  "slot set differs from the picture");
            first = false;
        } else if (f.CMD_ID == 4601) {
            std::string text;
            check(fr.B(b) && b == slot && fr.S(text), "data block malformed");
            check(!text.empty() && text.size() <= 512, "data block of a wrong size");
            sent += text;
        } else {
            check(f.CMD_ID == 4607 && report, "unexpected register command");
        }
    }
    check(sent == pairs, "register payload differs from the picture");
    return 0;
}
