// The client of the host's serial broker (see host_serial.h), and whether this Windows
// program runs under Wine.
#include "support/host_serial.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "support/platform.h"
#include "support/recording_host.h"

namespace tv::test {

bool under_wine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

namespace host {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kAnswerMs = 10000;
// The links may be held by another test program for the whole of one of its cases.
constexpr int kLinksWaitMs = 110000;
constexpr int kForeverMs = 24 * 3600 * 1000;

// The broker's port, from the file the fixture that started it wrote; 0 when none.
int broker_port() {
#ifdef TV_SERIAL_BROKER_FILE
    return std::atoi(read_file(TV_SERIAL_BROKER_FILE).c_str());
#else
    return 0;
#endif
}

// One line of the connection, without its end; false on time-out or a closed connection.
bool read_line(sockets::Socket s, std::string& line, int timeout_ms) {
    line.clear();
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        const std::string c = left > 0 ? sockets::recv_upto(s, 1, static_cast<int>(left)) : "";
        if (c.empty()) return false;
        if (c[0] == '\n') return true;
        line += c;
    }
}

// The broker's answer line: "OK\t<answer>" or "ERR\t<reason>".
bool answered(sockets::Socket s, std::string& answer, int timeout_ms) {
    std::string line;
    if (!read_line(s, line, timeout_ms)) {
        answer = "no answer from the serial broker";
        return false;
    }
    const std::size_t tab = line.find('\t');
    answer = tab == std::string::npos ? "" : line.substr(tab + 1);
    return line.rfind("OK", 0) == 0;
}

sockets::Socket open_within(const std::string& request, std::string& answer, int timeout_ms) {
    const int port = broker_port();
    const sockets::Socket s =
        port > 0 ? sockets::connect_loopback(static_cast<std::uint16_t>(port)) : sockets::kNone;
    if (s == sockets::kNone) {
        answer = "no serial broker on the host (the CTest fixture serial_broker starts it)";
        return sockets::kNone;
    }
    if (sockets::send_all(s, request + "\n", kAnswerMs) && answered(s, answer, timeout_ms)) return s;
    sockets::close(s);
    return sockets::kNone;
}

// This program's session: it holds the COM links from its first request on.
struct Session {
    std::mutex mutex;
    sockets::Socket conn = sockets::kNone;
    std::string id;
};

Session& session() {
    static Session s;
    return s;
}

// Opens the session when it is not open yet; false with the reason.
bool hold_links(Session& s, std::string& why) {
    if (s.conn != sockets::kNone) return true;
    s.conn = open_within("SESSION", s.id, kLinksWaitMs);
    if (s.conn != sockets::kNone) return true;
    why = "the host's COM links: " + s.id;
    return false;
}

std::string ask(const std::string& request) {
    Session& s = session();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string answer;
    if (!hold_links(s, answer)) {
        ADD_FAILURE() << answer;
        return "";
    }
    if (!sockets::send_all(s.conn, request + "\n", kAnswerMs) || !answered(s.conn, answer, kAnswerMs)) {
        ADD_FAILURE() << "the serial broker refused " << request << ": " << answer;
        return "";
    }
    return answer;
}

}  // namespace

bool available(std::string& why) {
    const sockets::Socket s = broker_port() > 0
                                  ? sockets::connect_loopback(static_cast<std::uint16_t>(broker_port()))
                                  : sockets::kNone;
    if (s != sockets::kNone) {
        sockets::close(s);
        return true;
    }
    why = under_wine() ? "no serial broker on the host (the CTest fixture serial_broker starts it)"
                       : "serial lines are lent by the host only under Wine";
    return false;
}

sockets::Socket open(const std::string& request, std::string& answer) {
    return open_within(request, answer, kAnswerMs);
}

void link_com(int n, const std::string& target) { ask("LINK\t" + std::to_string(n) + "\t" + target); }

std::string com_link(int n) { return ask("PATH\t" + std::to_string(n)); }

std::string line_settings(const std::string& tty) { return ask("LINE\t" + tty); }

void set_output(const std::string& tty, bool flowing) { ask("FLOW\t" + tty + (flowing ? "\ton" : "\toff")); }

// ---- the host's simulator ----

Simulator::~Simulator() { sockets::close(conn_); }  // the broker stops a simulator still running

bool Simulator::start(const std::vector<std::string>& args, std::string& error) {
    Session& s = session();
    std::string request;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!hold_links(s, error)) return false;
        request = "SIM\t" + s.id;
    }
    for (const auto& a : args) request += "\t" + a;
    std::string answer;
    conn_ = open(request, answer);
    if (conn_ == sockets::kNone) {
        error = answer;
        return false;
    }
    pid_ = std::atoi(answer.c_str());
    return true;
}

long Simulator::read_out(char* buf, std::size_t n) {
    while (chunk_left_ == 0) {
        std::string line;
        if (!read_line(conn_, line, kForeverMs)) {
            if (status_ == -2) status_ = -1;  // the broker went away
            return 0;
        }
        if (line.rfind("OUT ", 0) == 0) chunk_left_ = std::strtoul(line.c_str() + 4, nullptr, 10);
        if (line.rfind("EXIT ", 0) == 0) {
            status_ = std::atoi(line.c_str() + 5);
            return 0;
        }
    }
    const std::string got = sockets::recv_upto(conn_, std::min(n, chunk_left_), kForeverMs);
    if (got.empty()) {
        if (status_ == -2) status_ = -1;
        return 0;
    }
    std::memcpy(buf, got.data(), got.size());
    chunk_left_ -= got.size();
    return static_cast<long>(got.size());
}

void Simulator::terminate() { sockets::send_all(conn_, "TERM\n", kAnswerMs); }

void Simulator::kill() { sockets::send_all(conn_, "KILL\n", kAnswerMs); }

}  // namespace host
}  // namespace tv::test
