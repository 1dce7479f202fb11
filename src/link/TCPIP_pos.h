// The TCP link: the tool is the client of a device listening on gServerName:PortTCP.
// Result codes (common/codes.h): RC_OK, RC_TCP_SOCKET no socket, RC_TCP_RESOLVE address
// not resolved, RC_TCP_CONNECT connection refused or timed out, RC_TCP_SEND send failed,
// RC_DEVICE_ERROR device error reply, RC_NO_REPLY no reply in time, RC_TCP_CLOSE close
// failed.
#pragma once
#include <cstdint>

#include "common/globals.h"

namespace tv {

// mode 1 starts the socket library (version 1.1 where there is one), 0 stops it; traced.
void init_WSADATA(int mode);
// Creates a socket, resolves gServerName and connects to PortTCP within 2 s. stage counts
// the steps that succeeded (socket, address, connection: 3 when connected); a socket that
// did not get connected is closed here and sock set to "no socket". Returns RC_OK,
// RC_TCP_SOCKET, RC_TCP_RESOLVE or RC_TCP_CONNECT.
int tcp_connect(unsigned int& sock, std::int16_t& stage);
// Sends the zero-terminated frame text (traced, logged, appended to SEQ/seq_), then clears
// at most its first 1024 bytes. Returns RC_OK or RC_TCP_SEND.
int tcp_send(unsigned int& sock, char* text);
// Sends length bytes of a cash-register wire frame, then clears the first 1024 bytes of
// frame. Returns RC_OK or RC_TCP_SEND.
int tcp_send_bin(unsigned int& sock, char* frame, int length);
// Collects a printer reply up to ETX (at most 4300 bytes, taken byte by byte so what
// follows stays for the next receive) within RCV_TIMEOUT seconds, and copies it,
// zero-terminated, into reply (which holds 4300). ask: when nothing came in time, ask the
// user whether to wait again; answered "Nie", the "no reply" box follows (outside the scan
// and the test), as on the serial link. Returns RC_OK, RC_DEVICE_ERROR with devErr the device's
// error number (device-error record filled), or RC_NO_REPLY.
int tcp_pos_recive(unsigned int& sock, char* reply, unsigned& devErr, bool ask);
// Receives one stuffed reply frame into frame (2048 bytes; the first 1024 cleared first), giving up after
// RCV_TIMEOUT waits of 700 ms without a byte. Returns RC_OK.
int tcp_recive_bin(unsigned int& sock, char* frame);
// Closes the socket (traced). Returns RC_OK, or RC_TCP_CLOSE when the close failed.
int tcp_disconnect(unsigned int& sock);
// Writes text to the trace pane (the link's own lines).
void tpr(const char* text);

}  // namespace tv
