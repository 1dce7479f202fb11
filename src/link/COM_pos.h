// The serial link: one open port per process, a text exchange for printer frames and a
// binary exchange for cash-register frames. Result codes: 0 success, 20..24 open and
// configuration failures, 25 write failure, 26 device error reply, 27 no reply in time.
#pragma once
#include "common/globals.h"

namespace tv {

int com_connect(bool echo);
void com_disconnect(bool echo);
int com_send(char* text);
int com_pos_receive(char* reply, unsigned& devErr);
int com_bsend(unsigned char* frame, bool dump);
void com_breceive(unsigned char* frame, bool verbose);

}  // namespace tv
