// The serial link: one open port per process, a text exchange for printer frames and a
// binary exchange for cash-register frames. Result codes (common/codes.h): RC_OK,
// RC_COM_OPEN..RC_COM_SET_TIMEOUTS open and configuration failures, RC_COM_WRITE write
// failure, RC_DEVICE_ERROR device error reply, RC_NO_REPLY no reply in time.
#pragma once
#include "common/globals.h"

namespace tv {

// Opens NR_COM at BAUDRATE_COM (raw 8N1, RTS/CTS, exclusive). echo: trace the port and
// speed. Returns RC_OK, or RC_COM_OPEN..RC_COM_SET_TIMEOUTS for the step that failed (the
// port is then closed again).
int com_connect(bool echo);
// Closes the port if open. echo: trace it.
void com_disconnect(bool echo);
// Writes the zero-terminated frame text; on failure reconnects once and writes again.
// Traces and logs it (and appends it to SEQ/seq_). Returns RC_OK or RC_COM_WRITE. text is
// not changed.
int com_send(char* text);
// Collects a printer reply up to ETX, at most 4300 bytes, while the idle limit
// (RCV_TIMEOUT x TIMEOUT_BASE slices of 50 ms without a byte) lasts; zero bytes are dropped.
// Copies at most 2047 bytes, zero-terminated, into reply (which holds 2048). Returns RC_OK,
// RC_DEVICE_ERROR with devErr the error number after the last tab-"?" (device-error record
// filled), or RC_NO_REPLY (the "no reply" box is shown unless a detection or test runs).
int com_pos_receive(char* reply, unsigned& devErr);
// Writes a cash-register wire frame up to and including its end pair (all 2048 bytes when
// there is none), and puts it on the debug channel. Returns RC_OK or RC_COM_WRITE.
int com_bsend(unsigned char* frame);
// Receives one stuffed reply frame into frame (2048 bytes; the first 1024 cleared first) while the idle
// limit lasts. verbose: trace each byte as it comes.
void com_breceive(unsigned char* frame, bool verbose);

}  // namespace tv
