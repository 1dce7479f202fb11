// Fuzz target: any file content as the chosen picture, through the BMP check (gr_check,
// bmp_check), the grid loader (gr_load) and both uploads: prepare_gr (printer sequence in
// seq_tab) and prepare_gr_2 (cash-register blocks over the serial link, to a register
// that accepts everything). Where the picture passes, the sequence and the blocks are
// compared with the payload worked out here from the file's bytes independently.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "codecs/register/ks_fields.h"
#include "commands/register/prt_ks.h"
#include "common/globals.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "image/uploads.h"
#include "link/COM_pos.h"
#include "support/fuzz_env.h"
#include "support/serial_script.h"
#include "ui/Controls.h"

using namespace tv;
using namespace tv::fuzz;

namespace {

// What the check must make of a file, worked out here from its bytes: the header read by
// its size, the code and the messages, and which colour of the two is dark.
struct Expected {
    Result code = RC_OK;
    std::string msg;
    bool header_read = false;  // the header was whole and of a known size
    std::uint32_t offset = 0;
    std::uint16_t W = 0, H = 0;
    bool top_down = false;
    bool dark[2] = {true, false};
    int S = 0, P = 0;
};

std::uint32_t le(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Grey as Pillow computes it for mode "L"; dark below 128.
bool is_dark(unsigned b, unsigned g, unsigned r) {
    return (r * 19595 + g * 38470 + b * 7471 + 0x8000) / 65536 <= 127;
}

Expected expect(const std::uint8_t* d, std::size_t size) {
    Expected e;
    const auto fail_with = [&](Result code, const char* msg) {
        e.code = code;
        e.msg += msg;
    };
    if (size < 2 || d[0] != 'B' || d[1] != 'M') {
        fail_with(GR_NOT_BMP, "Plik nie jest bitmapą BMP !!!\n");
        return e;
    }
    if (size >= 14)
        e.offset = le(d + 10, 4);
    else
        for (std::size_t i = 10; i < size; ++i)
            e.offset |= static_cast<std::uint32_t>(d[i]) << (8 * (i - 10));
    if (size < 18) {
        fail_with(GR_NO_DATA, "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n");
        return e;
    }
    const std::uint32_t hs = le(d + 14, 4);
    if (hs != 12 && hs != 16 && hs != 40 && hs != 52 && hs != 56 && hs != 64 && hs != 108 && hs != 124) {
        fail_with(GR_NOT_BMP, "Nieobsługiwany nagłówek bitmapy BMP !!!\n");
        return e;
    }
    if (size < 14 + static_cast<std::uint64_t>(hs)) {
        fail_with(GR_NO_DATA, "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n");
        return e;
    }
    e.header_read = true;
    std::int64_t w, h;
    unsigned bits;
    std::uint32_t compression = 0, colours = 0;
    std::uint64_t entry = 4;
    if (hs == 12) {
        w = le(d + 18, 2);
        h = le(d + 20, 2);
        bits = le(d + 24, 2);
        entry = 3;
    } else {
        w = static_cast<std::int32_t>(le(d + 18, 4));
        h = static_cast<std::int32_t>(le(d + 22, 4));
        bits = le(d + 28, 2);
        // The short OS/2 2.x header (16 bytes) ends after the bit count: the rest is 0.
        if (hs > 16) {
            compression = le(d + 30, 4);
            colours = le(d + 46, 4);
        }
    }
    const std::uint64_t table = 14 + static_cast<std::uint64_t>(hs);
    for (int i = 0; i < 2; ++i) {
        std::uint8_t bgr[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k)
            if (table + i * entry + k < size) bgr[k] = d[table + i * entry + k];
        e.dark[i] = is_dark(bgr[0], bgr[1], bgr[2]);
    }
    if (colours == 1) e.dark[1] = false;  // a table of one colour: colour 1 is white
    e.top_down = h < 0;
    const std::int64_t aw = w < 0 ? -w : w, ah = h < 0 ? -h : h;
    e.W = static_cast<std::uint16_t>(aw > 65535 ? 65535 : aw);
    e.H = static_cast<std::uint16_t>(ah > 65535 ? 65535 : ah);
    if (w == 0) fail_with(GR_TOO_WIDE, "Bitmapa ma zerową szerokość !!!\n");
    if (w < 0 || w > 640)
        fail_with(GR_TOO_WIDE, "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n");
    if (h == 0) fail_with(GR_TOO_HIGH, "Bitmapa ma zerową wysokość !!!\n");
    if (ah > 640) fail_with(GR_TOO_HIGH, "Za duża wysokość !!! Maksymalna wysokość to 640 pikseli !\n");
    if (bits != 1) fail_with(GR_NOT_MONO, "Bitmapa musi być monochromatyczna !!!\n");
    if (bits == 1 && compression != 0)
        fail_with(GR_COMPRESSED, "Skompresowana bitmapa nie jest obsługiwana !!!\n");
    if (e.code != RC_OK) return e;
    if (e.W == 1 && e.H == 1) {  // the form of a cleared slot
        fail_with(GR_ONE_DOT,
                  "Bitmapa 1 x 1 piksel oznacza wyczyszczenie slotu !!!\nWybierz większy obraz albo użyj "
                  "\"Wyczyść\".\n");
        return e;
    }
    // Rows are padded to whole 32-bit words.
    e.S = (e.W + 31) / 32 * 4;
    e.P = (e.W + 7) / 8;
    // An offset before the end of the colour table: the rows are read from that end.
    const std::uint64_t table_end = table + (colours == 0 ? 2 : colours) * entry;
    const std::uint64_t offset = e.offset < table_end ? table_end : e.offset;
    if (offset > 0xFFFFFFFFu || offset + static_cast<std::uint64_t>(e.H) * e.S > size)
        fail_with(GR_NO_DATA, "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n");
    else
        e.offset = static_cast<std::uint32_t>(offset);
    return e;
}

// The file byte as the grid must hold it: a 0 bit for every pixel whose colour is dark.
unsigned char grid_byte(unsigned char file_byte, const Expected& e) {
    unsigned v = 0;
    for (int bit = 7; bit >= 0; --bit) {
        const int index = (file_byte >> bit) & 1;
        v |= (e.dark[index] ? 0u : 1u) << bit;
    }
    return static_cast<unsigned char>(v);
}

// The payload: top row first, the first P bytes of each row, each as the two lowercase
// hex digits of 255 minus the grid byte (a set bit is a dark dot).
std::string payload(const std::uint8_t* d, const Expected& e) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int r = 0; r < e.H; ++r) {
        const int file_row = e.top_down ? r : e.H - 1 - r;
        const std::uint8_t* row = d + e.offset + static_cast<std::size_t>(file_row) * e.S;
        for (int c = 0; c < e.P; ++c) {
            const unsigned x = 255 - grid_byte(row[c], e);
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

void check_grid_load(const std::string& name, const std::uint8_t* d, std::size_t size, const Expected& e) {
    char msg[GR_MSG_SIZE] = {};
    GrHeader hdr;
    if (gr_check(name, hdr, msg) == GR_CANNOT_OPEN) fail("the picture did not open");
    check(std::memchr(msg, 0, sizeof msg) != nullptr, "check message unterminated");
    check(hdr.top_down == e.top_down, "top-down read differently");
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
    // Every loaded byte is the file's byte with a 0 bit for each dark pixel (a byte past
    // the end of the file reads as 0 first); everything else stays zero.
    Expected identity;  // a header not read: the bytes as they are
    identity.dark[0] = true;
    identity.dark[1] = false;
    const Expected& map = e.header_read ? e : identity;
    for (int r = 0; r < GR_ROWS; ++r)
        for (int c = 0; c < GR_COLS; ++c) {
            unsigned char want = 0;
            if (loaded && r < hdr.H && c < g.S) {
                const int file_row = hdr.top_down ? r : hdr.H - 1 - r;
                const std::uint64_t at = hdr.offset + static_cast<std::uint64_t>(file_row) * g.S + c;
                want = grid_byte(at < size ? d[at] : 0, map);
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
    const Expected e = expect(data, size);
    check(code == e.code, "gr_check's verdict differs from the header");
    check(std::string(msg) == e.msg, "gr_check's messages differ from the header");
    check(offset == e.offset, "data offset differs");
    check(Gr_xmax == e.W && Gr_ymax == e.H, "size differs");
    check(polarity == (e.dark[0] ? 0u : 2u), "polarity differs from colour 0");

    check_grid_load(name, data, size, e);
    bmp_check();
    set_gr_filename(name);  // a refused file has been forgotten by the check

    prepare_gr();
    check(seq_tab[SEQ_TAB_SIZE - 1] == 0, "seq_tab unterminated");
    if (code != RC_OK) {
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
    if (com_connect(false) != RC_OK) fail("the serial port did not open");
    unsigned int no_socket = 0;
    const unsigned r = prepare_gr_2(no_socket);
    com_disconnect(false);
    check(r == RC_OK, "upload to an accepting register failed");

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
            check(f.CMD_ID == 4600 && fr.B(b) && b == slot && fr.V(width) && fr.V(height) && width == e.W &&
                      height == e.H,
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
