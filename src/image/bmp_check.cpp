// Reading and checking the chosen BMP: the header fields, the size and colour limits,
// the polarity, and the check thread that reports the result in the window.
#include <cstring>

#include "ui/Controls.h"
#include "ui/panel.h"
#include "common/globals.h"
#include "common/text.h"
#include "image/bmp.h"
#include "image/gr_grid.h"
#include "ui/trace.h"
#include "ui/host.h"

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

// The header fields read end with colour-table entry 0 at bytes 54..57.
constexpr std::uint64_t HEADER_END = 58;

void trace_polarity(unsigned polarity) {
    char line[48] = {};
    TextCursor t{line, sizeof line - 1};
    t.put("\r\nNegatyw = ");
    t.num(polarity);
    t.put("\r\n");
    s(line);
}

}  // namespace

int gr_check(const std::string& name, GrHeader& hdr, char* msg) {
    std::ifstream f;
    char iobuf[256];
    if (!gr_open(f, name, iobuf, sizeof iobuf)) {
        gr_report_open_failure(name);
        return GR_CANNOT_OPEN;
    }
    f.clear();
    f.seekg(0, std::ios::end);
    const std::streamoff end = f.tellg();
    const std::uint64_t size = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    f.clear();

    // Once the stream has failed (a file shorter than a field), every later field reads 0.
    f.seekg(10, std::ios::beg);
    hdr.offset = fdword(f);
    f.seekg(18, std::ios::beg);
    hdr.W = static_cast<std::uint16_t>(fdword(f) & 0xFFFF);
    f.seekg(22, std::ios::beg);
    hdr.H = static_cast<std::uint16_t>(fdword(f) & 0xFFFF);
    f.seekg(28, std::ios::beg);
    const std::uint16_t bits = tdword(f);
    f.seekg(54, std::ios::beg);
    const std::uint32_t colour0 = fdword(f);
    Gr_xmax = hdr.W;
    Gr_ymax = hdr.H;

    // Colour 0 white (or a non-zero reserved byte): the pixel bytes are inverted on reading.
    hdr.polarity = colour0 >= 0x00FFFFFFu ? 2 : 0;
    trace_polarity(hdr.polarity);

    int code = GR_OK;
    if (hdr.W > GR_MAX_SIZE) {
        append_bounded(msg, GR_MSG_SIZE, "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n");
        code = GR_TOO_WIDE;
    }
    if (hdr.H > GR_MAX_SIZE) {
        append_bounded(msg, GR_MSG_SIZE, "Za duża wysokość !!! Maksymalna wysokość to 640 pikseli !\n");
        code = GR_TOO_HIGH;
    }
    if (bits != 1) {
        append_bounded(msg, GR_MSG_SIZE, "Bitmapa musi być monochromatyczna !!!\n");
        code = GR_NOT_MONO;
    }
    // The header and all H rows of S bytes must lie inside the file: a cut or corrupt file
    // is refused here rather than sent with made-up pixels.
    const std::uint64_t need = static_cast<std::uint64_t>(hdr.offset) +
                               static_cast<std::uint64_t>(hdr.H) *
                                   static_cast<std::uint64_t>(row_geometry(hdr.W).S);
    if (size < HEADER_END || need > size) {
        append_bounded(msg, GR_MSG_SIZE, "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n");
        code = GR_NO_DATA;
    }
    return code;
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

void bmp_check() {
    const std::string name = gr_filename();
    if (name.empty()) return;
    char msg[GR_MSG_SIZE] = {};
    GrHeader hdr;
    const int code = gr_check(name, hdr, msg);
    if (code != GR_OK) {
        PaintBMP = false;
        set_gr_filename("");
        set_text(gEdit_File, "");
        // With the name gone there is nothing to send: the button must not look ready.
        enable(gButt_Send, false);
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
    clear_bmp();
    if (code > GR_CANNOT_OPEN) {
        message(msg, "Błąd!", Icon::Warning);
    } else if (code == GR_OK && PROTOCOL == 2 &&
               (hdr.W > GR_REGISTER_SIZE || hdr.H > GR_REGISTER_SIZE)) {
        message("Maksymalny rozmiar bitmapy dla kas wynosi 384 x 384 pikseli!", "UWAGA!",
                Icon::Warning);
    }
    s("Filename : ");
    s(gr_filename());
}

}  // namespace tv
