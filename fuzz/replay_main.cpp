// Runs a fuzz target's LLVMFuzzerTestOneInput over every file of the given directories (or
// single files), in name order, so a build without libFuzzer replays the committed corpus.
// Exits 1 when an argument cannot be read or holds no file; a failing input aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

bool read_input(const std::filesystem::path& p, std::vector<std::uint8_t>& out) {
    std::ifstream f(p, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR_OR_FILE...\n", argv[0]);
        return 1;
    }
    std::size_t runs = 0;
    for (int a = 1; a < argc; ++a) {
        const std::filesystem::path arg(argv[a]);
        std::vector<std::filesystem::path> files;
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            for (const auto& e : std::filesystem::directory_iterator(arg, ec))
                if (e.is_regular_file()) files.push_back(e.path());
            std::sort(files.begin(), files.end());
        } else if (std::filesystem::is_regular_file(arg, ec)) {
            files.push_back(arg);
        }
        if (files.empty()) {
            std::fprintf(stderr, "%s: no input in %s\n", argv[0], argv[a]);
            return 1;
        }
        std::vector<std::uint8_t> data;
        for (const auto& f : files) {
            if (!read_input(f, data)) {
                std::fprintf(stderr, "%s: cannot read %s\n", argv[0], f.c_str());
                return 1;
            }
            std::fprintf(stderr, "replay %s (%zu bytes)\n", f.c_str(), data.size());
            LLVMFuzzerTestOneInput(data.data(), data.size());
            ++runs;
        }
    }
    std::fprintf(stderr, "%s: %zu inputs replayed, all passed\n", argv[0], runs);
    return 0;
}
