// The byte state machine of the stuffed cash-register frame.
#include "link/stuffed_receiver.h"

#include <cstring>

namespace tv {

StuffedReceiver::StuffedReceiver(unsigned char* frame) : frame_(frame) { std::memset(frame_, 0, 1024); }

StuffedReceiver::Step StuffedReceiver::feed(unsigned char b) {
    if (!wants_more()) return Step::Dropped;
    if (b == 0x10 && !escape_) {
        // Stored even in front of the frame: the pair it may open is the start.
        escape_ = true;
        frame_[index_++] = b;
        return Step::Escape;
    }
    if (!in_frame_) {
        if (b != 0x02 || !escape_) return Step::Dropped;  // noise keeps a pending escape
        frame_[index_++] = b;
        in_frame_ = true;
        escape_ = false;
        return Step::Start;
    }
    if (escape_ && b == 0x03) {
        frame_[index_] = b;
        frame_[0] = static_cast<unsigned char>(index_ & 0xFF);
        done_ = true;
        return Step::End;
    }
    frame_[index_++] = b;
    if (escape_) {
        escape_ = false;
        return Step::Escaped;
    }
    return Step::Plain;
}

}  // namespace tv
