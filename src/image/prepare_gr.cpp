// The printer graphic sequence: the chosen picture as "imgslotset" / "imgslotappend" lines
// of at most 512 payload bytes, built into seq_tab before anything is sent.
#include <cstring>

#include "common/globals.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "image/uploads.h"
#include "ui/Controls.h"

namespace tv {

namespace {
constexpr int PRINTER_BLOCK = 512;  // payload bytes per printer data line
}  // namespace

void prepare_gr() {
    const unsigned slot = static_cast<unsigned>(sel(gComb_Slot) + 1);
    std::memset(seq_tab, 0, SEQ_TAB_SIZE);

    const std::string name = gr_filename();
    GrHeader hdr;
    if (gr_check_for_upload(name, hdr) != RC_OK) return;

    std::ifstream f;
    char iobuf[8192];
    if (!gr_open(f, name, iobuf, sizeof iobuf)) {
        // Passed the check a moment ago but gone now: say so rather than send nothing silently.
        gr_report_open_failure(name);
        return;
    }

    // One byte of seq_tab always stays zero: it ends the text.
    TextCursor seq{seq_tab, SEQ_TAB_SIZE - 1};
    seq.put("prncancel\t\n");
    seq.put("imgslotset\tno");
    seq.num(slot);
    seq.put("\twx");
    seq.num(hdr.W);
    seq.put("\thx");
    seq.num(hdr.H);
    seq.put("\ttx");

    const RowGeometry g = row_geometry(hdr.W);
    gr_trace_geometry(hdr.W, hdr.H, g);
    GrGrid grid;  // 51,200 bytes on the worker's stack, for this call only
    gr_load(f, hdr, grid);

    int block = 0;
    gr_walk(grid, g, hdr.H, [&](unsigned char v, bool payload) {
        if (!payload) return true;
        if (block == PRINTER_BLOCK) {
            seq.put("\t\nimgslotappend\tno");
            seq.num(slot);
            seq.put("\ttx");
            block = 0;
        }
        seq.hex(v);
        ++block;
        return true;
    });
    seq.put("\t\n");
    if (checked(gCheck_Print)) {
        seq.put("imgprogrep\tno");
        seq.num(slot);
        seq.put("\t\n");
    }
    // Cannot happen for an accepted picture (the largest needs under half the buffer), but
    // a cut sequence must never reach the printer.
    if (seq.overflowed()) std::memset(seq_tab, 0, SEQ_TAB_SIZE);
}

}  // namespace tv
