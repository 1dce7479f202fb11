// Row geometry, grid loading, the bounded text writer and the steps both uploads take
// before they read the pixels.
#include "image/gr_grid.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/paths.h"
#include "image/bmp_check.h"
#include "ui/host.h"
#include "ui/trace.h"

namespace tv {

RowGeometry row_geometry(std::uint16_t W) {
    // Integer division truncating toward zero on the signed W - 1: W = 0 gives one word.
    const int w1 = static_cast<int>(W) - 1;
    RowGeometry g{};
    g.XX = (w1 / 32 + 1) * 32;
    g.S = g.XX / 8;
    g.P = w1 / 8 + 1;
    return g;
}

bool gr_open(std::ifstream& f, const std::string& name, char* buf, std::size_t n) {
    // Names are UTF-8 inside the program; on Windows the narrow open would read them as ANSI.
    const std::filesystem::path path = fs_path(name);
    // Only a regular file can be a picture: a folder opens on some systems and reads as
    // nothing, and opening a pipe or a device may block or never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    // A buffer given before the open keeps the stream from allocating one of its own.
    f.rdbuf()->pubsetbuf(buf, static_cast<std::streamsize>(n));
    f.open(path, std::ios::in | std::ios::binary);
    return f.is_open();
}

void gr_report_open_failure(const std::string& name) {
    char text[GR_MSG_SIZE] = {};
    TextCursor t{text, sizeof text - 1};
    t.put("Nie można otworzyć pliku! :\n");
    t.put(name);
    message(text, "Błąd!", Icon::Warning);
}

Result gr_check_for_upload(const std::string& name, GrHeader& hdr) {
    char msg[GR_MSG_SIZE] = {};
    const Result code = gr_check(name, hdr, msg);
    char line[64] = {};
    TextCursor t{line, sizeof line - 1};
    t.put("\r\nData offset : ");
    t.num(hdr.offset);
    t.put("\r\n");
    s(line);
    if (code > GR_CANNOT_OPEN) message(msg, "Błąd!", Icon::Warning);
    return code;
}

void gr_trace_geometry(std::uint16_t W, std::uint16_t H, const RowGeometry& g) {
    char line[128] = {};
    TextCursor t{line, sizeof line - 1};
    t.put("\r\nX = ");
    t.num(W);
    t.put("\r\nY = ");
    t.num(H);
    t.put("\r\nXX (32bit) = ");
    t.num(static_cast<unsigned>(g.XX));
    t.put("\r\nXX / 8 = ");
    t.num(static_cast<unsigned>(g.S));
    s(line);
}

bool gr_load(std::ifstream& f, const GrHeader& hdr, GrGrid& grid) {
    std::memset(grid, 0, sizeof(GrGrid));
    const RowGeometry g = row_geometry(hdr.W);
    if (hdr.H > GR_ROWS || g.S > GR_COLS) return false;
    f.clear();
    f.seekg(static_cast<std::streamoff>(hdr.offset), std::ios::beg);
    for (int r = 0; r < hdr.H; ++r) {
        unsigned char* row = grid[hdr.top_down ? r : hdr.H - 1 - r];
        std::streamsize got = 0;
        if (f) {
            f.read(reinterpret_cast<char*>(row), g.S);
            got = f.gcount();
        }
        // A file cut short after the check: the missing bytes read as 0.
        if (got < g.S) std::memset(row + got, 0, static_cast<std::size_t>(g.S - got));
        for (int c = 0; c < g.S; ++c) row[c] = static_cast<unsigned char>((row[c] & hdr.keep) ^ hdr.flip);
    }
    return true;
}

void TextCursor::put(std::string_view t) {
    std::size_t n = t.size();
    if (n > cap - len) {
        n = cap - len;
        overflow = true;
    }
    std::memcpy(buf + len, t.data(), n);
    len += n;
}

void TextCursor::num(unsigned v) {
    char d[12];
    int n = 0;
    do {
        d[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    char out[12];
    for (int i = 0; i < n; ++i) out[i] = d[n - 1 - i];
    put(std::string_view(out, static_cast<std::size_t>(n)));
}

}  // namespace tv
