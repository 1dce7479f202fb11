// The one reading of DLE-stuffed cash-register bytes, byte by byte: where a frame starts,
// which bytes belong to it, where it ends. The frame parser, both links' receivers and
// every scan for the end pair follow it, so they all agree on where a frame ends.
#pragma once

namespace tv {

constexpr unsigned char KS_DLE = 0x10;
constexpr unsigned char KS_STX = 0x02;
constexpr unsigned char KS_ETX = 0x03;

class KsStuffing {
  public:
    // What a byte is.
    enum class Step {
        Dropped,  // noise in front of the frame
        Escape,   // a 0x10 that now waits for its second half
        Start,    // the start byte after an escape: the frame begins
        Escaped,  // the byte after an escape inside the frame (a doubled 0x10 among them)
        Plain,    // an ordinary frame byte
        End,      // the end byte after an escape: the frame is complete
    };

    // inside: the bytes are read as inside a frame already, so no start pair is looked for.
    explicit KsStuffing(bool inside = false) : inside_(inside) {}

    // Bytes in front of the start pair are Dropped, and a pending 0x10 stays pending
    // through them until a 0x02 comes. Inside the frame a 0x10 is an Escape and the byte
    // after it Escaped (a second 0x10 too: a doubled 0x10 stands for one), unless it is the
    // 0x03 of the end pair.
    Step feed(unsigned char b);

  private:
    bool escape_ = false;
    bool inside_;
};

// Index of the end byte (0x03) of the first end pair among wire[from..size), the bytes read
// as inside a frame; -1 when there is none.
int ks_end_pair(const unsigned char* wire, int from, int size);

}  // namespace tv
