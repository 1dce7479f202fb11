// A scripted cash register for the tests: on a device end (a socket listening on 127.0.0.1
// or the master side of a pseudo-terminal), a thread reads one request frame at a time, records it
// and answers it, from a fixed script or from a function of the request. Also the frames
// such a register sends, and the system's own TCP link as the client. Every wait is bounded.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "commands/register/prt_ks.h"
#include "support/device_end.h"
#include "support/no_copy.h"

namespace tv::test {

// The wire bytes of a frame: command, then the fields fill puts (fill sets FLD_NUM too).
std::string reply_frame(std::uint16_t cmd, const std::function<void(KS_FRM&)>& fill = {});
// An error reply (CMD_ID 0) carrying the given V values.
std::string error_frame(std::initializer_list<std::uint16_t> values);
// Wire bytes parsed as the tool parses a received frame.
KS_FRM parse_frame(const std::string& wire);

struct Reply {
    std::string bytes;         // sent after the request has been read (may be empty)
    bool close_after = false;  // then end the connection (TCP) or the script
};

class RegisterPeer : NoCopy {
  public:
    enum class Kind { Tcp, Pty };
    // Answers the index-th request (start..end pair) with a reply of its own.
    using Responder = std::function<Reply(std::size_t index, const std::string& request)>;

    // Answers with the script's replies in turn; after the last one it only listens.
    RegisterPeer(Kind kind, std::vector<Reply> script);
    // Answers every request until the client closes or goes quiet.
    RegisterPeer(Kind kind, Responder responder);
    ~RegisterPeer();

    std::uint16_t port() const { return tcp_->port(); }                   // Tcp
    const std::string& slave_name() const { return pty_->slave_path(); }  // Pty

    // Waits for the peer to end (the client closing, or a bounded idle time), then gives
    // what arrived.
    void finish();
    const std::vector<std::string>& requests() {
        finish();
        return requests_;
    }
    const std::string& all_bytes() {
        finish();
        return all_;
    }

  private:
    RegisterPeer(Kind kind, std::vector<Reply> script, Responder responder);
    void run();
    bool read_byte(int timeout_ms, unsigned char& b);  // false: quiet that long, or closed
    bool read_frame(std::string& frame);
    void send(const std::string& bytes);

    std::unique_ptr<TcpDevice> tcp_;
    std::unique_ptr<PtyDevice> pty_;
    std::vector<Reply> script_;
    Responder responder_;
    std::vector<std::string> requests_;
    std::string all_;
    std::thread thread_;
};

// The client end: the system's own TCP link connected to 127.0.0.1:port.
struct TcpClient {
    unsigned int sock = 0;
    std::int16_t stage = 0;
    explicit TcpClient(std::uint16_t port);
    void close();
    ~TcpClient();
};

}  // namespace tv::test
