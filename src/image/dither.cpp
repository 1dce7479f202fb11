// Grey to dots: error diffusion (Floyd–Steinberg, Atkinson), ordered (Bayer 8 x 8) and a
// plain threshold with Otsu's level; the grey is on the sRGB scale, 0 black .. 255 white.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/convert.h"

namespace tv::logo {
namespace {

// Error diffusion puts a dot where grey plus the error carried to it is below the middle.
constexpr float MIDDLE = 127.5f;

void floyd_steinberg(const std::uint8_t* grey, int w, int h, std::uint8_t* dots) {
    // Errors for this row and the next, shifted by one so that x - 1 and x + 1 stay inside.
    std::vector<float> cur(static_cast<std::size_t>(w) + 2, 0.0f), next(cur.size(), 0.0f);
    for (int y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), 0.0f);
        // Serpentine: every other row runs right to left, so errors do not drift one way.
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = forward ? i : w - 1 - i;
            const std::size_t at = static_cast<std::size_t>(y) * w + x;
            const float v = grey[at] + cur[x + 1];
            const bool dot = v < MIDDLE;
            dots[at] = dot;
            const float e = v - (dot ? 0.0f : 255.0f);
            cur[x + 1 + step] += e * (7.0f / 16);
            next[x + 1 - step] += e * (3.0f / 16);
            next[x + 1] += e * (5.0f / 16);
            next[x + 1 + step] += e * (1.0f / 16);
        }
        std::swap(cur, next);
    }
}

void atkinson(const std::uint8_t* grey, int w, int h, std::uint8_t* dots) {
    // Six neighbours get an eighth of the error each; a quarter is dropped, which keeps
    // large dark and light areas clean. Rows shifted by one (x - 1), with room for x + 2.
    const std::size_t len = static_cast<std::size_t>(w) + 3;
    std::vector<float> r0(len, 0.0f), r1(len, 0.0f), r2(len, 0.0f);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * w + x;
            const float v = grey[at] + r0[x + 1];
            const bool dot = v < MIDDLE;
            dots[at] = dot;
            const float e = (v - (dot ? 0.0f : 255.0f)) / 8;
            r0[x + 2] += e;
            r0[x + 3] += e;
            r1[x] += e;
            r1[x + 1] += e;
            r1[x + 2] += e;
            r2[x + 1] += e;
        }
        std::swap(r0, r1);
        std::swap(r1, r2);
        std::fill(r2.begin(), r2.end(), 0.0f);
    }
}

// The 8 x 8 Bayer matrix: each of 0..63 once, spread so that every level is an even field.
constexpr std::uint8_t BAYER[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

void ordered(const std::uint8_t* grey, int w, int h, std::uint8_t* dots) {
    // Entry B stands for the level 4B + 2, the middle of its 64th of the scale: black is
    // below all of them, white above all, grey 128 below exactly half.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * w + x;
            dots[at] = grey[at] < 4 * BAYER[y & 7][x & 7] + 2;
        }
}

}  // namespace

int otsu_level(const std::uint8_t* grey, std::size_t n) {
    double hist[256] = {};
    for (std::size_t i = 0; i < n; ++i) hist[grey[i]] += 1;
    double total = 0, sum = 0;
    for (int v = 0; v < 256; ++v) {
        total += hist[v];
        sum += v * hist[v];
    }
    // The level that best separates the levels below it from those at and above it. Where
    // several do equally well (two-tone pictures), the middle of them.
    double best = -1, below = 0, below_sum = 0;
    int first = 128, last = 127;
    for (int level = 1; level < 256; ++level) {
        below += hist[level - 1];
        below_sum += (level - 1) * hist[level - 1];
        const double above = total - below;
        if (below == 0 || above == 0) continue;
        const double d = below_sum / below - (sum - below_sum) / above;
        const double between = below * above * d * d;
        if (between > best) {
            best = between;
            first = last = level;
        } else if (between == best) {
            last = level;
        }
    }
    return (first + last + 1) / 2;  // one grey level only: 128
}

void dither(const std::uint8_t* grey, int w, int h, const Options& options, Logo& logo) {
    logo.width = w;
    logo.height = h;
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    logo.dots.assign(n, 0);
    logo.level = 128;
    std::uint8_t* dots = logo.dots.data();
    switch (options.dither) {
        case Dither::FloydSteinberg:
            floyd_steinberg(grey, w, h, dots);
            break;
        case Dither::Atkinson:
            atkinson(grey, w, h, dots);
            break;
        case Dither::Ordered:
            ordered(grey, w, h, dots);
            break;
        case Dither::Threshold: {
            logo.level =
                options.level == AUTO_LEVEL ? otsu_level(grey, n) : std::clamp(options.level, 0, 255);
            for (std::size_t i = 0; i < n; ++i) dots[i] = grey[i] < logo.level;
            break;
        }
    }
    if (options.invert)
        for (std::size_t i = 0; i < n; ++i) dots[i] ^= 1;
}

}  // namespace tv::logo
