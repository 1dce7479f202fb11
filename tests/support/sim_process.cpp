// The simulator as a child process of a test, a raw byte line to it, and its request log.
#include "support/sim_process.h"

#include <algorithm>
#include <cctype>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <sstream>

#include "support/child.h"
#ifdef _WIN32
#include "support/host_serial.h"
#endif
#include "support/recording_host.h"
#include "support/sockets.h"

namespace tv::test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string SimProcess::binary() {
#ifdef TV_SIM_PATH
    return TV_SIM_PATH;
#else
    return "";
#endif
}

namespace {
// The simulator as a child process, or on Windows the host's for a pseudo-terminal.
std::unique_ptr<Process> start_process(const std::string& path, const std::vector<std::string>& args,
                                       std::string& error) {
#ifdef _WIN32
    if (std::find(args.begin(), args.end(), "--pty") != args.end()) {
        auto sim = std::make_unique<host::Simulator>();
        if (!sim->start(args, error)) return nullptr;
        return sim;
    }
#endif
    auto child = std::make_unique<Child>();
    if (!child->start(path, args, {}, false, error)) return nullptr;
    return child;
}
}  // namespace

SimProcess::SimProcess(std::vector<std::string> args, milliseconds ready_timeout) {
    const std::string path = binary();
    if (path.empty()) {
        error_ = "the simulator is not built";
        return;
    }
    child_ = start_process(path, args, error_);
    if (!child_) return;
    started_ = true;
    reader_ = std::thread(&SimProcess::reader_loop, this);

    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, ready_timeout, [&] { return !lines_.empty() || eof_; });
    if (lines_.empty()) {
        const bool ended = eof_;
        lock.unlock();
        error_ = ended ? "the simulator ended before it was ready" : "no READY line in time";
        const int status = ended ? wait_exit(milliseconds(1000)) : stop(milliseconds(1000));
        error_ += " (exit status " + std::to_string(status) + ")";
        return;
    }
    ready_line_ = lines_.front();
    lock.unlock();

    std::istringstream in(ready_line_);
    std::string word;
    in >> word >> kind_;
    if (word != "READY" || (kind_ != "tcp" && kind_ != "pty")) {
        error_ = "unexpected first line: " + ready_line_;
        if (wait_exit(milliseconds(1000)) == -2) stop(milliseconds(1000));
        return;
    }
    if (kind_ == "tcp") {
        std::string host;
        in >> host >> port_;
        ok_ = port_ > 0;
    } else {
        in >> pty_;
        ok_ = !pty_.empty();
    }
    if (!ok_) error_ = "unreadable READY line: " + ready_line_;
}

int SimProcess::pid() const { return child_ ? child_->pid() : -1; }

SimProcess::~SimProcess() {
    if (!started_) return;
    stop();
    if (reader_.joinable()) reader_.join();
}

void SimProcess::reader_loop() {
    std::string partial;
    char buf[512];
    for (long n; (n = child_->read_out(buf, sizeof buf)) > 0;) {
        partial.append(buf, static_cast<std::size_t>(n));
        std::size_t nl;
        while ((nl = partial.find('\n')) != std::string::npos) {
            std::string line = partial.substr(0, nl);
            if (!line.empty() && line.back() == '\r') line.pop_back();  // a Windows text stream
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(std::move(line));
            partial.erase(0, nl + 1);
            cv_.notify_all();
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    eof_ = true;
    cv_.notify_all();
}

std::string SimProcess::wait_line(const std::string& prefix, milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::string found;
    cv_.wait_for(lock, timeout, [&] {
        for (std::size_t i = 1; i < lines_.size(); ++i)
            if (lines_[i].rfind(prefix, 0) == 0) {
                found = lines_[i];
                return true;
            }
        return eof_;
    });
    return found;
}

bool SimProcess::try_reap() {
    if (!started_ || reaped_) return true;
    const int r = child_->poll_exit();
    if (r == -2) return false;
    status_ = r;
    reaped_ = true;
    return true;
}

int SimProcess::wait_exit(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    {
        // Its standard output closes when it ends.
        std::unique_lock<std::mutex> lock(mutex_);
        if (!cv_.wait_until(lock, deadline, [&] { return eof_; })) return try_reap() ? status_ : -2;
    }
    // Ended or ending: the process itself is gone a moment later.
    while (!try_reap()) {
        if (Clock::now() >= deadline) return -2;
        std::this_thread::yield();
    }
    return status_;
}

int SimProcess::stop(milliseconds timeout) {
    if (!started_ || reaped_) return status_;
    child_->terminate();
    if (wait_exit(timeout) != -2) return status_;
    child_->kill();
    status_ = -1;
    reaped_ = true;
    return status_;
}

// ---- RawLine ----

RawLine RawLine::tcp(int port) {
    RawLine line;
    line.sock_ = sockets::connect_loopback(static_cast<std::uint16_t>(port));
    return line;
}

RawLine RawLine::pty([[maybe_unused]] const std::string& path) {
    RawLine line;
#ifndef _WIN32
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return line;
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd, TCSANOW, &t);
    }
    line.fd_ = fd;
#endif
    return line;
}

