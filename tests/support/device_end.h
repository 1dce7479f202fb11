// The device end of a link, played by a test: a pseudo-terminal pair whose master side the
// test holds (POSIX only), or a socket listening on 127.0.0.1. Every read is bounded by its
// time-out.
#pragma once
#include <cstdint>
#include <string>

#include "support/no_copy.h"
#include "support/sockets.h"

namespace tv::test {

// A pseudo-terminal pair. The test holds the master side; the slave is what the link
// opens. With raw set, both sides are made raw at once so no byte is changed on the way;
// without, the slave is cooked, with XOFF flow control on (POSIX).
// Windows has none: under Wine the host makes the pair, and the master side is a loopback
// connection relayed to it (support/host_serial.h); without the host the object is inert
// and using it is a test failure, so a case that needs one skips first (TV_NEEDS_PTY).
class PtyDevice : NoCopy {
  public:
    explicit PtyDevice(bool raw = true);
    ~PtyDevice();

    // The slave's path (on Windows: on the host, for a COM link to it).
    const std::string& slave_path() const { return slave_path_; }
    int slave_fd() const { return slave_; }  // POSIX
    void write(const std::string& bytes);    // throws when the line is gone
    // Reads until n bytes came, timeout_ms passed or the line is gone.
    std::string read(std::size_t n, int timeout_ms = 2000);
    // Everything that arrives within quiet_ms of silence.
    std::string drain(int quiet_ms = 100);
    void close_master();
    // The slave's line settings as the link left them, in the host broker's words:
    // "speed=9600/9600 bits=8 parenb=0 cstopb=0 crtscts=1 icanon=0 echo=0 isig=0 iexten=0
    // opost=0 icrnl=0 istrip=0 ixon=0 ixoff=0" (input/output speed, then 1 for each flag set).
    std::string line_settings() const;
    // Holds the slave's output back (as tcflow TCOOFF), or lets it go again.
    void hold_output(bool held);

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
    sockets::Socket relay_ = sockets::kNone;  // Windows: the master side, on the host
};

// A device listening on 127.0.0.1 at a free port.
class TcpDevice : NoCopy {
  public:
    TcpDevice();
    ~TcpDevice();

    std::uint16_t port() const { return port_; }
    // Takes the link's connection (waits at most timeout_ms). False when none came.
    bool accept(int timeout_ms = 2000);
    void write(const std::string& bytes);  // throws when the connection is gone or stays full
    std::string read(std::size_t n, int timeout_ms = 2000);
    // Nothing more arrives within quiet_ms.
    bool quiet(int quiet_ms = 100);
    void close_connection();
    // True when the link closed its side (end of stream within timeout_ms).
    bool peer_closed(int timeout_ms = 2000);

  private:
    sockets::Socket listener_ = sockets::kNone;
    sockets::Socket conn_ = sockets::kNone;
    std::uint16_t port_ = 0;
};

}  // namespace tv::test
