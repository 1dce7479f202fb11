// Stand-ins for the device end of both links in the link tests: a pseudo-terminal pair
// whose master side the test plays, a listening socket on 127.0.0.1, and a fixture that
// keeps the process-wide link settings and the start-up directory per test.
#pragma once
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "support/recording_host.h"

namespace tv::test {

// A pseudo-terminal pair. The test holds the master side; the slave is what the link
// opens. With raw set, both sides are made raw at once so no byte is changed on the way.
class PtyDevice {
public:
    explicit PtyDevice(bool raw = true);
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    const std::string& slave_path() const { return slave_path_; }
    int slave_fd() const { return slave_; }
    void write(const std::string& bytes);
    // Reads until n bytes came or timeout_ms passed.
    std::string read(std::size_t n, int timeout_ms = 2000);
    // Everything that arrives within quiet_ms of silence.
    std::string drain(int quiet_ms = 100);
    void close_master();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
};

// A device listening on 127.0.0.1 at a free port.
class TcpDevice {
public:
    TcpDevice();
    ~TcpDevice();
    TcpDevice(const TcpDevice&) = delete;
    TcpDevice& operator=(const TcpDevice&) = delete;

    std::uint16_t port() const { return port_; }
    // Takes the link's connection (waits at most timeout_ms). False when none came.
    bool accept(int timeout_ms = 2000);
    void write(const std::string& bytes);
    std::string read(std::size_t n, int timeout_ms = 2000);
    // Nothing more arrives within quiet_ms.
    bool quiet(int quiet_ms = 100);
    void close_connection();
    // True when the link closed its side (end of stream within timeout_ms).
    bool peer_closed(int timeout_ms = 2000);

private:
    int listener_ = -1;
    int conn_ = -1;
    std::uint16_t port_ = 0;
};

// Sets the start-up directory to a fresh folder (with LOGS and SEQ) and restores the
// link settings and job kind after each test.
class LinkSettings {
public:
    LinkSettings();
    ~LinkSettings();
    TempDir dir;
    std::string log() const;
    std::string seq() const;
    // Points ports/comN of the start-up directory at target (replacing an older link).
    void point_com(int n, const std::string& target) const;
};

// The byte values as a string.
std::string bytes(std::initializer_list<int> list);

// Milliseconds since start.
long elapsed_ms(std::chrono::steady_clock::time_point start);

// Counts the non-overlapping occurrences of what in text.
std::size_t count_of(const std::string& text, const std::string& what);

}  // namespace tv::test
