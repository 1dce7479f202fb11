// Opening and closing the link the interface selector names, the same way for every job.
#pragma once
#include <cstdint>

namespace tv {

struct LinkSession {
    bool serial = true;          // interface selector index 0
    unsigned int sock = 0;       // TCP socket
    std::int16_t stage = 0;      // how far tcp_connect got
    bool open = false;

    // Connects with the configured link; returns the link's result (0 connected).
    int connect();
    // Closes what connect opened (serial port, or TCP socket and socket library).
    void disconnect();
};

}  // namespace tv
