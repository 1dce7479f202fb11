// Where the simulator meets the tool: a TCP listener on 127.0.0.1 or a pseudo-terminal.
// Both serve one peer at a time and survive the peer going away.
#pragma once
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace tv::sim {

class Transport {
  public:
    virtual ~Transport() = default;

    // Waits for a peer (TCP: the next connection; pty: at once). False when stop was set.
    virtual bool wait_peer(const std::atomic<bool>& stop) = 0;
    // Reads what arrived within timeout_ms: the number of bytes, 0 when nothing came, -1
    // when the peer has gone for good (a closed TCP connection).
    virtual long read(unsigned char* buf, std::size_t cap, int timeout_ms) = 0;
    // Writes all n bytes; false when the peer is gone.
    virtual bool write(const unsigned char* p, std::size_t n) = 0;
    // Breaks the line to the peer: TCP closes the connection, the pty is replaced by a
    // fresh one (its link re-pointed), so the tool sees a hang-up.
    virtual void drop() = 0;
    // Breaks the line abortively: TCP resets the connection (RST); a pty has no such thing
    // and is dropped.
    virtual void reset() { drop(); }
    // The line printed when the simulator is ready ("READY tcp 127.0.0.1 40123").
    virtual std::string ready_line() const = 0;
};

// Listens on 127.0.0.1:port (0 = any free port). Null with an error text on failure.
std::unique_ptr<Transport> make_tcp_transport(const std::string& address, int port, std::string& error);
// Opens a pseudo-terminal and publishes its slave path as a symbolic link at link_path.
std::unique_ptr<Transport> make_pty_transport(const std::string& link_path, std::string& error);

}  // namespace tv::sim
