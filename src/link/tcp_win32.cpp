// The TCP link's socket calls on Windows (Winsock).
#include <string>

#include "link/tcp_platform.h"

namespace tv::net {

namespace {
SOCKET sock_of(unsigned int sock) { return sock == kNoSocket ? INVALID_SOCKET : static_cast<SOCKET>(sock); }
}  // namespace

void set_timeout(unsigned int sock, int option, int ms) {
    const DWORD value = static_cast<DWORD>(ms);
    setsockopt(sock_of(sock), SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value);
}

bool startup() {
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void cleanup() { WSACleanup(); }

bool create(unsigned int& sock) {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    // Socket handles fit in 32 bits; the link keeps them as unsigned int.
    sock = s == INVALID_SOCKET ? kNoSocket : static_cast<unsigned int>(s);
    return s != INVALID_SOCKET;
}

bool connect(unsigned int sock, const Endpoint& to, int timeout_ms) {
    const sockaddr_in a = socket_address(to);
    const SOCKET s = sock_of(sock);
    u_long nonblocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonblocking) != 0) return false;

    bool ok = ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    int err = ok ? 0 : WSAGetLastError();
    if (!ok && err == WSAEWOULDBLOCK) {
        // Writable: connected. In the exception set: refused or unreachable.
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
        const int ready = select(0, nullptr, &writable, &failed, &limit);
        if (ready == 0) {
            err = WSAETIMEDOUT;
        } else if (ready > 0) {
            int so_error = 0;
            int len = sizeof so_error;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &len);
            ok = FD_ISSET(s, &writable) && so_error == 0;
            err = ok ? 0 : (so_error ? so_error : WSAECONNREFUSED);
        } else {
            err = WSAGetLastError();
        }
    }
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    if (!ok) WSASetLastError(err);
    return ok;
}

long send(unsigned int sock, const void* p, std::size_t n) {
    const int r = ::send(sock_of(sock), static_cast<const char*>(p), static_cast<int>(n), 0);
    return r == SOCKET_ERROR ? -1 : r;
}

long recv(unsigned int sock, void* p, std::size_t n, int timeout_ms) {
    const SOCKET s = sock_of(sock);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    const int ms = timeout_ms > 0 ? timeout_ms : 0;
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    const int ready = select(0, &readable, nullptr, nullptr, &limit);
    if (ready == 0) return kTimedOut;
    if (ready == SOCKET_ERROR) return -1;
    const int r = ::recv(s, static_cast<char*>(p), static_cast<int>(n), 0);
    return r == SOCKET_ERROR ? -1 : r;
}

bool close(unsigned int sock) { return closesocket(sock_of(sock)) == 0; }

std::string error_text() {
    const int code = WSAGetLastError();
    char text[256] = {0};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, text, sizeof text, nullptr) == 0)
        return "error " + std::to_string(code);
    return text;
}

}  // namespace tv::net
