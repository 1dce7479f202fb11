// Reading a picture behind its size guards, its tone in linear light, and fitting it to the
// device: the road from file bytes to the grey picture that the dithering turns into dots.
#include "image/convert.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>

#include "common/paths.h"
#include "stb_image.h"
#include "stb_image_resize.h"

namespace tv::logo {
namespace {

const char* const MSG_UNKNOWN =
    "Plik nie jest obrazem w obsługiwanym formacie (PNG, JPEG, GIF, BMP, TGA, PPM/PGM).";
const char* const MSG_DAMAGED = "Plik obrazu jest uszkodzony i nie można go odczytać.";
const char* const MSG_RLE =
    "Bitmapy skompresowane (RLE) nie są obsługiwane. Zapisz obraz bez kompresji albo jako PNG.";
const char* const MSG_NO_MEMORY = "Za mało pamięci, aby zamienić ten obraz.";
const char* const MSG_ONE_DOT =
    "Logo miałoby 1 x 1 piksel, a taka grafika oznacza wyczyszczenie slotu. Wybierz większy obraz "
    "albo większą szerokość.";

std::string too_large(std::uint64_t w, std::uint64_t h) {
    return "Obraz jest za duży (" + std::to_string(w) + " x " + std::to_string(h) +
           " pikseli). Największy obsługiwany obraz ma 100 megapikseli i najwyżej 20000 pikseli "
           "w każdym kierunku.";
}

bool fail(Error& error, Fault fault, std::string message) {
    error.fault = fault;
    error.message = std::move(message);
    return false;
}

// The decoder's reason, as the user is told it.
bool decoder_failed(Error& error) {
    const char* why = stbi_failure_reason();
    const std::string r = why ? why : "";
    if (r == "unknown image type") return fail(error, Fault::UnknownFormat, MSG_UNKNOWN);
    if (r == "outofmem") return fail(error, Fault::NoMemory, MSG_NO_MEMORY);
    return fail(error, Fault::Damaged, MSG_DAMAGED);
}

bool starts(const std::uint8_t* d, std::size_t n, const char* sig, std::size_t len) {
    return n >= len && std::memcmp(d, sig, len) == 0;
}

const char* format_of(const std::uint8_t* d, std::size_t n) {
    if (starts(d, n, "\x89PNG", 4)) return "PNG";
    if (starts(d, n, "\xFF\xD8", 2)) return "JPEG";
    if (starts(d, n, "GIF8", 4)) return "GIF";
    if (starts(d, n, "BM", 2)) return "BMP";
    if (starts(d, n, "P5", 2) || starts(d, n, "P6", 2)) return "PNM";
    return "TGA";  // the one format without a signature
}

std::uint32_t le(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool rle_bmp(const std::uint8_t* d, std::size_t n) {
    if (!starts(d, n, "BM", 2) || n < 34 || le(d + 14, 4) < 40) return false;
    const std::uint32_t compression = le(d + 30, 4);
    return compression == 1 || compression == 2;
}

// Two faults of the JPEG decoder are kept from it by checking the file's tables first:
// - it builds each Huffman table into room for 256 codes without checking the count the
//   file declares, so a table of more would overwrite its memory;
// - it decodes a scan with whatever tables the scan names, also ones the file never
//   defined, and then reads outside them.
// The markers are found as the decoder finds them: segments skipped by their length,
// anything else (scan data) byte by byte up to the next 0xFF followed by a marker code;
// the tables of a segment read one after another while its length lasts.
bool jpeg_tables_sound(const std::uint8_t* d, std::size_t n) {
    // The decoder takes a file for a JPEG when it starts with a start-of-image marker,
    // fill bytes (0xFF) before it allowed.
    std::size_t pos = 0;
    while (pos < n && d[pos] == 0xFF) ++pos;
    if (pos == 0 || pos >= n || d[pos] != 0xD8) return true;  // no JPEG
    ++pos;
    auto at = [&](std::size_t i) -> unsigned { return i < n ? d[i] : 0; };  // zeros past the end
    bool dc[4] = {}, ac[4] = {};                                            // tables defined so far
    bool progressive = false;
    while (pos + 1 < n) {
        if (d[pos] != 0xFF || d[pos + 1] == 0xFF) {  // scan data, or a fill byte
            ++pos;
            continue;
        }
        const unsigned m = d[pos + 1];
        if (m == 0xD9) return true;  // end of image: the decoder reads no further
        if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD8)) {  // no length follows
            pos += 2;
            continue;
        }
        const std::size_t length = at(pos + 2) << 8 | at(pos + 3);
        if (m == 0xC0 || m == 0xC1 || m == 0xC2) progressive = m == 0xC2;
        if (m == 0xC4) {
            long left = static_cast<long>(length) - 2;
            std::size_t t = pos + 4;
            while (left > 0) {
                const unsigned q = at(t);
                std::uint32_t codes = 0;
                for (std::size_t i = 1; i <= 16; ++i) codes += at(t + i);
                if (codes > 256) return false;
                if ((q >> 4) <= 1 && (q & 15) <= 3) ((q >> 4) ? ac : dc)[q & 15] = true;
                t += 17 + codes;
                left -= static_cast<long>(17 + codes);
            }
        }
        if (m == 0xDA) {
            const std::size_t count = at(pos + 4);
            const std::size_t after = pos + 5 + 2 * count;
            const unsigned first = at(after), refine = at(after + 2) >> 4;
            // Sequential scans use both tables; progressive ones the DC table in a first DC
            // scan, the AC table in AC scans.
            const bool need_dc = !progressive || (first == 0 && refine == 0);
            const bool need_ac = !progressive || first > 0;
            for (std::size_t c = 0; c < count; ++c) {
                const unsigned tables = at(pos + 6 + 2 * c), td = tables >> 4, ta = tables & 15;
                if ((need_dc && td <= 3 && !dc[td]) || (need_ac && ta <= 3 && !ac[ta])) return false;
            }
        }
        pos += 2 + length;
    }
    return true;
}

// The PNG decoder makes room for a data chunk as long as the chunk says before reading it,
// so a few bytes claiming a chunk of gigabytes would reserve gigabytes. Every chunk must
// lie inside the file (its checksum may be cut off: the decoder does not need it).
bool png_chunks_fit(const std::uint8_t* d, std::size_t n) {
    if (!starts(d, n, "\x89PNG\r\n\x1a\n", 8)) return true;
    std::size_t pos = 8;
    while (pos + 8 <= n) {
        const std::uint64_t length = std::uint64_t{d[pos]} << 24 | std::uint64_t{d[pos + 1]} << 16 |
                                     std::uint64_t{d[pos + 2]} << 8 | d[pos + 3];
        if (length > n - pos - 8) return false;
        if (std::memcmp(d + pos + 4, "IEND", 4) == 0) return true;
        pos += 12 + static_cast<std::size_t>(length);
    }
    return true;
}

// The PPM/PGM reader adds up the digits of the width, height and largest value in an int
// without a bound, so a long number overflows it. None of the three may have more than
// nine digits (the guards allow far less anyway). The numbers are found as the reader
// finds them: after blanks and "#" comments.
bool pnm_numbers_fit(const std::uint8_t* d, std::size_t n) {
    if (!starts(d, n, "P5", 2) && !starts(d, n, "P6", 2)) return true;
    auto blank = [](std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t pos = 2;
    for (int number = 0; number < 3; ++number) {
        for (;;) {
            while (pos < n && blank(d[pos])) ++pos;
            if (pos >= n || d[pos] != '#') break;
            while (pos < n && d[pos] != '\n' && d[pos] != '\r') ++pos;
        }
        std::size_t digits = 0;
        while (pos < n && d[pos] >= '0' && d[pos] <= '9') ++pos, ++digits;
        if (digits > 9) return false;
        if (digits == 0) return true;  // no number: the reader refuses the file itself
    }
    return true;
}

// The file's bytes as the decoder reads them. Some decoders (BMP, TGA, PNM, GIF) read
// zeros, or nothing at all, past the end of a file that was cut short, and would give a
// picture with made-up or unset rows; so every read is watched, and a decoder that wanted
// bytes past the end marks the file as cut.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    const char* own_buffer = nullptr;  // the decoder's read-ahead buffer (its first read)
    bool past_end = false;

    static int read(void* user, char* out, int n) {
        auto* r = static_cast<Reader*>(user);
        if (!r->own_buffer) r->own_buffer = out;
        const std::size_t left = r->size - r->pos;
        const std::size_t want = n > 0 ? static_cast<std::size_t>(n) : 0;
        // Reading ahead into its own buffer may come short at the end; asking for bytes when
        // none are left, or for an exact count that is not there, means the file is cut.
        if (left == 0 || (want > left && out != r->own_buffer)) r->past_end = true;
        const std::size_t take = std::min(want, left);
        if (take) std::memcpy(out, r->data + r->pos, take);
        r->pos += take;
        return static_cast<int>(take);
    }
    static void skip(void* user, int n) {
        auto* r = static_cast<Reader*>(user);
        const std::size_t want = n > 0 ? static_cast<std::size_t>(n) : 0;
        if (want > r->size - r->pos) {
            r->past_end = true;
            r->pos = r->size;
        } else {
            r->pos += want;
        }
    }
    static int eof(void* user) {
        auto* r = static_cast<Reader*>(user);
        return r->pos >= r->size;
    }
};

constexpr stbi_io_callbacks READER_CALLS = {&Reader::read, &Reader::skip, &Reader::eof};

// sRGB to linear light and back. Luminance weights of Rec. 709 (the sRGB primaries).
struct Tone {
    float linear[256];
    float r[256], g[256], b[256];  // linear value times its luminance weight
    // Linear light halfway (on the sRGB scale) between level k and k + 1: going back to the
    // sRGB scale rounds to the nearest level by finding where a value falls among these.
    float halfway[255];
    static double to_linear(double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    Tone() {
        for (int i = 0; i < 256; ++i) {
            const double l = to_linear(i / 255.0);
            linear[i] = static_cast<float>(l);
            r[i] = static_cast<float>(0.2126 * l);
            g[i] = static_cast<float>(0.7152 * l);
            b[i] = static_cast<float>(0.0722 * l);
        }
        for (int k = 0; k < 255; ++k) halfway[k] = static_cast<float>(to_linear((k + 0.5) / 255.0));
    }
    std::uint8_t srgb8(float y) const {
        return static_cast<std::uint8_t>(std::upper_bound(halfway, halfway + 255, y) - halfway);
    }
};
const Tone& tone() {
    static const Tone t;
    return t;
}

}  // namespace

void Picture::Free::operator()(std::uint8_t* p) const { std::free(p); }

Picture Picture::blank(int w, int h, int channels) {
    Picture p;
    const std::size_t n =
        static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * static_cast<std::size_t>(channels);
    void* block = std::calloc(n ? n : 1, 1);
    if (!block) throw std::bad_alloc();
    p.data.reset(static_cast<std::uint8_t*>(block));
    p.width = w;
    p.height = h;
    p.channels = channels;
    return p;
}

bool probe(const std::uint8_t* data, std::size_t size, Info& info, Error& error) {
    if (size > static_cast<std::size_t>(INT_MAX)) return fail(error, Fault::Damaged, MSG_DAMAGED);
    if (rle_bmp(data, size)) return fail(error, Fault::Unsupported, MSG_RLE);
    // Faults of the decoders, kept from them (see each check).
    if (!jpeg_tables_sound(data, size) || !png_chunks_fit(data, size) || !pnm_numbers_fit(data, size))
        return fail(error, Fault::Damaged, MSG_DAMAGED);
    int w = 0, h = 0, comp = 0;
    Reader reader{data, size};
    if (!stbi_info_from_callbacks(&READER_CALLS, &reader, &w, &h, &comp)) return decoder_failed(error);
    // A top-down BMP (rows stored top first) states its height as a negative number, and
    // the size query passes it on as it stands.
    const char* format = format_of(data, size);
    if (h < 0 && h != INT_MIN && std::strcmp(format, "BMP") == 0) h = -h;
    if (w <= 0 || h <= 0) return fail(error, Fault::Damaged, MSG_DAMAGED);
    const auto pixels = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    if (w > MAX_SIDE || h > MAX_SIDE || pixels > MAX_PIXELS)
        return fail(error, Fault::TooLarge,
                    too_large(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h)));
    info.width = w;
    info.height = h;
    info.format = format;
    return true;
}

