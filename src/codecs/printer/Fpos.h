// The printer text protocol: the request frame and its checksum, the check that a reply
// answers a command, and the error catalogue (the string matchers come from common/text.h).
#pragma once
#include "codecs/printer/catalogue.h"
#include "common/text.h"  // cmpr1, cmpr2

namespace tv {

constexpr int FINISH_FRAME_SIZE = 4300;
constexpr int MAX_PAYLOAD = 4289;
extern char Finish_Frame[FINISH_FRAME_SIZE];

// Frames a command line (UTF-8) as STX, Windows-1250 payload, '#', CRC, ETX into
// Finish_Frame and returns it. The three characters \LF become one line feed.
char* tarv_frame(const char* command);
// Checksum of the zero-terminated bytes as four upper-case hex digits (out holds 5).
void crc16(const char* text, char* out);
// Low 16 bits of value as four upper-case hex digits and a zero (out holds 5).
void hex_ch(int value, char* out);
// A reply (wire bytes, zero-terminated) fit to be believed for the command line it
// answers: from its last STX, the command's name and a tab, '#', four hex digits that are
// the checksum of the text between, and ETX at its end. Bytes in front of that STX are
// line noise and do not count.
bool reply_answers(const char* reply, const char* command);

// Printer error catalogue: fills the device-error record for code.
void error_id(int code);
// Number of rows in the printer catalogue.
std::size_t printer_error_count();

}  // namespace tv
