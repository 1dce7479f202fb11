// What a test may rely on from the system it runs on. Cases that need a POSIX facility
// (pseudo-terminals, signals, symbolic links as port names) begin with TV_POSIX_ONLY, so
// on Windows they are reported as skipped, with the reason, instead of left out.
#pragma once
#include <gtest/gtest.h>

#ifdef _WIN32
#define TV_POSIX_ONLY(reason) GTEST_SKIP() << "POSIX only: " << (reason)
#else
#define TV_POSIX_ONLY(reason) static_cast<void>(0)
#endif

#include <string>

namespace tv::test {
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
