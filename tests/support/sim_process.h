// Runs the device simulator as a child process for a test: spawns it with arguments,
// waits (bounded) for its READY line, tells where it listens, and stops and reaps it when
// the object goes. Also a raw byte line to it (TCP socket or pty slave) for tests that
// speak the protocols themselves, and the simulator's request log.
#pragma once
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/no_copy.h"
#include "support/sockets.h"

namespace tv::test {

class Process;

class SimProcess : NoCopy {
  public:
    // Starts the simulator (TV_SIM_PATH) with args and waits up to ready_timeout for its
    // READY line. On failure ok() is false and error() says why; the child is reaped. On
    // Windows, whose simulator has no pseudo-terminal, one asked to serve a pty (--pty) is
    // the host's, run by the host's serial broker (support/host_serial.h).
    explicit SimProcess(std::vector<std::string> args,
                        std::chrono::milliseconds ready_timeout = std::chrono::seconds(5));
    ~SimProcess();  // stop(): SIGTERM, bounded wait, SIGKILL if it must

    // The simulator's path, or "" when the build has none.
    static std::string binary();

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    const std::string& ready_line() const { return ready_line_; }
    int pid() const;
    bool is_tcp() const { return kind_ == "tcp"; }
    int port() const { return port_; }                    // TCP: the port it listens on
    const std::string& pty_path() const { return pty_; }  // pty: the slave device path

    // Waits up to timeout for a later line of standard output that begins with prefix
    // (such as "REOPEN"); returns it, or "" on time-out.
    std::string wait_line(const std::string& prefix, std::chrono::milliseconds timeout);

    // Waits up to timeout for the simulator to end by itself. Returns the exit status
    // (0..255; -1 for death by a signal), or -2 while it still runs.
    int wait_exit(std::chrono::milliseconds timeout);

    // Sends SIGTERM and waits up to timeout for the exit; kills it after that. Returns the
    // exit status (0..255), or -1 when it had to be killed or died by a signal. Calling it
    // again returns the first result. (Windows has no SIGTERM: the simulator is ended at
    // once, -1.)
    int stop(std::chrono::milliseconds timeout = std::chrono::seconds(3));

  private:
    void reader_loop();
    // One reaping attempt; true when the child is gone (status_ then holds its result).
    bool try_reap();

    std::unique_ptr<Process> child_;
    bool started_ = false;
    bool ok_ = false;
    bool reaped_ = false;
    int status_ = -1;
    std::string error_;
    std::string ready_line_, kind_, pty_;
    int port_ = 0;

    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;  // every line of standard output, in order
    bool eof_ = false;
};

// A raw byte line to the simulator: a TCP connection to 127.0.0.1:port or the pty slave
// opened raw (8N1, no echo). Every read is bounded by its time-out.
class RawLine {
  public:
    static RawLine tcp(int port);
    static RawLine pty(const std::string& path);
    RawLine(RawLine&& other) noexcept;
    RawLine& operator=(RawLine&& other) noexcept;
    ~RawLine();

    bool ok() const;
    void close();
    bool send(const std::string& bytes);
    // Reads until a printer reply's ETX (0x03), or the time-out. Returns what arrived.
    std::string read_printer_reply(std::chrono::milliseconds timeout = std::chrono::seconds(3));
    // Reads until a register frame's end pair (DLE ETX not doubled), or the time-out.
    std::string read_register_reply(std::chrono::milliseconds timeout = std::chrono::seconds(3));
    // True when the peer closed the connection within the time-out (TCP).
    bool wait_closed(std::chrono::milliseconds timeout);

  private:
    RawLine() = default;
    // Reads one byte within the deadline: 1, 0 on time-out, -1 when the peer is gone.
    int read_byte(unsigned char& b, std::chrono::steady_clock::time_point deadline);
    int fd_ = -1;                            // the pty slave (POSIX)
    sockets::Socket sock_ = sockets::kNone;  // the TCP connection
};

// The arguments of a simulator a test starts from its folder dir: args, then a request log
// (dir/requests.log), and a pseudo-terminal it links at pty_link (a port's link, the
// fixture's com_link) or, when pty_link is empty, TCP on a free port.
std::vector<std::string> test_sim_args(std::vector<std::string> args, const std::string& dir,
                                       const std::string& pty_link);

// The request frames a simulator started with "--log path" received, in order (its log
// holds each as a 4-byte little-endian length and the frame).
std::vector<std::string> read_request_log(const std::string& path);

// A slot the simulator stored ("--store DIR" writes DIR/slotN.pbm): its size and dots.
struct StoredSlot {
    int w = 0, h = 0;
    std::string bits;  // rows of (w + 7) / 8 bytes, the leftmost dot the top bit, 1 printed
    bool dark(int x, int y) const {
        const auto b = static_cast<unsigned char>(bits[static_cast<std::size_t>(y) * ((w + 7) / 8) + x / 8]);
        return (b >> (7 - x % 8)) & 1;
    }
};
// Reads a stored slot; w and h stay 0 when the file is missing or no binary PBM.
StoredSlot read_stored_slot(const std::string& path);

}  // namespace tv::test
