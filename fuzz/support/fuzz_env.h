// What every fuzz target shares: a quiet, quick process (no diagnostic output, the
// shortest time-outs, a scratch start-up directory), the split of an input into the
// chunks in which a device would send it, and a bitwise CRC to check the tables against.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv::fuzz {

// Once per process: the debug channel on into a sink that keeps nothing (its dumps are
// formatted, so every byte they read is checked, but nothing is written), the panel model built, a fresh
// scratch start-up directory (without LOGS and SEQ, so no log file is written). The host is the quiet
// default: no box is shown, every question gets its default answer.
void setup_once();

// Before every input: the link time-outs at their shortest (one unit of `timeout_base`
// polls), the job kind, the trace pane emptied.
void reset_input(int timeout_base, short job_kind);

// The scratch start-up directory and a file in it.
const std::string& scratch_dir();
std::string scratch_file(const char* name);
void write_scratch_file(const std::string& path, const std::uint8_t* data, std::size_t size);
std::string read_whole_file(const std::string& path);

// Reads an input front to back; past the end every read gives zeros.
class InputReader {
  public:
    InputReader(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}
    std::uint8_t byte();
    std::uint16_t u16();  // little-endian
    std::uint32_t u32();
    // The rest of the input.
    std::string rest();
    std::size_t left() const { return n_ - at_; }
    const std::uint8_t* here() const { return p_ + at_; }

  private:
    const std::uint8_t* p_;
    std::size_t n_;
    std::size_t at_ = 0;
};

// The opening of a reply target's input, after the set-up done once: its first byte picks
// the operation (of op_count), its second holds the flags.
struct ReplyStart {
    int op;
    unsigned flags;
};
ReplyStart start_reply_input(InputReader& in, int op_count);

// The rest of an input as chunks: each is a 16-bit little-endian length, then that many
// bytes (fewer when the input ends first). A device sends one chunk at once; between two
// chunks the serial line is quiet for one poll. (Over TCP the chunks are one stream.)
std::vector<std::string> split_chunks(const std::string& rest);
// The same chunks as one byte stream.
std::string join_chunks(const std::vector<std::string>& chunks);

// CRC-16/XMODEM one bit at a time: polynomial 0x1021, initial 0, MSB first, no final XOR.
std::uint16_t bitwise_crc(const std::string& bytes);

// Stops the process with a message on standard error: a property that must hold did not.
[[noreturn]] void fail(const char* what);
inline void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

}  // namespace tv::fuzz
