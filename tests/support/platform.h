// What a test may rely on from the system it runs on. Cases that need a POSIX facility
// (signals, symbolic links as port names) begin with TV_POSIX_ONLY, so on Windows they are
// reported as skipped, with the reason, instead of left out. Cases that need a serial line
// (a pseudo-terminal) begin with TV_NEEDS_PTY: a Windows build gets one from the host when
// it runs under Wine (support/host_serial.h) and skips, with the reason, without one.
// Where Wine's serial emulation differs from Windows, a case is written for Windows and
// skips under Wine only, with TV_WINE_DIFFERS and the reason.
#pragma once
#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#define TV_POSIX_ONLY(reason) GTEST_SKIP() << "POSIX only: " << (reason)
#define TV_NEEDS_PTY()                                                                            \
    do {                                                                                          \
        std::string tv_why_;                                                                      \
        if (!::tv::test::host::available(tv_why_)) GTEST_SKIP() << "no serial line: " << tv_why_; \
    } while (0)
#define TV_WINE_DIFFERS(reason)                                                                  \
    do {                                                                                         \
        if (::tv::test::under_wine()) GTEST_SKIP() << "Wine differs from Windows: " << (reason); \
    } while (0)
#else
#define TV_POSIX_ONLY(reason) static_cast<void>(0)
#define TV_NEEDS_PTY() static_cast<void>(0)
#define TV_WINE_DIFFERS(reason) static_cast<void>(0)
#endif

namespace tv::test {
#ifdef _WIN32
// True when this Windows program runs under Wine.
bool under_wine();
namespace host {
bool available(std::string& why);  // support/host_serial.h
}
#endif

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// Lines as a text file of this system holds them: "\n" becomes CR LF on Windows.
inline std::string native_lines(const std::string& lf_text) {
    if (!kWindows) return lf_text;
    std::string out;
    for (char c : lf_text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}
}  // namespace tv::test
