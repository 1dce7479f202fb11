// The socket-pair device end of the fuzz programs (see socket_peer.h).
#include "support/socket_peer.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "link/tcp_socket.h"

namespace tv::fuzz {

SocketPeer::End end_from_bits(unsigned bits) {
    switch (bits & 3u) {
        case 2:
            return SocketPeer::End::Refuse;
        case 3:
            return SocketPeer::End::HangUp;
        default:
            return SocketPeer::End::Eof;
    }
}

SocketPeer::SocketPeer(const std::string& bytes, End end) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    ours_ = fds[0];
    theirs_ = fds[1];
    handle_ = static_cast<unsigned int>(ours_);

    if (end == End::Refuse) {
        ::close(theirs_);
        theirs_ = -1;
        return;
    }
    if (end == End::HangUp) {
        // Waits (bounded) until the request is there, leaves it unread and closes: the
        // link's next receive fails with a reset connection.
        timeval tv{2, 0};
        ::setsockopt(theirs_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        hang_up_ = std::thread([fd = theirs_] {
            char b;
            (void)::recv(fd, &b, 1, MSG_PEEK);
            ::close(fd);
        });
        theirs_ = -1;
        return;
    }
    // Never blocks: what does not fit in the socket buffer (far more than any input) is
    // not sent.
    if (!bytes.empty()) (void)::send(theirs_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::shutdown(theirs_, SHUT_WR);
}

SocketPeer::~SocketPeer() {
    if (hang_up_.joinable()) {
        // A device still waiting for a request sees the end of the line instead.
        if (ours_ != -1 && handle_ != net::kNoSocket) ::shutdown(ours_, SHUT_WR);
        hang_up_.join();
    }
    if (theirs_ != -1) ::close(theirs_);
    // The link closes its end itself when it disconnects (and marks the handle).
    if (ours_ != -1 && handle_ != net::kNoSocket) ::close(ours_);
}

}  // namespace tv::fuzz
