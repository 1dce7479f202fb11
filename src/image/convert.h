// Turning an ordinary picture (PNG, JPEG, GIF, BMP of any depth, TGA, PPM/PGM) into the
// device's 1-bit logo: reading behind size guards, tone, fitting, dithering, and the 1-bit
// BMP that the BMP reader takes as it is. Standard C++ and the stb decoders only: no
// window, no device, no process-wide state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/raster.h"

namespace tv::logo {

// Largest logo side of each device kind.
constexpr int PRINTER_SIDE = 640;
constexpr int REGISTER_SIDE = 384;

// Pictures are refused before they are decoded when larger than this.
constexpr std::uint64_t MAX_PIXELS = 100'000'000;
constexpr int MAX_SIDE = 20000;
// Files larger than this are not read at all (a 100-megapixel uncompressed BMP is 400 MB).
constexpr std::uint64_t MAX_FILE_BYTES = 1024ull * 1024 * 1024;

enum class Dither { FloydSteinberg, Atkinson, Ordered, Threshold };

// The threshold method picks its level itself (Otsu's method) unless one is given.
constexpr int AUTO_LEVEL = -1;

struct Options {
    int limit = PRINTER_SIDE;  // the device's largest width and height
    int width = 0;             // 0: fit inside the limit, never enlarged; N: N wide (within the limit)
    Dither dither = Dither::FloydSteinberg;
    int level = AUTO_LEVEL;  // threshold method: 0..255, or AUTO_LEVEL
    bool invert = false;     // swap printed and blank dots in the result
};

// A decoded picture: 8-bit channels (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA), rows top first.
// The pixels are the decoder's own block, kept as it gave them (no copy of a large picture).
struct Picture {
    struct Free {
        void operator()(std::uint8_t* p) const;
    };
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<std::uint8_t[], Free> data;

    const std::uint8_t* pixels() const { return data.get(); }
    std::uint8_t* pixels() { return data.get(); }
    std::size_t bytes() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
               static_cast<std::size_t>(channels);
    }
    // A picture of w x h with every byte 0 (for pictures made in code); throws
    // std::bad_alloc when there is no memory for it.
    static Picture blank(int w, int h, int channels);
};

// The 1-bit result (see Raster), with the level it was made at.
struct Logo : Raster {
    int level = 0;  // the level the threshold method used (also when it chose it itself)
};

// What went wrong, and what the user is told (Polish, one or two sentences).
// TooSmall: the result would be 1 x 1, the form of a cleared slot.
enum class Fault {
    None,
    CannotOpen,
    UnknownFormat,
    Unsupported,
    Damaged,
    TooLarge,
    TooSmall,
    NoMemory,
    CannotWrite
};
struct Error {
    Fault fault = Fault::None;
    std::string message;
};

// Size and kind of a picture from its first bytes, without decoding it. False (and the
// message) for an unknown or damaged header, or a picture beyond the guards.
struct Info {
    int width = 0;
    int height = 0;
    const char* format = "";  // "PNG", "JPEG", "GIF", "BMP", "TGA", "PNM"
};
bool probe(const std::uint8_t* data, std::size_t size, Info& info, Error& error);

// Decodes a picture held in memory, after probe() has let it through.
bool decode(const std::uint8_t* data, std::size_t size, Picture& out, Error& error);

// Reads a whole file (bounded by MAX_FILE_BYTES).
bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes, Error& error);

// A copy of the picture for showing it: RGBA, resampled (in linear light) to at most
// max_side on either side. Throws std::bad_alloc when memory runs out.
Picture preview_copy(const Picture& picture, int max_side);

// The size a picture of w x h gets under the options: inside limit x limit with the aspect
// kept; unchanged when it fits and no width is asked for; never below 1 x 1.
struct Size {
    int width;
    int height;
    bool operator==(const Size&) const = default;
};
Size fitted_size(int w, int h, const Options& options);

// Makes logos from one picture, which must outlive it. The grey picture at the fitted size
// is kept for the last size, so that a change of method, level or invert redoes only the
// dithering.
class Maker {
  public:
    explicit Maker(const Picture& picture);
    // False (and the message) when memory runs out, or when the logo would be 1 x 1.
    bool make(const Options& options, Logo& out, Error& error);

  private:
    const Picture& picture_;
    Size grey_size_{0, 0};
    std::vector<std::uint8_t> grey_;  // 0..255 on the sRGB scale, at grey_size_
};

// The whole road from file bytes to a logo.
bool convert(const std::uint8_t* data, std::size_t size, const Options& options, Logo& out, Error& error);

// --- Tone and dithering (exposed for tests) ---

// 8-bit grey (0 black .. 255 white, sRGB scale) to dots by the method; fills logo.dots and
// logo.level. Invert is applied last, as a flip of every dot.
void dither(const std::uint8_t* grey, int w, int h, const Options& options, Logo& logo);
// Otsu's level for the grey values: dots go where grey < level.
int otsu_level(const std::uint8_t* grey, std::size_t n);

// --- The 1-bit BMP ---

// The BMP file of a logo: 40-byte information header, colour 0 black, colour 1 white,
// bottom row first, a dark dot as bit 0; padding bits are white.
std::vector<std::uint8_t> bmp_bytes(const Logo& logo);

// Writes bytes to path through a temporary file in the same folder, renamed over path at
// the end: on any failure nothing is left behind and an existing path is unchanged.
bool write_file_atomic(const std::string& path, const std::vector<std::uint8_t>& bytes, Error& error);

// Where the logo of a picture goes: NAME_logo.bmp beside the picture, or in fallback_dir
// when the picture's folder cannot be written.
std::string logo_name(const std::string& picture_path);  // "NAME_logo.bmp"
std::string logo_path(const std::string& picture_path, const std::string& fallback_dir);

// --- Names and texts ---

// Console names of the methods ("floyd", "atkinson", "ordered", "threshold").
const char* dither_name(Dither d);
bool dither_from_name(std::string_view name, Dither& out);
// Polish names for the window.
const char* dither_label(Dither d);
constexpr Dither ALL_DITHERS[] = {Dither::FloydSteinberg, Dither::Atkinson, Dither::Ordered,
                                  Dither::Threshold};

}  // namespace tv::logo
