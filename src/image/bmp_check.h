// The BMP check: the size limits, the little-endian reads and the check of the chosen
// picture (gr_check, and bmp_check, run when a file is chosen). Its result codes are the
// GR_ values of common/codes.h.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

#include "common/codes.h"

namespace tv {

// The code tells of a picture the check refused (its message has been shown).
constexpr bool gr_refused(unsigned code) { return code >= GR_CANNOT_OPEN && code <= GR_ONE_DOT; }

constexpr int GR_MAX_SIZE = 640;       // largest width and height accepted
constexpr int GR_REGISTER_SIZE = 384;  // largest size a cash register takes (warning only)
constexpr std::size_t GR_MSG_SIZE = 1024;

// Little-endian reads from an open file: four bytes, two bytes, one byte. Bytes that the
// stream cannot deliver count as 0.
std::uint32_t fdword(std::basic_ifstream<char, std::char_traits<char> >& f);
std::uint16_t tdword(std::basic_ifstream<char, std::char_traits<char> >& f);
unsigned char uget(std::basic_ifstream<char, std::char_traits<char> >& f);

// Checks the chosen picture (GrFilename). offset and polarity (0, or 2 when colour 0 is
// light and the pixel bytes are inverted) receive the header values, Gr_xmax/Gr_ymax the
// size, all only when the file opened. Failure messages are appended to msg (a zeroed text
// of GR_MSG_SIZE chars).
int gr_check(unsigned int& offset, unsigned int& polarity, char* msg);

// The check's refusal of a picture of one dot (it would clear the slot).
const char* gr_one_dot_message();

// The check of a newly chosen file, run on a short thread of its own: updates PaintBMP,
// the file field and the preview, and shows what is wrong with the file.
void bmp_check();

}  // namespace tv
