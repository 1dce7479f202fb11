// The preparers of the printer command streams for clearing, header and footer, and the
// report, and the composer of device-error messages.
#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "common/text.h"
#include "jobs/preparers.h"
#include "ui/Controls.h"

namespace tv {
namespace {

void write_seq(const std::string& text) {
    std::memset(seq_tab, 0, SEQ_TAB_SIZE);
    copy_bounded(seq_tab, SEQ_TAB_SIZE, text);
}

}  // namespace

void prepare_clear() {
    const int index = sel(gComb_Slot);
    std::string seq = "prncancel\t\n";
    auto slot_line = [](int slot) { return "imgslotset\tno" + std::to_string(slot) + "\twx1\thx1\n"; };
    if (index == 6) {
        for (int slot = 1; slot <= 6; ++slot) seq += slot_line(slot);
    } else if (index >= 0 && index < 6) {
        seq += slot_line(index + 1);
    }
    write_seq(seq);
}

void prepare_set() {
    std::string seq = "prncancel\t\n";
    seq += "imgheaderset\tno" + std::to_string(sel(gComb_GrHdr)) + "\n";
    seq += "imgfooterset\tno" + std::to_string(sel(gComb_GrFoot)) + "\n";
    if (checked(gCheck_TestPrint)) {
        seq += "formstart\tfn200\tfh84\talW Y D R U K   T E S T O W Y\t\n";
        for (int i = 0; i < 5; ++i)
            seq += "formline\tfn200\tfl706\ts1test \\LFtest  test  test  test  test  test  test\n";
        seq += "formend\tfn200\t\n";
    }
    write_seq(seq);
}

void prepare_rep() {
    const int index = sel(gComb_Rep);
    std::string seq = "prncancel\t\n";
    if (index == 6)
        seq += "imgrep\n";
    else
        seq += "imgprogrep\tno" + std::to_string(index + 1) + "\t\n";
    write_seq(seq);
}

void err_message(const char* context, char* out, unsigned code) {
    constexpr std::size_t cap = 512;
    out[0] = 0;
    if (cmpr1(context, "imgslotset\tno")) {
        append_bounded(out, cap, "Wystąpił błąd podczas modyfikowania grafiki nr ");
        const char digit[2] = {context[13], 0};
        append_bounded(out, cap, digit);
        append_bounded(out, cap, ".\n\n");
    } else if (cmpr1(context, "imgheaderset")) {
        append_bounded(out, cap, "Wystąpił błąd podczas ustawiania grafiki w nagłówku.\n\n");
    } else if (cmpr1(context, "imgfooterset")) {
        append_bounded(out, cap, "Wystąpił błąd podczas ustawiania grafiki w stopce.\n\n");
    } else {
        append_bounded(out, cap, "Wystąpił błąd podczas innej czynności!\n\n");
    }
    append_bounded(out, cap, ERR_OPIS);
    append_bounded(out, cap, "\n\nBŁĄD : ");
    append_bounded(out, cap, std::to_string(code));
    append_bounded(out, cap, " ");
    append_bounded(out, cap, ERR_MNEMONIK);
}

}  // namespace tv
