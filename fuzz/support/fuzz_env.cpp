// The shared set-up of the fuzz targets (see fuzz_env.h).
#include "support/fuzz_env.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/debug.h"
#include "common/globals.h"
#include "common/text.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/trace.h"

namespace tv::fuzz {
namespace {

std::string g_dir;

void remove_scratch() {
    std::error_code ec;
    if (!g_dir.empty()) std::filesystem::remove_all(g_dir, ec);
}

}  // namespace

void setup_once() {
    static bool done = false;
    if (done) return;
    done = true;
    set_debug_sink([](std::string_view) {});
    set_debug(true);

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tv-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) fail("cannot create the scratch directory");
    g_dir = name.data();
    std::atexit(remove_scratch);
    gCurrendDir = g_dir;

    set_host(nullptr);  // the quiet default
    mk_interface();
}

void reset_input(int timeout_base, short job_kind) {
    RCV_TIMEOUT = 1;
    TIMEOUT_BASE = static_cast<std::int16_t>(timeout_base);
    work_mode = job_kind;
    trace_replace("");  // the pane would otherwise grow over the whole run
}

const std::string& scratch_dir() { return g_dir; }

std::string scratch_file(const char* name) { return g_dir + "/" + name; }

void write_scratch_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) fail("cannot write a scratch file");
    if (size && std::fwrite(data, 1, size, f) != size) fail("cannot write a scratch file");
    if (std::fclose(f) != 0) fail("cannot write a scratch file");
}

std::string read_whole_file(const std::string& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

std::uint8_t InputReader::byte() { return at_ < n_ ? p_[at_++] : 0; }

std::uint16_t InputReader::u16() {
    const unsigned lo = byte();
    return static_cast<std::uint16_t>(lo | (static_cast<unsigned>(byte()) << 8));
}

std::uint32_t InputReader::u32() {
    const std::uint32_t lo = u16();
    return lo | (static_cast<std::uint32_t>(u16()) << 16);
}

std::string InputReader::rest() {
    std::string r(reinterpret_cast<const char*>(p_ + at_), n_ - at_);
    at_ = n_;
    return r;
}

ReplyStart start_reply_input(InputReader& in, int op_count) {
    setup_once();
    const int op = in.byte() % op_count;
    return {op, in.byte()};
}

std::vector<std::string> split_chunks(const std::string& rest) {
    std::vector<std::string> chunks;
    std::size_t at = 0;
    while (at < rest.size()) {
        std::size_t len = static_cast<unsigned char>(rest[at++]);
        if (at < rest.size()) len |= static_cast<std::size_t>(static_cast<unsigned char>(rest[at++])) << 8;
        const std::size_t take = len < rest.size() - at ? len : rest.size() - at;
        chunks.push_back(rest.substr(at, take));
        at += take;
    }
    return chunks;
}

std::string join_chunks(const std::vector<std::string>& chunks) {
    std::string all;
    for (const auto& c : chunks) all += c;
    return all;
}

std::uint16_t bitwise_crc(const std::string& bytes) {
    std::uint16_t crc = 0;
    for (unsigned char b : bytes) {
        crc = static_cast<std::uint16_t>(crc ^ (b << 8));
        for (int i = 0; i < 8; ++i)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

void fail(const char* what) {
    std::fprintf(stderr, "\nFUZZ PROPERTY FAILED: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

}  // namespace tv::fuzz
