// One simulated device as the server sees it: it cuts request frames out of the received
// bytes and answers them. The printer and the cash register each implement it.
#pragma once
#include <functional>
#include <string>
#include <utility>

#include "slot_store.h"

namespace tv::sim {

struct Options;

using Bytes = std::string;  // raw bytes on the wire

// Called with the slot number (0: only the header/footer) after a successful change of
// the graphic memory, so the picture files can follow.
using ChangeHook = std::function<void(int slot)>;

class Device {
  public:
    virtual ~Device() = default;

    // Takes one received byte; true when it completed a request frame (then in frame()).
    virtual bool feed(unsigned char b) = 0;
    const Bytes& frame() const { return frame_; }
    // The line broke: a half-received frame is forgotten.
    virtual void reset_input() = 0;

    // The reply to a request; the device acts on it.
    virtual Bytes answer(const Bytes& request) = 0;
    // A refusal of the request with this error number; the device does not act on it.
    virtual Bytes refuse(const Bytes& request, int code) = 0;
    // The same reply with a checksum that no longer matches.
    virtual Bytes corrupt_checksum(const Bytes& reply) = 0;
    // A request frame without fields for the command named on the command line (printer:
    // its name; cash register: its CMD_ID in decimal), to answer another command's request.
    virtual Bytes request_for(const std::string& command) const = 0;

  protected:
    Device(const Options& options, SlotStore& store, ChangeHook changed)
        : options_(options), store_(store), changed_(std::move(changed)) {}

    Bytes frame_;
    const Options& options_;  // the command line's settings
    SlotStore& store_;        // the graphic memory
    ChangeHook changed_;      // told of every change of the graphic memory
};

}  // namespace tv::sim
