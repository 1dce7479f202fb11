// The few socket calls the tests' device ends make, over POSIX sockets or Winsock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv::test::sockets {

#ifdef _WIN32
using Socket = std::uintptr_t;  // SOCKET
#else
using Socket = int;
#endif
extern const Socket kNone;

// A socket listening on 127.0.0.1 at a free port (backlog as given); kNone on failure.
Socket listen_loopback(std::uint16_t& port, int backlog = 4);
// The same on another loopback address (127.x.y.z) at port (0: a free one, then set).
Socket listen_on(const std::string& address, std::uint16_t& port, int backlog = 4);
// A connection to address:port only started, not waited for (for filling a listener's queue).
Socket start_connect(const std::string& address, std::uint16_t port);
Socket accept(Socket listener);
// A connection to 127.0.0.1:port; kNone when refused. blocking=false: the connect is only
// started (for filling a listener's queue).
Socket connect_loopback(std::uint16_t port, bool blocking = true);
void close(Socket s);
// 1 ready within ms, 0 not, -1 error.
int wait_readable(Socket s, int ms);
int wait_writable(Socket s, int ms);
// Bytes moved, 0 at the end of the stream, -1 on an error (-2: try again).
long send(Socket s, const void* p, std::size_t n);
long recv(Socket s, void* p, std::size_t n);
// Sends every byte, waiting while the peer's window is full; false on an error or when
// they did not all go within timeout_ms.
bool send_all(Socket s, std::string_view bytes, int timeout_ms);
// Reads until n bytes came, timeout_ms passed or the connection ended.
std::string recv_upto(Socket s, std::size_t n, int timeout_ms);

}  // namespace tv::test::sockets
