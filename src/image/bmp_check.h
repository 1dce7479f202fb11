// The BMP check: result codes, the size limits, the little-endian reads and the check of
// the chosen picture (gr_check, and bmp_check, run when a file is chosen).
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

namespace tv {

// Result codes of the check (0 passed).
constexpr int GR_OK = 0;
constexpr int GR_CANNOT_OPEN = 1;  // message already shown by the check
constexpr int GR_TOO_WIDE = 2;
constexpr int GR_TOO_HIGH = 3;
constexpr int GR_NOT_MONO = 4;
constexpr int GR_NO_DATA = 5;     // header cut short, or the pixel area misplaced or cut short
constexpr int GR_NOT_BMP = 6;     // no "BM" signature, or a header of no known size
constexpr int GR_COMPRESSED = 7;  // a one-bit picture stored compressed
constexpr int GR_STOPPED = 888;   // the upload was stopped on request (nothing more sent)

// The code tells of a picture the check refused (its message has been shown).
constexpr bool gr_refused(unsigned code) { return code >= GR_CANNOT_OPEN && code <= GR_COMPRESSED; }

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

// The check of a newly chosen file, run on a short thread of its own: updates PaintBMP,
// the file field and the preview, and shows what is wrong with the file.
void bmp_check();

}  // namespace tv
