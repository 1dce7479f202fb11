// Hexadecimal digits as both protocols write them: a byte as two lowercase digits, and the
// value of one digit when reading them back.
#pragma once
#include <cstddef>
#include <string>

namespace tv {

// Two lowercase hex digits of b in a per-thread buffer, overwritten by the next call.
char* hexch2(unsigned char b);
// The n bytes at p as a dump line: each byte's two lowercase digits followed by a space.
std::string hex_bytes(const unsigned char* p, std::size_t n);
// Value of one hex digit (either case), or -1 for any other character.
int hex_value(char c);

}  // namespace tv
