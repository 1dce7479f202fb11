// Collects one DLE-stuffed cash-register frame from single received bytes, the same way
// for the serial and the TCP link: wire bytes as received, from the accepted 0x10 through
// the closing 0x03, from index 1 of a 2048-byte wire buffer; index 0 gets the count.
#pragma once
#include <cstddef>

#include "codecs/register/stuffing.h"

namespace tv {

class StuffedReceiver {
  public:
    static constexpr int kFirstIndex = 1;
    static constexpr int kLastIndex = 2046;

    // What a byte did; every byte but a Dropped one is stored.
    using Step = KsStuffing::Step;

    // frame: the caller's 2048-byte wire buffer; its first 1024 bytes are cleared.
    explicit StuffedReceiver(unsigned char* frame);

    Step feed(unsigned char b);
    // Room for another byte and no complete frame yet.
    bool wants_more() const { return !done_ && index_ <= kLastIndex; }
    bool done() const { return done_; }
    // Index of the next byte to store (after End: the index of the end byte).
    int index() const { return index_; }
    // How many bytes were stored from index 1 on.
    std::size_t stored() const { return static_cast<std::size_t>(done_ ? index_ : index_ - 1); }

  private:
    unsigned char* frame_;
    KsStuffing reading_;
    int index_ = kFirstIndex;
    bool done_ = false;
};

}  // namespace tv
