// The lines of a program's --help that describe its options: the option as typed, then what
// it does, every text starting at one column.
#pragma once
#include <cstddef>
#include <string>

namespace tv {

// "  " + shown, padded with blanks to column characters (at least one blank), + text + "\n";
// a line break in text goes on under the text's column. Widths count UTF-8 characters.
std::string help_line(const char* shown, const char* text, std::size_t column);

}  // namespace tv
