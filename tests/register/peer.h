// A scripted cash register for the tests: on a TCP listening socket (127.0.0.1) or on the
// master end of a pseudo-terminal, a thread reads one request frame at a time, records it
// and answers with canned bytes. Every wait is bounded.
#pragma once
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tv::test {

struct Reply {
    std::string bytes;           // sent after the request has been read (may be empty)
    bool close_after = false;    // then end the connection (TCP) or the script
};

class Peer {
public:
    enum class Kind { Tcp, Pty };
    Peer(Kind kind, std::vector<Reply> script);
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    std::uint16_t port() const { return port_; }                 // Tcp
    const std::string& slave_name() const { return slave_name_; }  // Pty

    // Waits for the script to end (the client closing, or a bounded idle time), then
    // gives what arrived.
    void finish();
    const std::vector<std::string>& requests() { finish(); return requests_; }  // start..end pair
    const std::string& all_bytes() { finish(); return all_; }

private:
    void run();
    int read_byte(int fd, int timeout_ms, unsigned char& b);  // 1 byte, 0 idle, -1 closed
    bool read_frame(int fd, std::string& frame);

    Kind kind_;
    std::vector<Reply> script_;
    int listen_fd_ = -1;
    int master_fd_ = -1;
    int slave_fd_ = -1;
    std::uint16_t port_ = 0;
    std::string slave_name_;
    std::vector<std::string> requests_;
    std::string all_;
    std::thread thread_;
};

}  // namespace tv::test
