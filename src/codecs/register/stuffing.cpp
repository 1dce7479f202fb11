// The byte reading of stuffed cash-register frames.
#include "codecs/register/stuffing.h"

namespace tv {

KsStuffing::Step KsStuffing::feed(unsigned char b) {
    if (b == KS_DLE && !escape_) {
        escape_ = true;
        return Step::Escape;
    }
    if (!inside_) {
        if (b != KS_STX || !escape_) return Step::Dropped;  // noise keeps a pending escape
        inside_ = true;
        escape_ = false;
        return Step::Start;
    }
    if (escape_ && b == KS_ETX) return Step::End;
    if (escape_) {
        escape_ = false;
        return Step::Escaped;
    }
    return Step::Plain;
}

int ks_end_pair(const unsigned char* wire, int from, int size) {
    KsStuffing reading(true);
    for (int i = from; i < size; ++i)
        if (reading.feed(wire[i]) == KsStuffing::Step::End) return i;
    return -1;
}

}  // namespace tv