RawLine::RawLine(RawLine&& other) noexcept : fd_(other.fd_), sock_(other.sock_) {
    other.fd_ = -1;
    other.sock_ = sockets::kNone;
}

RawLine& RawLine::operator=(RawLine&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        sock_ = other.sock_;
        other.fd_ = -1;
        other.sock_ = sockets::kNone;
    }
    return *this;
}

RawLine::~RawLine() { close(); }

bool RawLine::ok() const { return fd_ >= 0 || sock_ != sockets::kNone; }

void RawLine::close() {
#ifndef _WIN32
    if (fd_ >= 0) ::close(fd_);
#endif
    fd_ = -1;
    sockets::close(sock_);
    sock_ = sockets::kNone;
}

bool RawLine::send(const std::string& bytes) {
    if (sock_ != sockets::kNone) return sockets::send_all(sock_, bytes, 3000);
    std::size_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (ok() && done < bytes.size() && Clock::now() < deadline) {
#ifndef _WIN32
        const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
#endif
    }
    return done == bytes.size();
}

int RawLine::read_byte(unsigned char& b, Clock::time_point deadline) {
    while (ok()) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return 0;
        if (sock_ != sockets::kNone) {
            const int r = sockets::wait_readable(sock_, static_cast<int>(left.count()));
            if (r <= 0) return 0;
            const long n = sockets::recv(sock_, &b, 1);
            if (n == 1) return 1;
            if (n == -2) continue;
            return -1;  // closed or reset connection
        }
#ifndef _WIN32
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return 0;
        const ssize_t n = ::read(fd_, &b, 1);
        if (n == 1) return 1;
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        return -1;  // a hung-up terminal
#endif
    }
    return -1;
}

std::string RawLine::read_printer_reply(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string out;
    unsigned char b = 0;
    while (read_byte(b, deadline) == 1) {
        out.push_back(static_cast<char>(b));
        if (b == 0x03) break;
    }
    return out;
}

std::string RawLine::read_register_reply(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string out;
    bool pending = false;
    unsigned char b = 0;
    while (read_byte(b, deadline) == 1) {
        out.push_back(static_cast<char>(b));
        if (pending) {
            pending = false;
            if (b == 0x03) break;
        } else if (b == 0x10) {
            pending = true;
        }
    }
    return out;
}

bool RawLine::wait_closed(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    unsigned char b = 0;
    for (;;) {
        const int r = read_byte(b, deadline);
        if (r < 0) return true;
        if (r == 0) return false;
    }
}

StoredSlot read_stored_slot(const std::string& path) {
    const std::string f = read_file(path);
    std::size_t pos = 0;
    auto token = [&]() {
        while (pos < f.size() && (f[pos] == '#' || std::isspace(static_cast<unsigned char>(f[pos])))) {
            if (f[pos] == '#')
                while (pos < f.size() && f[pos] != '\n') ++pos;
            else
                ++pos;
        }
        const std::size_t start = pos;
        while (pos < f.size() && !std::isspace(static_cast<unsigned char>(f[pos]))) ++pos;
        return f.substr(start, pos - start);
    };
    StoredSlot s;
    if (token() != "P4") return s;
    const std::string w = token(), h = token();
    if (w.empty() || h.empty() || pos >= f.size()) return s;
    s.bits = f.substr(pos + 1);
    s.w = std::stoi(w);
    s.h = std::stoi(h);
    if (s.bits.size() < static_cast<std::size_t>((s.w + 7) / 8) * static_cast<std::size_t>(s.h))
        s = StoredSlot{};
    return s;
}

std::vector<std::string> test_sim_args(std::vector<std::string> args, const std::string& dir,
                                       const std::string& pty_link) {
    args.insert(args.end(), {"--log", dir + "/requests.log"});
    if (!pty_link.empty())
        args.insert(args.end(), {"--pty", pty_link});
    else
        args.insert(args.end(), {"--tcp", "0"});
    return args;
}

std::vector<std::string> read_request_log(const std::string& path) {
    const std::string log = read_file(path);
    std::vector<std::string> out;
    std::size_t p = 0;
    while (p + 4 <= log.size()) {
        std::size_t n = 0;
        for (int i = 3; i >= 0; --i) n = n * 256 + static_cast<unsigned char>(log[p + i]);
        p += 4;
        out.push_back(log.substr(p, n));
        p += n;
    }
    return out;
}

}  // namespace tv::test
