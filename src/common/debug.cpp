// The debug channel: one switch, one sink, standard error by default.
#include "common/debug.h"

#include "common/hex.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace tv {
namespace {

bool env_asks_for_debug() {
    const char* v = std::getenv("TV_DEBUG");
    return v && *v && std::string_view(v) != "0";
}

std::atomic<bool> forced{false};
std::atomic<DebugSink> sink{nullptr};
std::mutex write_lock;  // keeps the lines of two threads apart

}  // namespace

void set_debug(bool on) { forced = on; }

bool debug_on() {
    static const bool from_env = env_asks_for_debug();
    return forced || from_env;
}

void set_debug_sink(DebugSink s) { sink = s; }

void debug_write(std::string_view bytes) {
    if (!debug_on() || bytes.empty()) return;
    std::lock_guard<std::mutex> hold(write_lock);
    if (DebugSink s = sink.load()) {
        s(bytes);
    } else {
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
        std::fflush(stderr);
    }
}

void debug_frame(const char* label, const void* bytes, std::size_t n) {
    if (!debug_on()) return;
    std::string line = std::string(label) + " : " + hex_bytes(static_cast<const unsigned char*>(bytes), n);
    if (!line.empty() && line.back() == ' ') line.pop_back();
    debug_write(line + "\n");
}

void debugf(const char* format, ...) {
    if (!debug_on()) return;
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    debug_write(text);
}

}  // namespace tv
