// The one piece both graphic uploads share: row geometry, loading the pixel grid from the
// file, the payload walk with its hex pairs, and the check-and-reopen steps around them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "common/codes.h"

namespace tv {

constexpr int GR_ROWS = 640;
constexpr int GR_COLS = 80;
using GrGrid = unsigned char[GR_ROWS][GR_COLS];

// Padded row width in bits (XX), stride in bytes (S = XX / 8) and the bytes of a row that
// hold pixels (P), for width W. W = 0 gives 32, 4 and 1.
struct RowGeometry {
    int XX;
    int S;
    int P;
};
RowGeometry row_geometry(std::uint16_t W);

// Header values of a checked picture. A grid byte is (file byte & keep) ^ flip, so that a
// 0 bit is a dark dot: colour 0 dark and colour 1 light keep the bytes as they are, the
// reverse inverts them, and two colours alike give all dots dark or all light.
struct GrHeader {
    unsigned offset = 0;    // pixel data offset
    unsigned polarity = 0;  // 2: colour 0 is light
    std::uint16_t W = 0;    // size in pixels (a size beyond 65535 reads as 65535)
    std::uint16_t H = 0;
    bool top_down = false;  // the file stores the top row first
    unsigned char keep = 0xFF;
    unsigned char flip = 0x00;
};

// The check on a given name (the uploads and bmp_check take the name once and use it for
// the check and the reading alike). Returns the result code; hdr is written only when the
// file opened.
Result gr_check(const std::string& name, GrHeader& hdr, char* msg);
// Whether the check would pass the file, without a message, a trace or any global changed;
// the second form also gives the header it read.
bool gr_accepts(const std::string& name);
bool gr_accepts(const std::string& name, GrHeader& hdr);
// Forgets the chosen picture as a refusal does: no name, no preview, the file box empty,
// "Wyślij >>" disabled.
void gr_forget();

// Opens name for binary reading through buf (no heap buffer). Returns false when it fails
// or when name is not a regular file (a folder, a pipe, a device).
bool gr_open(std::ifstream& f, const std::string& name, char* buf, std::size_t n);
// The check's box for a file that does not open.
void gr_report_open_failure(const std::string& name);

// The first steps of both uploads: check the file, trace the data offset, show the check's
// messages. Returns the check's code; RC_OK means the upload may go on.
Result gr_check_for_upload(const std::string& name, GrHeader& hdr);
// Traces W, H, XX and S as the uploads do before they load the grid.
void gr_trace_geometry(std::uint16_t W, std::uint16_t H, const RowGeometry& g);

// Zeroes the grid and loads H rows of S bytes from the pixel data offset, the file's
// first row into grid row H - 1 (grid row 0 for a top-down file), each byte mapped by keep
// and flip. Bytes the file cannot deliver read as 0 before the mapping. Returns false
// (grid zeroed) when H or S exceed the grid.
bool gr_load(std::ifstream& f, const GrHeader& hdr, GrGrid& grid);

// Visits the grid in payload order: rows 0 to H - 1, in each the bytes 0 to S - 1, calling
// fn(byte, is_payload) where is_payload tells the first P bytes of a row from the padding.
// Stops when fn returns false; returns false then.
template <class Fn>
bool gr_walk(const GrGrid& grid, const RowGeometry& g, std::uint16_t H, Fn&& fn) {
    const int rows = H < GR_ROWS ? H : GR_ROWS;
    const int cols = g.S < GR_COLS ? g.S : GR_COLS;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (!fn(grid[r][c], c < g.P)) return false;
    return true;
}

// A bounded text writer over a fixed buffer: it writes at most cap characters and drops
// the rest (overflowed() then tells). The buffer's terminating zeros are the caller's.
struct TextCursor {
    char* buf;
    std::size_t cap;
    std::size_t len = 0;
    bool overflow = false;

    void put(std::string_view t);
    void num(unsigned v);  // decimal, no sign, no padding
    // The payload form of byte v: the two lowercase hex digits of 255 - v.
    void hex(unsigned char v) {
        static constexpr char digits[] = "0123456789abcdef";
        if (cap - len < 2) {
            overflow = true;
            return;
        }
        const unsigned char d = static_cast<unsigned char>(255 - v);
        buf[len] = digits[d >> 4];
        buf[len + 1] = digits[d & 15];
        len += 2;
    }
    void reset() {
        len = 0;
        overflow = false;
    }
    bool overflowed() const { return overflow; }
};

}  // namespace tv
