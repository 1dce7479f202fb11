// The cash-register graphic upload: opens the slot with the picture's size, sends the
// payload in blocks of 256 bytes as they fill, and asks for the report when wanted.
#include <cstring>

#include "codecs/printer/catalogue.h"
#include "commands/register/prt_ks.h"
#include "common/globals.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "image/graphic_record.h"
#include "image/uploads.h"
#include "ui/Controls.h"
#include "ui/trace.h"

namespace tv {

namespace {

constexpr int REGISTER_BLOCK = 256;  // payload bytes per data command (512 hex digits)
constexpr std::size_t BLOCK_TEXT = 2048;

// The progress bar follows c x 50 div N. Only changes reach the face: the bar would show
// the same position anyway, and each call is a round trip to the window thread.
struct Progress {
    std::uint64_t n;
    int last = -1;
    void at(std::uint64_t c) {
        // A picture of height 0 has no bytes to count: the bar goes straight to the end.
        const int pos = n == 0 ? 100 : static_cast<int>(c * 50 / n);
        if (pos == last) return;
        last = pos;
        set_progress(pos);
    }
};

}  // namespace

unsigned prepare_gr_2(unsigned int& socket) {
    const auto slot = static_cast<unsigned char>(sel(gComb_Slot) + 1);
    char block[BLOCK_TEXT] = {};

    const std::string name = gr_filename();
    GrHeader hdr;
    const Result code = gr_check_for_upload(name, hdr);
    // The size this upload read (a check thread may move Gr_xmax/Gr_ymax meanwhile); the
    // last known size when the file did not open.
    g_Grafika.width = code == GR_CANNOT_OPEN ? Gr_xmax.load() : hdr.W;
    g_Grafika.height = code == GR_CANNOT_OPEN ? Gr_ymax.load() : hdr.H;
    g_Grafika.slot = slot;
    if (code != RC_OK) return static_cast<unsigned>(code);

    std::ifstream f;
    char iobuf[8192];
    if (!gr_open(f, name, iobuf, sizeof iobuf)) {
        // Passed the check a moment ago but gone now: nothing has been sent yet.
        gr_report_open_failure(name);
        return GR_CANNOT_OPEN;
    }

    int r = KS_IMGSLOTSET(socket, slot, g_Grafika.width, g_Grafika.height);
    if (r != RC_OK) return static_cast<unsigned>(r);

    const RowGeometry g = row_geometry(hdr.W);
    gr_trace_geometry(hdr.W, hdr.H, g);
    GrGrid grid;  // 51,200 bytes on the worker's stack, for this call only
    gr_load(f, hdr, grid);

    const std::uint64_t n = static_cast<std::uint64_t>(hdr.H) * static_cast<std::uint64_t>(g.S);
    Progress progress{n};
    std::uint64_t c = n + 1;  // every grid byte read, plus one
    progress.at(c);

    int m = 0;
    TextCursor text{block, BLOCK_TEXT - 1};
    const bool sent_all = gr_walk(grid, g, hdr.H, [&](unsigned char v, bool payload) {
        if (payload) {
            if (m == REGISTER_BLOCK) {
                if (job_abort) {  // the user stopped the tool: end after the last exchange
                    r = RC_STOPPED;
                    return false;
                }
                r = KS_IMGSLOTAPPEND(socket, slot, block);
                if (r != RC_OK) return false;
                std::memset(block, 0, BLOCK_TEXT);
                text.reset();
                m = 0;
            }
            text.hex(v);
            ++m;
        }
        progress.at(++c);
        return true;
    });
    if (!sent_all) return static_cast<unsigned>(r);  // a refused block ends the upload

    if (block[0] != 0) r = KS_IMGSLOTAPPEND(socket, slot, block);
    // The report is asked for even when the last block was refused (but not after a failed
    // line, on which nothing more is sent); its own answer is not part of the result.
    if (checked(gCheck_Print) && !(r != RC_OK && ks_line_fault(ERR_NR))) KS_REPPROGIMG(socket, slot);
    return static_cast<unsigned>(r);
}

}  // namespace tv
