// Fuzz target: any file content as a picture to convert into a logo: the size probe and its
// guards, the decoders, tone and fitting, every dithering method, the 1-bit BMP and the BMP
// reader's verdict on it. The options come from the file's size, so that the corpus stays
// plain picture files.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "image/convert.h"
#include "image/gr_grid.h"
#include "support/fuzz_env.h"

using namespace tv;
using namespace tv::fuzz;

namespace {

// The decoders' work grows with the picture's stated size, up to the guard's 100 megapixels
// (gigabytes for some formats); beyond this the fuzzer would spend its time in memset. The
// probe and its guards run on every input; only the decoding is left out above this.
constexpr std::uint64_t DECODE_UP_TO = 1u << 22;

logo::Options options_for(std::size_t size) {
    logo::Options o;
    o.limit = size % 2 ? logo::PRINTER_SIDE : logo::REGISTER_SIDE;
    o.dither = logo::ALL_DITHERS[(size / 2) % 4];
    const std::size_t w = (size / 8) % 3;
    o.width = w == 0 ? 0 : w == 1 ? 17 : o.limit;
    if (o.dither == logo::Dither::Threshold && (size / 24) % 2) o.level = static_cast<int>(size % 256);
    return o;
}

bool known(logo::Fault f) {
    return f == logo::Fault::UnknownFormat || f == logo::Fault::Unsupported || f == logo::Fault::Damaged ||
           f == logo::Fault::TooLarge || f == logo::Fault::NoMemory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setup_once();
    logo::Info info;
    logo::Error e;
    const bool probed = logo::probe(data, size, info, e);
    if (!probed) {
        check(known(e.fault) && !e.message.empty(), "a refusal without a known reason");
        return 0;
    }
    check(
        info.width >= 1 && info.height >= 1 && info.width <= logo::MAX_SIDE && info.height <= logo::MAX_SIDE,
        "a side beyond the guard passed");
    const auto pixels = static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.height);
    check(pixels <= logo::MAX_PIXELS, "a picture beyond the guard passed");
    if (pixels > DECODE_UP_TO) return 0;

    logo::Picture picture;
    if (!logo::decode(data, size, picture, e)) {
        check(known(e.fault) && e.fault != logo::Fault::TooLarge && !e.message.empty(),
              "a decoding failure without a known reason");
        check(picture.pixels() == nullptr, "a failed decoding left a picture");
        return 0;
    }
    check(picture.width == info.width && picture.height == info.height,
          "decoded size differs from the probe");
    check(picture.channels >= 1 && picture.channels <= 4, "channels out of range");

    logo::Options o = options_for(size);
    logo::Maker maker(picture);
    logo::Logo a, b;
    check(maker.make(o, a, e), "making the logo failed");
    const logo::Size want = logo::fitted_size(picture.width, picture.height, o);
    check(a.width == want.width && a.height == want.height, "logo size differs from the fitted size");
    check(a.width <= o.limit && a.height <= o.limit, "logo beyond the device's limit");
    check(a.dots.size() == static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height),
          "dots miscounted");
    for (std::uint8_t d : a.dots) check(d <= 1, "a dot neither printed nor blank");
    check(a.level >= 0 && a.level <= 255, "level out of range");
    // Invert is a flip of every dot of the same logo.
    o.invert = true;
    check(maker.make(o, b, e), "making the inverted logo failed");
    check(b.width == a.width && b.height == a.height, "inverted logo of another size");
    for (std::size_t i = 0; i < a.dots.size(); ++i)
        check(a.dots[i] != b.dots[i], "invert did not flip a dot");

    // The BMP reader takes every logo as it is.
    static const std::string name = scratch_file("logo.bmp");
    const std::vector<std::uint8_t> bmp = logo::bmp_bytes(a);
    write_scratch_file(name, bmp.data(), bmp.size());
    check(gr_accepts(name), "the BMP reader refused a converted logo");
    return 0;
}
