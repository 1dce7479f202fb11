// The TCP link: the tool is the client of a device listening on gServerName:PortTCP.
// Result codes: 0 success, 50 no socket, 51 address not resolved, 52 connection refused or
// timed out, 53 send failed, 26 device error reply, 27 no reply in time, 69 close failed.
#pragma once
#include <cstdint>

#include "common/globals.h"

namespace tv {

void init_WSADATA(int mode);
int tcp_connect(unsigned int& sock, std::int16_t& stage);
int tcp_send(unsigned int& sock, char* text);
int tcp_send_bin(unsigned int& sock, char* frame, int length);
int tcp_pos_recive(unsigned int& sock, char* reply, unsigned& devErr, bool ask);
int tcp_recive_bin(unsigned int& sock, char* frame);
int tcp_disconnect(unsigned int& sock);
void tpr(const char* text);

}  // namespace tv
