// Appending received request frames to the binary and hex logs.
#include "request_log.h"

#include <cstdint>

#include "common/paths.h"

namespace tv::sim {

RequestLog::RequestLog(const std::string& path) : path_(path) {
    if (path_.empty()) return;
    bin_ = tv::open_file(path_, "ab");
    hex_ = tv::open_file(path_ + ".hex", "ab");  // the same bytes on every system
}

RequestLog::~RequestLog() {
    if (bin_) std::fclose(bin_);
    if (hex_) std::fclose(hex_);
}

void RequestLog::add(const std::string& frame) {
    if (bin_) {
        const auto n = static_cast<std::uint32_t>(frame.size());
        const unsigned char len[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                      static_cast<unsigned char>(n >> 16),
                                      static_cast<unsigned char>(n >> 24)};
        std::fwrite(len, 1, 4, bin_);
        std::fwrite(frame.data(), 1, frame.size(), bin_);
        std::fflush(bin_);
    }
    if (hex_) {
        static const char digits[] = "0123456789ABCDEF";
        std::string line;
        line.reserve(frame.size() * 3 + 1);
        for (std::size_t i = 0; i < frame.size(); ++i) {
            const auto b = static_cast<unsigned char>(frame[i]);
            if (i) line += ' ';
            line += digits[b >> 4];
            line += digits[b & 0x0F];
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), hex_);
        std::fflush(hex_);
    }
}

}  // namespace tv::sim
