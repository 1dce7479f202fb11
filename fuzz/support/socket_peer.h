// The device end of the TCP link in the fuzz programs: a connected pair of local stream
// sockets. The link gets one end as its socket handle and runs its real calls on it; the
// other end has already sent the input's bytes and then behaves as the input says.
#pragma once
#include <string>
#include <thread>

namespace tv::fuzz {

class SocketPeer {
  public:
    enum class End {
        Eof,     // closes its sending side after the bytes; the link reads end of stream
        Refuse,  // gone before the request: sending fails
        HangUp,  // sends nothing, waits for the request and drops the line with it unread
                 // (the link's receive fails); without a request it goes at the end
    };
    SocketPeer(const std::string& bytes, End end);
    ~SocketPeer();
    SocketPeer(const SocketPeer&) = delete;
    SocketPeer& operator=(const SocketPeer&) = delete;

    bool ok() const { return ours_ != -1; }
    // The link's socket handle (the link may close it and set it to "no socket").
    unsigned int& sock() { return handle_; }

  private:
    int ours_ = -1;
    int theirs_ = -1;
    unsigned int handle_ = 0;
    std::thread hang_up_;
};

// End mode from two input bits.
SocketPeer::End end_from_bits(unsigned bits);

}  // namespace tv::fuzz
