// The debug channel: the core's diagnostic dumps (frames byte by byte, catalogue look-ups,
// records read). Off by default; on with a face's --debug or TV_DEBUG=1 in the environment.
// It writes to standard error unless a face routes it elsewhere (the window's trace pane).
#pragma once
#include <cstddef>
#include <string_view>

namespace tv {

void set_debug(bool on);
// On when set_debug(true) was called, or when TV_DEBUG is set to anything but "" or "0".
bool debug_on();

// Where the channel's text goes; nullptr restores standard error.
using DebugSink = void (*)(std::string_view text);
void set_debug_sink(DebugSink sink);

// Formats like printf and writes when the channel is on; nothing otherwise. MinGW checks
// the format as its own standard printf does (%zu included), not as the old runtime's.
#ifdef __MINGW_PRINTF_FORMAT
#define TV_DEBUGF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define TV_DEBUGF_FORMAT printf
#endif
void debugf(const char* format, ...) __attribute__((format(TV_DEBUGF_FORMAT, 1, 2)));
// Writes bytes as they are when the channel is on.
void debug_write(std::string_view bytes);
// One frame of either protocol, as it went over the line, on one line of hex digits
// ("Send : 02 73 ... 03"): its bytes are control codes and Windows-1250, never for a terminal.
void debug_frame(const char* label, const void* bytes, std::size_t n);

}  // namespace tv
