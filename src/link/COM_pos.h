// The serial link: one open port per process, a text exchange for printer frames and a
// binary exchange for cash-register frames. Result codes (common/codes.h): 0 success,
// 20..24 open and configuration failures, 25 write failure, 26 device error reply, 27 no
// reply in time.
#pragma once
#include "common/globals.h"

namespace tv {

// Opens NR_COM at BAUDRATE_COM (raw 8N1, RTS/CTS, exclusive). echo: trace the port and
// speed. Returns 0, or 20..24 for the step that failed (the port is then closed again).
int com_connect(bool echo);
// Closes the port if open. echo: trace it.
void com_disconnect(bool echo);
// Writes the zero-terminated frame text; on failure reconnects once and writes again.
// Traces and logs it (and appends it to SEQ/seq_). Returns 0 or 25. text is not changed.
int com_send(char* text);
// Collects a printer reply up to ETX, at most 4300 bytes, while the idle limit
// (RCV_TIMEOUT x TIMEOUT_BASE slices of 50 ms without a byte) lasts; zero bytes are dropped.
// Copies at most 2047 bytes, zero-terminated, into reply (which holds 2048). Returns 0, 26
// with devErr the error number after the last tab-"?" (device-error record filled), or 27
// (the "no reply" box is shown unless a detection or test runs).
int com_pos_receive(char* reply, unsigned& devErr);
// Writes a cash-register wire frame up to and including its end pair (all 2048 bytes when
// there is none). dump: trace the bytes sent. Returns 0 or 25.
int com_bsend(unsigned char* frame, bool dump);
// Receives one stuffed reply frame into frame (2048 bytes; the first 1024 cleared first) while the idle
// limit lasts. verbose: trace each byte as it comes.
void com_breceive(unsigned char* frame, bool verbose);

}  // namespace tv
