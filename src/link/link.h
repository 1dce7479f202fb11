// The two links behind one table: serial (COM_pos.h) and TCP (TCPIP_pos.h). The interface
// selector chooses the table once per job; everything after that calls through it, so
// no other piece asks which link is in use.
#pragma once
#include <cstdint>

namespace tv {

// Plain function pointers, one entry per operation a job or a command needs. sock is the
// TCP socket (unused by the serial link, which keeps its one port process-wide); stage is
// how far tcp_connect got. Results are the links' own codes (RC_OK success).
struct LinkOps {
    bool serial;
    int (*open)(unsigned int& sock, std::int16_t& stage);
    void (*close)(unsigned int& sock, std::int16_t stage);
    // A printer frame out; the reply (wire bytes, at most 4300) into reply, the device's
    // error number into devErr. ask: over TCP, offer to wait again when the reply is late.
    int (*send_text)(unsigned int& sock, char* frame);
    int (*receive_text)(unsigned int& sock, char* reply, unsigned& devErr, bool ask);
    // A cash-register wire frame out (length bytes; the serial link finds the end pair
    // itself); the reply frame into frame (2048 bytes). verbose: trace each byte received.
    int (*send_frame)(unsigned int& sock, unsigned char* frame, int length);
    int (*receive_frame)(unsigned int& sock, unsigned char* frame, bool verbose);
    // Drops what the device sent and nobody read (a late reply to an earlier request, left
    // on a serial port), so that the next reply read is the one to the next request.
    void (*drop_input)(unsigned int& sock);
};

extern const LinkOps serial_link;
extern const LinkOps tcp_link;

// The table the interface selector names (index 0 serial, any other TCP).
const LinkOps& selected_link();

// Opening and closing the selected link, the same way for every job.
struct LinkSession {
    const LinkOps* ops = &serial_link;
    unsigned int sock = 0;
    std::int16_t stage = 0;
    bool open = false;

    bool serial() const { return ops->serial; }
    // Chooses the link from the interface selector and connects; returns the link's result
    // (RC_OK connected).
    int connect();
    // Closes what connect opened (serial port, or TCP socket and socket library).
    void disconnect();
};

}  // namespace tv
