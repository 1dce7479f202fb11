// Turning a 4000 x 3000 JPEG into a 640-wide Floyd–Steinberg logo, the whole process: the
// console tool's "convert" next to ImageMagick doing the same job
//   convert in.jpg -resize 640x480 -colorspace Gray -dither FloydSteinberg -monochrome out.bmp
// run alternately, each run a fresh process; prints the median wall time and the peak
// resident memory of each, and the ratio. Targets: at most half ImageMagick's time, under
// 200 MB.
//
//   bench_convert [runs]        (default 9; the picture is made once with ImageMagick)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kMagick = "/usr/bin/convert";

struct Run {
    double ms = 0;
    long peak_kib = 0;
    int status = -1;
};

// Runs argv to its end with standard output and error to /dev/null.
Run run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    Run r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage ru{};
        if (wait4(pid, &status, 0, &ru) == pid) {
            r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            r.peak_kib = ru.ru_maxrss;
        }
    }
    r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&files);
    return r;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Width, height and bits per pixel from a BMP's header.
bool bmp_size(const fs::path& p, int& w, int& h, int& bits) {
    std::ifstream f(p, std::ios::binary);
    unsigned char b[30] = {};
    if (!f.read(reinterpret_cast<char*>(b), sizeof b)) return false;
    auto le = [&](int at, int n) {
        long v = 0;
        for (int i = n - 1; i >= 0; --i) v = v * 256 + b[at + i];
        return v;
    };
    w = static_cast<int>(le(18, 4));
    h = static_cast<int>(le(22, 4));
    bits = static_cast<int>(le(28, 2));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    if (!fs::exists(kMagick)) {
        std::fprintf(stderr, "bench_convert: ImageMagick (%s) is needed\n", kMagick);
        return 2;
    }
    const fs::path dir = fs::temp_directory_path() / "tv-bench-convert";
    fs::create_directories(dir);
    const fs::path in = dir / "photo_4000x3000.jpg";
    if (!fs::exists(in)) {
        // A photograph's worth of detail: a colour gradient under blurred noise, quality 90.
        std::printf("making %s ...\n", in.c_str());
        const Run made = run({kMagick,       "-size",      "4000x3000", "gradient:#204080-#f0c060",
                              "(",           "-size",      "4000x3000", "xc:",
                              "+noise",      "Random",     "-blur",     "0x3",
                              "-colorspace", "Gray",       ")",         "-compose",
                              "overlay",     "-composite", "-quality",  "90",
                              in.string()});
        if (made.status != 0) {
            std::fprintf(stderr, "bench_convert: ImageMagick could not make the picture\n");
            return 2;
        }
    }
    const fs::path ours_out = dir / "ours.bmp", magick_out = dir / "magick.bmp";
    const std::vector<std::string> ours = {TV_CLI_PATH, "--dir",     dir.string(),     "--printer",
                                           "--width",   "640",       "--dither",       "floyd",
                                           "convert",   in.string(), ours_out.string()};
    const std::vector<std::string> magick = {
        kMagick, in.string(), "-resize",        "640x480",     "-colorspace",
        "Gray",  "-dither",   "FloydSteinberg", "-monochrome", magick_out.string()};
    // Once each before measuring: the picture in the file cache, the programs loaded.
    if (run(ours).status != 0 || run(magick).status != 0) {
        std::fprintf(stderr, "bench_convert: a conversion failed\n");
        return 1;
    }
    int w = 0, h = 0, bits = 0;
    if (!bmp_size(ours_out, w, h, bits) || w != 640 || h != 480 || bits != 1) {
        std::fprintf(stderr, "bench_convert: the tool wrote %d x %d, %d bits\n", w, h, bits);
        return 1;
    }

    std::vector<double> t_ours, t_magick, m_ours, m_magick;
    for (int i = 0; i < runs; ++i) {
        const Run a = run(ours), b = run(magick);
        if (a.status != 0 || b.status != 0) {
            std::fprintf(stderr, "bench_convert: a conversion failed in run %d\n", i + 1);
            return 1;
        }
        t_ours.push_back(a.ms);
        t_magick.push_back(b.ms);
        m_ours.push_back(a.peak_kib / 1024.0);
        m_magick.push_back(b.peak_kib / 1024.0);
    }
    const double to = median(t_ours), tm = median(t_magick);
    const double peak_ours = *std::max_element(m_ours.begin(), m_ours.end());
    std::printf("4000 x 3000 JPEG (%.1f MB) to a 640 x 480 Floyd-Steinberg logo, %d runs each, alternately\n",
                static_cast<double>(fs::file_size(in)) / 1e6, runs);
    std::printf("%-22s %12s %12s %12s %14s\n", "", "median ms", "min ms", "max ms", "peak RSS MiB");
    std::printf("%-22s %12.0f %12.0f %12.0f %14.1f\n", "tarvix-vizaze-cli", to,
                *std::min_element(t_ours.begin(), t_ours.end()),
                *std::max_element(t_ours.begin(), t_ours.end()), peak_ours);
    std::printf("%-22s %12.0f %12.0f %12.0f %14.1f\n", "ImageMagick convert", tm,
                *std::min_element(t_magick.begin(), t_magick.end()),
                *std::max_element(t_magick.begin(), t_magick.end()),
                *std::max_element(m_magick.begin(), m_magick.end()));
    std::printf("time ratio (tool / ImageMagick): %.2f  (target at most 0.50: %s)\n", to / tm,
                to / tm <= 0.5 ? "met" : "NOT met");
    std::printf("tool's peak memory: %.1f MiB (target under 200 MB: %s)\n", peak_ours,
                peak_ours * 1.048576 < 200 ? "met" : "NOT met");
    return 0;
}
