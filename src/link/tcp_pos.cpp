// The TCP link: connection to the device, the text exchange with fiscal printers (the reply
// up to its ETX within the time-out, a question on time-out) and the binary exchange with
// cash registers.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "common/debug.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/TCPIP_pos.h"
#include "link/link_text.h"
#include "link/stuffed_receiver.h"
#include "link/tcp_socket.h"
#include "ui/host.h"
#include "ui/trace.h"

namespace tv {

namespace {

constexpr std::size_t kReplySize = 4300;  // collection and caller's reply buffer
constexpr int kConnectTimeoutMs = 2000;
constexpr int kByteTimeoutMs = 700;  // one wait of the binary receive
constexpr std::size_t kClearedBytes = 1024;

// A socket that did not get connected is closed at once: nobody else closes it (the
// caller's stage count stays below 3), and on POSIX stopping the library would not.
void drop(unsigned int& sock) {
    net::close(sock);
    sock = net::kNoSocket;
}

// The box of a reply that will not come; the scan and the connection test say it their way.
void tell_no_reply() {
    const int mode = work_mode.load();
    if (mode != WM_DETECT && mode != WM_TEST && mode != WM_SCAN)
        message("Brak odpowiedzi z drukarki fiskalnej!", "UWAGA!", Icon::Warning);
}

}  // namespace

void tpr(const char* text) { s(text); }

void init_WSADATA(int mode) {
    if (mode == 1) {
        if (net::startup()) {
            tpr("\r\nInitialization successful!\r\n");
        } else {
            tpr("Initialization with ERROR!\r\n");
            net::cleanup();
        }
    } else if (mode == 0) {
        net::cleanup();
        tpr("\r\nCleanup\r\n");
    }
}

int tcp_connect(unsigned int& sock, std::int16_t& stage) {
    tpr("\r\nCreate socket : ");
    if (!net::create(sock)) {
        debugf("socket: %s\n", net::error_text().c_str());
        tpr("ERROR!\r\n");
        return RC_TCP_SOCKET;
    }
    ++stage;
    tpr("OK\r\n");

    tpr("Server name : ");
    char host[sizeof gServerName];
    copy_to(host, std::string_view(gServerName, strnlen(gServerName, sizeof gServerName)));
    net::Endpoint to;
    if (!net::resolve(host, static_cast<std::uint16_t>(PortTCP.load() & 0xFFFF), to)) {
        tpr("ERROR!\r\n");
        drop(sock);
        return RC_TCP_RESOLVE;
    }
    ++stage;
    tpr("OK\r\n");

    net::set_send_timeout(sock, kConnectTimeoutMs);
    tpr("Connecting : ");
    if (!net::connect(sock, to, kConnectTimeoutMs)) {
        debugf("connect: %s\n", net::error_text().c_str());
        tpr("ERROR!\r\n");
        drop(sock);
        return RC_TCP_CONNECT;
    }
    tpr("OK\r\n");
    ++stage;
    return RC_OK;
}

int tcp_send(unsigned int& sock, char* text) {
    s("\r\nSend : ");
    l("\nSend : ", false, false);
    const std::size_t len = std::strlen(text);
    debug_frame("Send", text, len);
    Result result = RC_OK;
    if (net::send(sock, text, len) != static_cast<long>(len)) {
        tpr("ERROR!\r\n");
        result = RC_TCP_SEND;
    } else {
        trace_wire(text);
        l(text, false, true);
    }
    // The sent frame is gone (at most the first 1024 bytes, never past the text itself).
    std::memset(text, 0, std::min(len + 1, kClearedBytes));
    return result;
}

int tcp_send_bin(unsigned int& sock, char* frame, int length) {
    s("\r\nSend : ");
    l("\nSend : ", false, false);
    const std::size_t len = length > 0 ? static_cast<std::size_t>(length) : 0;
    debug_frame("Send", frame, len);
    Result result = RC_OK;
    if (net::send(sock, frame, len) != static_cast<long>(len)) {
        tpr("ERROR!\r\n");
        result = RC_TCP_SEND;
    }
    std::memset(frame, 0, kClearedBytes);
    return result;
}

int tcp_pos_recive(unsigned int& sock, char* reply, unsigned& devErr, bool ask) {
    for (;;) {
        char collected[kReplySize + 1];
        std::memset(collected, 0, sizeof collected);
        s("\r\nResp.: ");
        l("\nResp.: ", false, false);

        // The whole reply must come within RCV_TIMEOUT seconds, in as many pieces as the
        // device sends it. It is taken byte by byte up to its ETX, so whatever follows stays
        // for the next receive, as on the serial link.
        enum class End { Etx, Full, TimedOut, Gone } end = End::Full;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(std::max(RCV_TIMEOUT.load(), 1));
        std::size_t n = 0;
        while (n < kReplySize) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                end = End::TimedOut;
                break;
            }
            unsigned char b = 0;
            const long got = net::recv(sock, &b, 1, static_cast<int>(left.count()));
            if (got == 1) {
                if (b == 0) continue;  // a zero byte is dropped, as on the serial link
                collected[n++] = static_cast<char>(b);
                if (b == 0x03) {
                    end = End::Etx;
                    break;
                }
                continue;
            }
            end = got == net::kTimedOut ? End::TimedOut : End::Gone;
            break;
        }

        Result result = RC_OK;
        if (end == End::TimedOut) {
            trace_log(" [ TIMEOUT ]\r\n");
            result = RC_NO_REPLY;
            // A job the user is stopping is not offered another wait.
            if (ask && !job_abort) {
                if (message("TIMEOUT! Try again?", "Warning", Icon::Question, Buttons::YesNo, Answer::No) ==
                    Answer::Yes)
                    continue;     // the whole receive again, on the same socket
                tell_no_reply();  // "Nie": the job ends, and says why
            }
        } else if (end == End::Gone) {
            // The device closed or reset the connection before its reply was whole: no
            // reply will come, so there is nothing to wait for again.
            trace_log(" [ CONNECTION LOST ]\r\n");
            result = RC_NO_REPLY;
            tell_no_reply();
        } else {
            trace_wire(std::string_view(collected, n));
            l(collected, false, false);
        }
        debug_frame("Resp.", collected, n);
        const std::size_t q = error_field(std::string_view(collected, n), ErrorField::First);
        if (q != std::string_view::npos) {
            result = RC_DEVICE_ERROR;
            devErr = report_error_field(collected, n, q);
        }
        copy_reply(reply, kReplySize, std::string_view(collected, n));
        return result;
    }
}

int tcp_recive_bin(unsigned int& sock, char* frame) {
    StuffedReceiver rx(reinterpret_cast<unsigned char*>(frame));
    s("\r\nResp.: ");
    const long limit = RCV_TIMEOUT.load();
    long failures = 0;
    while (rx.wants_more() && failures < limit) {
        unsigned char b = 0;
        if (net::recv(sock, &b, 1, kByteTimeoutMs) != 1) {
            ++failures;
            s("% ");
            continue;
        }
        failures = 0;
        rx.feed(b);
    }
    debug_frame("Resp.", frame + 1, rx.stored());
    return RC_OK;
}

int tcp_disconnect(unsigned int& sock) {
    tpr("\r\nDisconecting : ");
    if (!net::close(sock)) {
        tpr("ERROR!\r\n");
        return RC_TCP_CLOSE;
    }
    sock = net::kNoSocket;
    tpr("OK!\r\n");
    return RC_OK;
}

}  // namespace tv
