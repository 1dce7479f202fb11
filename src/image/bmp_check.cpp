// Reading and checking the chosen BMP: the header by its size, the size, colour,
// compression and data limits, which dots are dark, and the check thread that reports the
// result in the window.
#include <cstring>

#include "common/globals.h"
#include "common/text.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "image/graphic_record.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/trace.h"

namespace tv {

My_Graph g_Grafika;

void My_Graph::clear() {
    width = 0;
    height = 0;
    slot = 0;
    clear_data();
}

void My_Graph::clear_data() { std::memset(data, 0, sizeof data); }

unsigned char uget(std::basic_ifstream<char, std::char_traits<char> >& f) {
    char c = 0;
    if (!f.get(c)) return 0;
    return static_cast<unsigned char>(c);
}

std::uint32_t fdword(std::basic_ifstream<char, std::char_traits<char> >& f) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(uget(f)) << (8 * i);
    return v;
}

std::uint16_t tdword(std::basic_ifstream<char, std::char_traits<char> >& f) {
    const unsigned lo = uget(f);
    const unsigned hi = uget(f);
    return static_cast<std::uint16_t>(lo | (hi << 8));
}

namespace {

// What the check says of a file it refuses (the caller shows it in one box).
constexpr const char* MSG_WIDTH = "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n";
constexpr const char* MSG_HEIGHT = "Za duża wysokość !!! Maksymalna wysokość to 640 pikseli !\n";
constexpr const char* MSG_ZERO_WIDTH = "Bitmapa ma zerową szerokość !!!\n";
constexpr const char* MSG_ZERO_HEIGHT = "Bitmapa ma zerową wysokość !!!\n";
constexpr const char* MSG_NOT_MONO = "Bitmapa musi być monochromatyczna !!!\n";
constexpr const char* MSG_COMPRESSED = "Skompresowana bitmapa nie jest obsługiwana !!!\n";
constexpr const char* MSG_NOT_BMP = "Plik nie jest bitmapą BMP !!!\n";
constexpr const char* MSG_HEADER = "Nieobsługiwany nagłówek bitmapy BMP !!!\n";
constexpr const char* MSG_NO_DATA = "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n";
constexpr const char* MSG_ONE_DOT =
    "Bitmapa 1 x 1 piksel oznacza wyczyszczenie slotu !!!\nWybierz większy obraz albo użyj \"Wyczyść\".\n";

constexpr std::size_t FILE_HEADER = 14;
// The first bytes of the file hold all the reader needs: the file header, the largest
// information header and the two colours of a one-bit palette.
constexpr std::size_t HEAD_BYTES = FILE_HEADER + 124 + 2 * 4;

std::uint32_t le(const unsigned char* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// The information headers in use: OS/2 1.x (12), OS/2 2.x in its short form (16) and in
// full (64), Windows 3 (40), the two with colour masks (52, 56), Windows V4 (108) and V5
// (124). All but the first share the layout of the 40-byte one as far as they reach; the
// short OS/2 2.x header stops after the bit count, and the fields it leaves out are zero.
bool known_header(std::uint32_t size) {
    switch (size) {
        case 12:
        case 16:
        case 40:
        case 52:
        case 56:
        case 64:
        case 108:
        case 124:
            return true;
        default:
            return false;
    }
}

// A colour is dark when its luminance (ITU-R BT.601 weights, rounded to 0..255, as image
// tools compute grey) is below half. The palette's fourth byte plays no part.
bool dark(unsigned blue, unsigned green, unsigned red) {
    return ((19595u * red + 38470u * green + 7471u * blue + 0x8000u) >> 16) < 128;
}

// What the header says, read from its real place for each header size.
struct Layout {
    std::int64_t width = 0;   // as stored: OS/2 1.x unsigned 16-bit, else signed 32-bit
    std::int64_t height = 0;  // negative: the rows are stored top row first
    unsigned bits = 0;
    std::uint32_t compression = 0;
    std::uint64_t palette_end = 0;  // where the colour table the header announces ends
    bool dark0 = true, dark1 = false;
};

// A field of the 40-byte layout, or 0 when the header ends before it.
std::uint32_t field(const unsigned char* info, std::uint32_t header_size, std::uint32_t at, int n) {
    return at + static_cast<std::uint32_t>(n) <= header_size ? le(info + at, n) : 0;
}

Layout read_layout(const unsigned char* head, std::uint32_t header_size) {
    Layout l;
    const unsigned char* info = head + FILE_HEADER;
    std::uint64_t colours = 0;
    std::uint64_t entry = 4;
    if (header_size == 12) {
        l.width = le(info + 4, 2);
        l.height = le(info + 6, 2);
        l.bits = le(info + 10, 2);
        entry = 3;  // blue, green, red
    } else {
        l.width = static_cast<std::int32_t>(le(info + 4, 4));
        l.height = static_cast<std::int32_t>(le(info + 8, 4));
        l.bits = le(info + 14, 2);
        l.compression = field(info, header_size, 16, 4);
        colours = field(info, header_size, 32, 4);  // 0: as many as the bit count allows
    }
    const std::uint64_t start = FILE_HEADER + header_size;
    // A table of one colour leaves colour 1 unnamed: its dots are left as paper (white),
    // never made up as dark dots the file does not ask for.
    l.palette_end = start + (colours == 0 ? 2 : colours) * entry;
    const unsigned char* c0 = head + start;
    const unsigned char* c1 = c0 + entry;
    l.dark0 = dark(c0[0], c0[1], c0[2]);
    l.dark1 = colours != 1 && dark(c1[0], c1[1], c1[2]);
    return l;
}

std::uint16_t saturated(std::int64_t v) {
    const std::int64_t a = v < 0 ? -v : v;
    return static_cast<std::uint16_t>(a > 0xFFFF ? 0xFFFF : a);
}

void trace_polarity(unsigned polarity) {
    char line[48] = {};
    TextCursor t{line, sizeof line - 1};
    t.put("\r\nNegatyw = ");
    t.num(polarity);
    t.put("\r\n");
    s(line);
}

// Reads and judges the header. The caller has opened the file; hdr receives what was read.
// With trace, the polarity goes to the trace pane once the header is known.
Result check_header(std::ifstream& f, GrHeader& hdr, char* msg, bool trace = true) {
    const auto refuse = [msg](const char* text, Result code) {
        append_bounded(msg, GR_MSG_SIZE, text);
        return code;
    };
    f.clear();
    f.seekg(0, std::ios::end);
    const std::streamoff end = f.tellg();
    const std::uint64_t size = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    f.clear();
    f.seekg(0, std::ios::beg);
    unsigned char head[HEAD_BYTES] = {};  // bytes past the end of the file stay 0
    f.read(reinterpret_cast<char*>(head), static_cast<std::streamsize>(sizeof head));
    const std::uint64_t got = static_cast<std::uint64_t>(f.gcount());

    // Until the header is known whole, a refusal says only what is wrong with the file
    // as a whole: nothing else in it can be read with any sense.
    if (got < 2 || head[0] != 'B' || head[1] != 'M') return refuse(MSG_NOT_BMP, GR_NOT_BMP);
    hdr.offset = le(head + 10, 4);
    if (got < FILE_HEADER + 4) return refuse(MSG_NO_DATA, GR_NO_DATA);
    const std::uint32_t header_size = le(head + FILE_HEADER, 4);
    if (!known_header(header_size)) return refuse(MSG_HEADER, GR_NOT_BMP);
    if (size < FILE_HEADER + header_size) return refuse(MSG_NO_DATA, GR_NO_DATA);

    const Layout l = read_layout(head, header_size);
    hdr.W = saturated(l.width);
    hdr.H = saturated(l.height);
    hdr.top_down = l.height < 0;
    // Colour 0 light: the pixel bytes are inverted as they are read, so that a set payload
    // bit is a dark dot. When both colours are alike every dot is the same.
    hdr.polarity = l.dark0 ? 0 : 2;
    hdr.keep = l.dark0 != l.dark1 ? 0xFF : 0x00;
    hdr.flip = l.dark0 ? 0x00 : 0xFF;
    if (trace) trace_polarity(hdr.polarity);

    Result code = RC_OK;
    // A negative width has no meaning in the format; a negative height is a top-down file.
    if (l.width == 0)
        code = refuse(MSG_ZERO_WIDTH, GR_TOO_WIDE);
    else if (l.width < 0 || hdr.W > GR_MAX_SIZE)
        code = refuse(MSG_WIDTH, GR_TOO_WIDE);
    if (l.height == 0)
        code = refuse(MSG_ZERO_HEIGHT, GR_TOO_HIGH);
    else if (hdr.H > GR_MAX_SIZE)
        code = refuse(MSG_HEIGHT, GR_TOO_HIGH);
    // The compression field matters only for a picture that could be read otherwise
    // (colour pictures carry their masks there).
    if (l.bits != 1)
        code = refuse(MSG_NOT_MONO, GR_NOT_MONO);
    else if (l.compression != 0)
        code = refuse(MSG_COMPRESSED, GR_COMPRESSED);
    if (code != RC_OK) return code;
    // A slot is cleared by programming a 1 x 1 graphic: such a picture would empty the slot
    // while the job reports a logo programmed.
    if (hdr.W == 1 && hdr.H == 1) return refuse(MSG_ONE_DOT, GR_ONE_DOT);

    // The pixel rows start past the header and the colours. An offset of 0, or one that
    // points into the headers or the colours, cannot be where they are: they are read from
    // just after the colours then, where the format puts them. They must lie inside the
    // file: anything else would send made-up pixels.
    const std::uint64_t offset = hdr.offset < l.palette_end ? l.palette_end : hdr.offset;
    const std::uint64_t need =
        offset + static_cast<std::uint64_t>(hdr.H) * static_cast<std::uint64_t>(row_geometry(hdr.W).S);
    if (need > size || offset > 0xFFFFFFFFu) return refuse(MSG_NO_DATA, GR_NO_DATA);
    hdr.offset = static_cast<unsigned>(offset);
    return RC_OK;
}

}  // namespace

Result gr_check(const std::string& name, GrHeader& hdr, char* msg) {
    std::ifstream f;
    char iobuf[256];
    if (!gr_open(f, name, iobuf, sizeof iobuf)) {
        gr_report_open_failure(name);
        return GR_CANNOT_OPEN;
    }
    hdr = GrHeader{};
    const Result code = check_header(f, hdr, msg);
    Gr_xmax = hdr.W;
    Gr_ymax = hdr.H;
    return code;
}

bool gr_accepts(const std::string& name, GrHeader& hdr) {
    std::ifstream f;
    char iobuf[256];
    if (!gr_open(f, name, iobuf, sizeof iobuf)) return false;
    char msg[GR_MSG_SIZE] = {};
    return check_header(f, hdr, msg, false) == RC_OK;
}

bool gr_accepts(const std::string& name) {
    GrHeader hdr;
    return gr_accepts(name, hdr);
}

void gr_forget() {
    PaintBMP = false;
    set_gr_filename("");
    set_text(gEdit_File, "");
    // With the name gone there is nothing to send: the button must not look ready.
    enable(gButt_Send, false);
}

int gr_check(unsigned int& offset, unsigned int& polarity, char* msg) {
    GrHeader hdr;
    const int code = gr_check(gr_filename(), hdr, msg);
    if (code != GR_CANNOT_OPEN) {
        offset = hdr.offset;
        polarity = hdr.polarity;
    }
    return code;
}

const char* gr_one_dot_message() { return MSG_ONE_DOT; }

void bmp_check() {
    const std::string name = gr_filename();
    if (name.empty()) return;
    char msg[GR_MSG_SIZE] = {};
    GrHeader hdr;
    const Result code = gr_check(name, hdr, msg);
    if (code != RC_OK) {
        gr_forget();
    } else {
        PaintBMP = true;
        const std::size_t cut = name.find_last_of("/\\");
        std::string field = cut == std::string::npos ? name : name.substr(cut + 1);
        field += "\r\nBMP monochromatyczna, ";
        field += std::to_string(hdr.W);
        field += " x ";
        field += std::to_string(hdr.H);
        field += " pikseli";
        set_text(gEdit_File, field);
    }
    enable_send();  // off for a picture the selected device would refuse
    clear_bmp();
    if (code > GR_CANNOT_OPEN) {
        message(msg, "Błąd!", Icon::Warning);
    } else if (code == RC_OK && PROTOCOL == 2 && (hdr.W > GR_REGISTER_SIZE || hdr.H > GR_REGISTER_SIZE)) {
        message("Maksymalny rozmiar bitmapy dla kas wynosi 384 x 384 pikseli!", "UWAGA!", Icon::Warning);
    }
    s("Filename : ");
    s(gr_filename());
}

}  // namespace tv
