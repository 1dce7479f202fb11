// Collects one DLE-stuffed cash-register frame from single received bytes, the same way
// for the serial and the TCP link: wire bytes as received, from the accepted 0x10 through
// the closing 0x03, from index 1 of a 2048-byte wire buffer; index 0 gets the count.
#pragma once
#include <cstddef>

namespace tv {

class StuffedReceiver {
  public:
    static constexpr int kFirstIndex = 1;
    static constexpr int kLastIndex = 2046;

    // What a byte did.
    enum class Step {
        Dropped,  // noise in front of the frame
        Escape,   // a 0x10 that now waits for its second half (stored)
        Start,    // the start byte after an escape (stored)
        Escaped,  // the second half of an escape pair inside the frame (stored)
        Plain,    // an ordinary frame byte (stored)
        End,      // the end byte after an escape: the frame is complete (stored)
    };

    // frame: the caller's 2048-byte wire buffer; its first 1024 bytes are cleared.
    explicit StuffedReceiver(unsigned char* frame);

    Step feed(unsigned char b);
    // Room for another byte and no complete frame yet.
    bool wants_more() const { return !done_ && index_ <= kLastIndex; }
    bool done() const { return done_; }
    // Index of the next byte to store (after End: the index of the end byte).
    int index() const { return index_; }

  private:
    unsigned char* frame_;
    int index_ = kFirstIndex;
    bool escape_ = false;
    bool in_frame_ = false;
    bool done_ = false;
};

}  // namespace tv
