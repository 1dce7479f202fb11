// The serving loop: takes bytes from the transport, lets the device cut and answer request
// frames, logs every request, and injects the faults the options ask for.
#pragma once
#include <atomic>
#include <cstdio>

#include "device.h"
#include "options.h"
#include "request_log.h"
#include "transport.h"

namespace tv::sim {

class Server {
  public:
    // notices: where lines for the controlling script go (a re-opened pty).
    Server(const Options& options, Transport& transport, Device& device, RequestLog& log, std::FILE* notices);

    // Serves one peer after another until stop is set.
    void run(const std::atomic<bool>& stop);

  private:
    // Handles request number k; false when the line to the peer was broken.
    bool handle(CommandNo k, const Bytes& request, const std::atomic<bool>& stop);
    void send(const Bytes& bytes, const std::atomic<bool>& stop);
    // Breaks the line to the peer (drop, or reset) and announces a re-opened pty; false.
    bool break_line(CommandNo k, bool reset);

    const Options& options_;
    Transport& transport_;
    Device& device_;
    RequestLog& log_;
    std::FILE* notices_;
    CommandNo count_ = 0;
    Bytes last_reply_;  // the reply meant for the previous command (stale replies)
    bool have_last_ = false;
};

// Sleeps ms milliseconds in short slices; returns false early once stop is set.
bool sleep_unless(const std::atomic<bool>& stop, int ms);

}  // namespace tv::sim
