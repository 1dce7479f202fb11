// Pieces the serial and the TCP text exchange share: trace and log lines, and the error
// field of a printer reply.
#pragma once
#include <cstddef>
#include <string_view>

namespace tv {

// A line of the link's own (UTF-8) to the trace pane and the log.
void trace_log(std::string_view utf8);
// Wire bytes (Windows-1250) to the trace pane as text.
void trace_wire(std::string_view wire);
// Index of the "?" of a tab-"?" pair (the error field) in reply: the first or the last
// pair; std::string_view::npos when there is none.
enum class ErrorField { First, Last };
std::size_t error_field(std::string_view reply, ErrorField which);
// Reads the error number written after the "?" at text[q] (at most five decimal digits,
// ended by the first non-digit or by len), fills the device-error record from the printer
// catalogue and writes the error line to the trace pane and the log. Returns the number.
unsigned report_error_field(const char* text, std::size_t len, std::size_t q);
// Clears the caller's buffer over cap bytes and copies at most cap-1 bytes of reply into
// it, terminated.
void copy_reply(char* dst, std::size_t cap, std::string_view reply);

}  // namespace tv
