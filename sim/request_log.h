// The record of every request frame the simulator received, for tests that compare exact
// bytes: FILE holds binary records (4-byte little-endian length, then the bytes), FILE.hex
// one line per frame (upper-case hex pairs separated by single spaces).
#pragma once
#include <cstdio>
#include <string>

namespace tv::sim {

class RequestLog {
  public:
    // An empty path keeps no log.
    explicit RequestLog(const std::string& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool ok() const { return path_.empty() || (bin_ && hex_); }
    // Appends one frame to both files and flushes them, so a reader sees it at once.
    void add(const std::string& frame);

  private:
    std::string path_;
    std::FILE* bin_ = nullptr;
    std::FILE* hex_ = nullptr;
};

}  // namespace tv::sim
