// The stuffed cash-register frame, collected byte by byte.
#include "link/stuffed_receiver.h"

#include <cstring>

namespace tv {

StuffedReceiver::StuffedReceiver(unsigned char* frame) : frame_(frame) { std::memset(frame_, 0, 1024); }

StuffedReceiver::Step StuffedReceiver::feed(unsigned char b) {
    if (!wants_more()) return Step::Dropped;
    // A 0x10 is stored even in front of the frame: the pair it may open is the start.
    const Step step = reading_.feed(b);
    if (step == Step::Dropped) return step;
    if (step == Step::End) {
        frame_[index_] = b;
        frame_[0] = static_cast<unsigned char>(index_ & 0xFF);
        done_ = true;
        return step;
    }
    frame_[index_++] = b;
    return step;
}

}  // namespace tv
