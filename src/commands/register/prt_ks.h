// The cash-register binary protocol: the frame and codecs (ks_frame.h), the command
// exchange and the register's commands.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/register/ks_frame.h"

namespace tv {

// One request and one reply over the link chosen by the interface selector (0 serial,
// otherwise Ethernet). Returns RC_OK for a success reply to the request's command,
// RC_DEVICE_ERROR for an error reply, no reply, a cut or corrupted one or one for another
// command (the device-error record is then filled).
// verbose: trace each byte received over the serial link. link: the link to use instead of
// the selected one (the network scan asks over TCP whatever the selector shows).
struct LinkOps;
int ks_exchange(unsigned int& socket, KS_FRM& request, KS_FRM& reply, bool verbose = false,
                const LinkOps* link = nullptr);

// The values of an error reply as they are shown: an "ERRORS : " heading, then one value a
// line; eol opens the heading and ends every line.
std::string ks_errors_text(const std::vector<std::uint16_t>& values, const char* eol);

// The error half of the exchange: traces the V values, fills the device-error record
// (code KS_NO_REPLY when nothing at all was received) and returns RC_DEVICE_ERROR.
int ks_error_reply(const KS_FRM& reply);

// A reply that did not come whole or came corrupted: traces it, fills the device-error
// record (KS_NO_REPLY or KS_REPLY_CRC) and returns RC_DEVICE_ERROR. RC_OK for a whole,
// sound reply.
int ks_unusable_reply(const KS_FRM& reply);

// Graphic and status commands: RC_OK accepted, RC_DEVICE_ERROR refused (device-error
// record filled).
// The status read: model name (20) and version (5) from the model code; unique (when
// given, 13): the unique number the register states; link as for ks_exchange.
int KS_CASHREGSTATUSGET(unsigned int& socket, char* name, char* version, char* unique = nullptr,
                        const LinkOps* link = nullptr);
int KS_IMGSLOTSET(unsigned int& socket, unsigned char slot, unsigned short width, unsigned short height);
int KS_IMGSLOTAPPEND(unsigned int& socket, unsigned char slot, char* data);
int KS_IMGSLOTCLEAR(unsigned int& socket, unsigned char slot);
int KS_IMGHEADERSET(unsigned int& socket, unsigned char graphic, unsigned char second);
int KS_IMGFOOTERSET(unsigned int& socket, unsigned char graphic, unsigned char second);
int KS_REPIMG(unsigned int& socket);
int KS_REPPROGIMG(unsigned int& socket, unsigned char slot);

// Configuration writes over the open serial link (RC_DEVICE_ERROR without sending when
// Ethernet is selected).
int KS_CUSTOMERTINLIMITSET();
int KS_DISCNTSUMMARYPRINTOUTCFGSET();
int KS_HOTKEYBACKUPINS();
int KS_REMINDERSET(const char* a, const char* b, unsigned char c, unsigned char d, unsigned short e,
                   unsigned char f, unsigned char g);
// A payment-out description write that traces the raw reply bytes.
void KS_CASHOUTDESCINS(unsigned int& socket);
// Reads over a serial connection of their own. The read commands return RC_OK for a
// success reply and RC_READ_REFUSED for an error reply; a record whose number falls
// outside the caller's table (table_len entries) is dropped.
int KS_PLUREAD(unsigned int plu, KS_PLU* table, unsigned int table_len);
int KS_PAYFORMREAD(unsigned int n, KS_PAYFORM* table, unsigned int table_len);
void KS_CASHREGSTATUSGET();
void KS_PLUSTATREADBYBARCODE(KS_PLUBSTS& rec, bool);
void KS_PAYFORMSTATREAD(KS_PAYFORM& rec, bool);
void KS_CNTXPLUINIT();
void KS_CNTXPAYFORMINIT();
// The VAT rate assignment into tvat, over the open link.
void KS_VATGET(unsigned int& socket);

}  // namespace tv
