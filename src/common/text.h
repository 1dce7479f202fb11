// Text helpers shared by the whole core: UTF-8 <-> Windows-1250 conversion at the wire
// boundary, and bounded copies into the fixed-size character buffers the system keeps.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace tv {

// UTF-8 text -> Windows-1250 bytes. Characters without a Windows-1250 form become '?'.
std::string to_cp1250(std::string_view utf8);
// Windows-1250 bytes -> UTF-8 text. Unassigned bytes become '?'.
std::string from_cp1250(std::string_view bytes);

// Wide text (UTF-16 where wchar_t has 16 bits, as on Windows; UTF-32 elsewhere) -> UTF-8.
// A lone surrogate becomes U+FFFD.
std::string utf8_of_wide(std::wstring_view wide);
// UTF-8 -> wide text, for the wide-character calls of a Windows face. Each byte of a
// sequence that is no character (cut, overlong, a surrogate, past U+10FFFF) becomes U+FFFD,
// as to_cp1250 reads it.
std::wstring wide_of_utf8(std::string_view utf8);

// Copies at most cap-1 bytes of src into dst and terminates it (cap >= 1). Returns the
// number of bytes copied. Never reads src past its terminating zero.
std::size_t copy_bounded(char* dst, std::size_t cap, const char* src);
std::size_t copy_bounded(char* dst, std::size_t cap, std::string_view src);
// Appends src to the zero-terminated text in dst, never writing past dst[cap-1].
void append_bounded(char* dst, std::size_t cap, std::string_view src);

template <std::size_t N>
std::size_t copy_to(char (&dst)[N], std::string_view src) {
    return copy_bounded(dst, N, src);
}
template <std::size_t N>
void append_to(char (&dst)[N], std::string_view src) {
    append_bounded(dst, N, src);
}

// The value of a text of decimal digits only (no sign, no spaces). False, value untouched,
// for an empty text, any other character, or a number too large for a long long: never a throw.
bool decimal_value(std::string_view text, long long& value);

// text begins with prefix.
bool cmpr1(const char* text, const char* prefix);
// a and b are equal.
bool cmpr2(const char* a, const char* b);

// Joins the start-up directory and a relative path with the platform separator.
std::string path_join(std::string_view dir, std::string_view rel);

}  // namespace tv