bool decode(const std::uint8_t* data, std::size_t size, Picture& out, Error& error) {
    Info info;
    if (!probe(data, size, info, error)) return false;
    int w = 0, h = 0, n = 0;
    Reader reader{data, size};
    stbi_uc* p = stbi_load_from_callbacks(&READER_CALLS, &reader, &w, &h, &n, 0);
    if (!p) return decoder_failed(error);
    Picture pic;
    pic.data.reset(p);
    // The size read before decoding is the size decoded; anything else is a damaged file.
    if (reader.past_end || w != info.width || h != info.height || n < 1 || n > 4)
        return fail(error, Fault::Damaged, MSG_DAMAGED);
    pic.width = w;
    pic.height = h;
    pic.channels = n;
    out = std::move(pic);
    return true;
}

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes, Error& error) {
    const std::string cannot = "Nie można otworzyć pliku:\n" + path;
    std::ifstream f(fs_path(path), std::ios::binary);
    if (!f) return fail(error, Fault::CannotOpen, cannot);
    f.seekg(0, std::ios::end);
    const std::streamoff end = f.tellg();
    if (end < 0) return fail(error, Fault::CannotOpen, cannot);
    if (static_cast<std::uint64_t>(end) > MAX_FILE_BYTES)
        return fail(error, Fault::TooLarge, "Plik jest za duży (ponad 1 GB), aby był obrazem logo.");
    f.seekg(0, std::ios::beg);
    try {
        bytes.resize(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
        return fail(error, Fault::NoMemory, MSG_NO_MEMORY);
    }
    if (end > 0 && !f.read(reinterpret_cast<char*>(bytes.data()), end))
        return fail(error, Fault::CannotOpen, cannot);
    return true;
}

Picture preview_copy(const Picture& picture, int max_side) {
    const Size s = fitted_size(picture.width, picture.height, Options{max_side});
    const int ch = picture.channels;
    Picture small;
    const Picture* from = &picture;
    if (s.width != picture.width || s.height != picture.height) {
        small = Picture::blank(s.width, s.height, ch);
        const int alpha = ch == 2 ? 1 : ch == 4 ? 3 : STBIR_ALPHA_CHANNEL_NONE;
        if (!stbir_resize_uint8_srgb(picture.pixels(), picture.width, picture.height, 0, small.pixels(),
                                     s.width, s.height, 0, ch, alpha, 0))
            throw std::bad_alloc();
        from = &small;
    }
    Picture rgba = Picture::blank(s.width, s.height, 4);
    const std::uint8_t* p = from->pixels();
    std::uint8_t* q = rgba.pixels();
    const std::size_t n = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
    for (std::size_t i = 0; i < n; ++i, p += ch, q += 4) {
        q[0] = p[0];
        q[1] = ch >= 3 ? p[1] : p[0];
        q[2] = ch >= 3 ? p[2] : p[0];
        q[3] = ch == 2 ? p[1] : ch == 4 ? p[3] : 255;
    }
    return rgba;
}

Size fitted_size(int w, int h, const Options& o) {
    const std::int64_t limit = std::max(1, o.limit);
    const std::int64_t sw = std::max(1, w), sh = std::max(1, h);
    // Rounded to the nearest pixel, never below 1.
    auto scaled = [](std::int64_t v, std::int64_t num, std::int64_t den) {
        return static_cast<int>(std::max<std::int64_t>(1, (v * num + den / 2) / den));
    };
    if (o.width > 0) {
        const std::int64_t want = std::min<std::int64_t>(o.width, limit);
        const int height = scaled(sh, want, sw);
        if (height <= limit) return {static_cast<int>(want), height};
        // Too tall at that width: as wide as the height limit allows.
        return {std::min(static_cast<int>(want), scaled(sw, limit, sh)), static_cast<int>(limit)};
    }
    if (sw <= limit && sh <= limit) return {static_cast<int>(sw), static_cast<int>(sh)};
    if (sw >= sh) return {static_cast<int>(limit), scaled(sh, limit, sw)};
    return {scaled(sw, limit, sh), static_cast<int>(limit)};
}

namespace {

// Linear luminance of one row of the picture: the picture's light where it covers (alpha is
// coverage), white paper where it does not.
void tone_row(const Picture& p, int y, float* out) {
    const Tone& t = tone();
    const int n = p.width;
    const std::uint8_t* s = p.pixels() + static_cast<std::size_t>(y) * n * p.channels;
    switch (p.channels) {
        case 1:
            for (int x = 0; x < n; ++x) out[x] = t.linear[s[x]];
            break;
        case 2:
            for (int x = 0; x < n; ++x, s += 2) {
                const float a = s[1] * (1.0f / 255.0f);
                out[x] = a * t.linear[s[0]] + (1.0f - a);
            }
            break;
        case 3:
            for (int x = 0; x < n; ++x, s += 3) out[x] = t.r[s[0]] + t.g[s[1]] + t.b[s[2]];
            break;
        default:
            for (int x = 0; x < n; ++x, s += 4) {
                const float a = s[3] * (1.0f / 255.0f);
                out[x] = a * (t.r[s[0]] + t.g[s[1]] + t.b[s[2]]) + (1.0f - a);
            }
            break;
    }
}

// The picture's linear luminance averaged over blocks of kx x ky pixels (those of the last
// column and row may be smaller): an exact area average, done while the tone is worked out,
// so that no plane of the picture's full size is ever made.
std::vector<float> block_tone(const Picture& p, int kx, int ky, int& bw, int& bh) {
    bw = (p.width + kx - 1) / kx;
    bh = (p.height + ky - 1) / ky;
    std::vector<float> out(static_cast<std::size_t>(bw) * static_cast<std::size_t>(bh), 0.0f);
    std::vector<float> row(static_cast<std::size_t>(p.width));
    for (int by = 0; by < bh; ++by) {
        float* o = out.data() + static_cast<std::size_t>(by) * bw;
        const int y0 = by * ky, y1 = std::min(p.height, y0 + ky);
        for (int y = y0; y < y1; ++y) {
            tone_row(p, y, row.data());
            const float* r = row.data();
            for (int bx = 0, x = 0; bx < bw; ++bx) {
                const int x1 = std::min(p.width, x + kx);
                float sum = 0.0f;
                for (; x < x1; ++x) sum += r[x];
                o[bx] += sum;
            }
        }
        for (int bx = 0; bx < bw; ++bx)
            o[bx] /= static_cast<float>((y1 - y0) * (std::min(p.width, (bx + 1) * kx) - bx * kx));
    }
    return out;
}

}  // namespace

Maker::Maker(const Picture& picture) : picture_(picture) {}

bool Maker::make(const Options& options, Logo& out, Error& error) {
    const Picture& p = picture_;
    const Size s = fitted_size(p.width, p.height, options);
    if (s == Size{1, 1}) return fail(error, Fault::TooSmall, MSG_ONE_DOT);
    try {
        if (!(s == grey_size_)) {
            // Shrinking by whole blocks first (each dot of the result then still averages the
            // area it covers), the rest by the resampler: a box filter over what is left of the
            // shrinking, or the Mitchell cubic filter when enlarging. All in linear light, so
            // that a fine black-and-white pattern becomes the grey it looks like.
            const int kx = s.width < p.width ? p.width / s.width : 1;
            const int ky = s.height < p.height ? p.height / s.height : 1;
            int bw = 0, bh = 0;
            std::vector<float> light = block_tone(p, kx, ky, bw, bh);
            if (bw != s.width || bh != s.height) {
                std::vector<float> resized(static_cast<std::size_t>(s.width) *
                                           static_cast<std::size_t>(s.height));
                const stbir_filter filter = s.width < bw ? STBIR_FILTER_BOX : STBIR_FILTER_MITCHELL;
                // The last blocks may be smaller than kx x ky: the source region ends where the
                // picture ends, so that the result keeps the picture's geometry.
                const float s1 = static_cast<float>(p.width) / static_cast<float>(bw * kx);
                const float t1 = static_cast<float>(p.height) / static_cast<float>(bh * ky);
                if (!stbir_resize_region(light.data(), bw, bh, 0, resized.data(), s.width, s.height, 0,
                                         STBIR_TYPE_FLOAT, 1, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP,
                                         STBIR_EDGE_CLAMP, filter, filter, STBIR_COLORSPACE_LINEAR, nullptr,
                                         0.0f, 0.0f, s1, t1))
                    return fail(error, Fault::NoMemory, MSG_NO_MEMORY);
                light.swap(resized);
            }
            const Tone& t = tone();
            grey_.resize(light.size());
            for (std::size_t i = 0; i < light.size(); ++i) grey_[i] = t.srgb8(light[i]);
            grey_size_ = s;
        }
        dither(grey_.data(), s.width, s.height, options, out);
    } catch (const std::bad_alloc&) {
        grey_size_ = Size{0, 0};
        return fail(error, Fault::NoMemory, MSG_NO_MEMORY);
    }
    return true;
}

bool convert(const std::uint8_t* data, std::size_t size, const Options& options, Logo& out, Error& error) {
    Picture picture;
    if (!decode(data, size, picture, error)) return false;
    return Maker(picture).make(options, out, error);
}

}  // namespace tv::logo
