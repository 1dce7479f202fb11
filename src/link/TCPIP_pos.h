// The TCP link: the tool is the client of a device listening on gServerName:PortTCP.
// Result codes (common/codes.h): 0 success, 50 no socket, 51 address not resolved, 52
// connection refused or timed out, 53 send failed, 26 device error reply, 27 no reply in
// time, 69 close failed.
#pragma once
#include <cstdint>

#include "common/globals.h"

namespace tv {

// mode 1 starts the socket library (version 1.1 where there is one), 0 stops it; traced.
void init_WSADATA(int mode);
// Creates a socket, resolves gServerName and connects to PortTCP within 2 s. stage counts
// the steps that succeeded (socket, address, connection: 3 when connected); a socket that
// did not get connected is closed here and sock set to "no socket". Returns 0, 50, 51 or 52.
int tcp_connect(unsigned int& sock, std::int16_t& stage);
// Sends the zero-terminated frame text (traced, logged, appended to SEQ/seq_), then clears
// at most its first 1024 bytes. Returns 0 or 53.
int tcp_send(unsigned int& sock, char* text);
// Sends length bytes of a cash-register wire frame, then clears the first 1024 bytes of
// frame. Returns 0 or 53.
int tcp_send_bin(unsigned int& sock, char* frame, int length);
// Collects a printer reply up to ETX (at most 4300 bytes, taken byte by byte so what
// follows stays for the next receive) within RCV_TIMEOUT seconds, and copies it,
// zero-terminated, into reply (which holds 4300). ask: when nothing came in time, ask the
// user whether to wait again. Returns 0, 26 with devErr the device's error number
// (device-error record filled), or 27.
int tcp_pos_recive(unsigned int& sock, char* reply, unsigned& devErr, bool ask);
// Receives one stuffed reply frame into frame (2048 bytes; the first 1024 cleared first), giving up after
// RCV_TIMEOUT waits of 700 ms without a byte. Returns 0.
int tcp_recive_bin(unsigned int& sock, char* frame);
// Closes the socket (traced). Returns 0, or 69 when the close failed.
int tcp_disconnect(unsigned int& sock);
// Writes text to the trace pane (the link's own lines).
void tpr(const char* text);

}  // namespace tv
