// Printer identity and status commands: fiscal mode and unique number (scomm), type name
// and firmware version (sid), device status (!sdev). Each is one frame and one reply on a
// link the caller has opened.
#pragma once

namespace tv {

int p_scomm(char* unique);  // unique: 13 chars
int tcp_p_scomm(char* unique, unsigned int& sock);
int p_sid(char* name, char* version);  // name: 32, version: 10
int tcp_p_sid(char* name, char* version, unsigned int& sock);
// RC_STATUS_BASE + status; RC_WRONG_REPLY for a reply to another command or one without a
// numeric ds field; the link's code on a failure. Every read here first drops what the link
// holds unread, and takes only a reply that answers its own command (else RC_WRONG_REPLY).
int p_sdev();
// Unique number, then type name and version, over the given link; RC_OK, or stops at the first
// failure and returns its code. ask: over TCP, offer to wait again when the type reply is late
// (the network scan never asks).
struct LinkOps;
int printer_identity(const LinkOps& link, unsigned int& sock, char* unique, char* name, char* version,
                     bool ask = true);

}  // namespace tv
