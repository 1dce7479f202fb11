// The converted logo as a file: the 1-bit BMP the reader takes, written so that a failure
// leaves nothing behind, under the name NAME_logo.bmp; and the names of the methods.
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/paths.h"
#include "image/convert.h"

namespace tv::logo {
namespace {

namespace fs = std::filesystem;

void put(std::vector<std::uint8_t>& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

fs::path part_name(const fs::path& target) {
    fs::path p = target;
    p += ".part";
    return p;
}

// Whether a file can be made in dir: made under the temporary name and removed again.
bool can_write_in(const fs::path& dir, const std::string& name) {
    const fs::path probe = part_name(dir / fs_path(name));
    {
        std::ofstream f(probe, std::ios::binary | std::ios::trunc);
        if (!f) return false;
    }
    std::error_code ec;
    fs::remove(probe, ec);
    return true;
}

}  // namespace

std::vector<std::uint8_t> bmp_bytes(const Logo& logo) {
    const auto w = static_cast<std::uint32_t>(logo.width);
    const auto h = static_cast<std::uint32_t>(logo.height);
    const std::uint32_t stride = (w + 31) / 32 * 4;
    const std::uint32_t offset = 14 + 40 + 8;
    std::vector<std::uint8_t> b;
    b.reserve(offset + static_cast<std::size_t>(stride) * h);
    b.push_back('B');
    b.push_back('M');
    put(b, offset + stride * h, 4);  // file size
    put(b, 0, 4);                    // reserved
    put(b, offset, 4);               // pixel data offset
    put(b, 40, 4);                   // information header size
    put(b, w, 4);
    put(b, h, 4);           // positive: bottom row first
    put(b, 1, 2);           // planes
    put(b, 1, 2);           // bits per pixel
    put(b, 0, 4);           // no compression
    put(b, stride * h, 4);  // pixel data size
    put(b, 2835, 4);        // 72 dpi, as most writers put it
    put(b, 2835, 4);
    put(b, 2, 4);           // colours used
    put(b, 2, 4);           // colours important
    put(b, 0x00000000, 4);  // colour 0: black
    put(b, 0x00FFFFFF, 4);  // colour 1: white
    for (std::uint32_t fy = 0; fy < h; ++fy) {
        const std::size_t row = b.size();
        b.resize(row + stride, 0xFF);  // white, padding bits too
        const int y = static_cast<int>(h - 1 - fy);
        for (std::uint32_t x = 0; x < w; ++x)
            if (logo.dark(static_cast<int>(x), y))
                b[row + x / 8] &= static_cast<std::uint8_t>(~(0x80u >> (x % 8)));
    }
    return b;
}

bool write_file_atomic(const std::string& path, const std::vector<std::uint8_t>& bytes, Error& error) {
    const fs::path part = part_name(fs_path(path));
    bool ok = false;
    {
        std::ofstream f(part, std::ios::binary | std::ios::trunc);
        if (f) {
            f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            f.flush();
            ok = static_cast<bool>(f);
        }
    }
    std::error_code ec;
    if (ok) {
        fs::rename(part, fs_path(path), ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(part, ec);
        error.fault = Fault::CannotWrite;
        error.message = "Nie można zapisać pliku:\n" + path;
    }
    return ok;
}

std::string logo_name(const std::string& picture_path) {
    return utf8_path(fs_path(picture_path).stem()) + "_logo.bmp";
}

std::string logo_path(const std::string& picture_path, const std::string& fallback_dir) {
    const std::string name = logo_name(picture_path);
    fs::path dir = fs_path(picture_path).parent_path();
    if (dir.empty()) dir = ".";
    if (can_write_in(dir, name)) return utf8_path(dir / fs_path(name));
    return utf8_path(fs_path(fallback_dir) / fs_path(name));
}

namespace {
// Each method's name on the command line and its label in the conversion dialog.
struct DitherNames {
    Dither method;
    const char* name;
    const char* label;
};
constexpr DitherNames kDitherNames[] = {
    {Dither::FloydSteinberg, "floyd", "Floyd–Steinberg (rozpraszanie błędu)"},
    {Dither::Atkinson, "atkinson", "Atkinson (większy kontrast)"},
    {Dither::Ordered, "ordered", "Uporządkowany (raster Bayera 8×8)"},
    {Dither::Threshold, "threshold", "Próg (bez rastra)"},
};

const DitherNames* names_of(Dither d) {
    for (const DitherNames& n : kDitherNames)
        if (n.method == d) return &n;
    return nullptr;
}
}  // namespace

const char* dither_name(Dither d) {
    const DitherNames* n = names_of(d);
    return n ? n->name : "";
}

const char* dither_label(Dither d) {
    const DitherNames* n = names_of(d);
    return n ? n->label : "";
}

bool dither_from_name(std::string_view name, Dither& out) {
    for (const DitherNames& n : kDitherNames)
        if (name == n.name) {
            out = n.method;
            return true;
        }
    return false;
}

}  // namespace tv::logo
