// The serial port on POSIX systems: termios in raw 8N1 with RTS/CTS, an exclusive open
// (TIOCEXCL and a non-blocking flock), non-blocking reads and a poll() slice for waiting.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/globals.h"
#include "link/serial_port.h"

namespace tv {

struct SerialPort::Os {
    int fd = -1;
    termios tio{};
    int flags = 0;
    int err = 0;
};

namespace {

using Clock = std::chrono::steady_clock;

speed_t speed_code(long baud) {
    switch (baud) {
        case 110:
            return B110;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B0;
    }
}

// Pseudo-terminal slaves (the stand-ins the simulator and the tests use) have no line:
// they may refuse a speed, the handshake or the modem lines that a real port takes.
bool is_pseudo_terminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned maj = major(st.st_rdev);
    if (maj >= 136 && maj <= 143) return true;  // Unix98 pty slaves
    const char* name = ttyname(fd);
    return name && std::strncmp(name, "/dev/pts/", 9) == 0;
}

// What this link cannot work without: 8 data bits, no parity, one stop bit, and no
// processing of the bytes in either direction.
bool raw_8n1(const termios& t) {
    return (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & (PARENB | CSTOPB)) &&
           !(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) && !(t.c_oflag & OPOST) &&
           !(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF));
}

void wait_until(Clock::time_point end) {
    if (Clock::now() < end) std::this_thread::sleep_until(end);
}

}  // namespace

SerialPort::SerialPort() : os_(std::make_unique<Os>()) {}
SerialPort::~SerialPort() { close(); }

std::string SerialPort::device_path(const char* nr_com) { return com_device_path(nr_com, gCurrendDir); }

bool SerialPort::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        os_->err = errno;
        return false;
    }
    // TIOCEXCL keeps other programs out (root excepted); the lock also stops a second
    // open by root or by this process.
    if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        os_->err = errno;
        ::close(fd);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        os_->err = errno;
        ::close(fd);
        return false;
    }
    os_->fd = fd;
    return true;
}

bool SerialPort::read_state() {
    if (tcgetattr(os_->fd, &os_->tio) == 0) return true;
    os_->err = errno;
    return false;
}

bool SerialPort::apply_state(long baud) {
    const int fd = os_->fd;
    const speed_t speed = speed_code(baud);
    if (speed == B0) {
        os_->err = EINVAL;
        return false;
    }
    termios want = os_->tio;
    cfmakeraw(&want);
    // What raw mode leaves alone but another program may have left on: XOFF sent when the
    // input fills (a device would stop mid-reply), any byte restarting the output, parity
    // marks checked, the bell on a full queue.
    want.c_iflag &= ~(IXOFF | IXANY | INPCK | IMAXBEL);
#ifdef IUCLC
    want.c_iflag &= ~IUCLC;
#endif
    want.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    want.c_cflag |= CS8 | CREAD | CLOCAL | CRTSCTS;
    cfsetispeed(&want, speed);
    cfsetospeed(&want, speed);
    const bool pty = is_pseudo_terminal(fd);
    if (tcsetattr(fd, TCSANOW, &want) != 0) {
        os_->err = errno;
        if (!pty) return false;
        // A pseudo-terminal that refuses the whole set gets it without speed and handshake.
        want.c_cflag = (want.c_cflag & ~CRTSCTS) | (os_->tio.c_cflag & CRTSCTS);
        cfsetispeed(&want, cfgetispeed(&os_->tio));
        cfsetospeed(&want, cfgetospeed(&os_->tio));
        if (tcsetattr(fd, TCSANOW, &want) != 0) {
            os_->err = errno;
            return false;
        }
    }
    // tcsetattr succeeds when any part of the change took: check what the port holds.
    termios got{};
    if (tcgetattr(fd, &got) != 0) {
        os_->err = errno;
        return false;
    }
    const bool line_ok = cfgetospeed(&got) == speed && cfgetispeed(&got) == speed && (got.c_cflag & CRTSCTS);
    if (!raw_8n1(got) || (!line_ok && !pty)) {
        os_->err = EINVAL;
        return false;
    }
    os_->tio = got;
    int bits = TIOCM_DTR;
    if (ioctl(fd, TIOCMBIS, &bits) != 0 && errno != ENOTTY && errno != EINVAL) {
        os_->err = errno;
        return false;
    }
    return true;
}

bool SerialPort::read_timeouts() {
    const int flags = fcntl(os_->fd, F_GETFL);
    if (flags < 0) {
        os_->err = errno;
        return false;
    }
    os_->flags = flags;
    return true;
}

bool SerialPort::apply_timeouts() {
    // Reads return at once with what is there; waiting is read_byte's poll() slice.
    termios t = os_->tio;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(os_->fd, TCSANOW, &t) != 0 || fcntl(os_->fd, F_SETFL, os_->flags | O_NONBLOCK) != 0) {
        os_->err = errno;
        return false;
    }
    os_->tio = t;
    return true;
}

bool SerialPort::read_byte(unsigned char& b) {
    const auto end = Clock::now() + std::chrono::milliseconds(kSerialSliceMs);
    // With VMIN and VTIME 0 a read finding nothing returns 0; only after poll() announced
    // input does a 0 mean the line is gone.
    bool announced = false;
    for (;;) {
        const ssize_t n = ::read(os_->fd, &b, 1);
        if (n == 1) return true;
        if (n < 0 && errno == EINTR) continue;
        if ((n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) || (n == 0 && announced)) {
            // Hang-up or a failing line: the slice still passes, so callers do not spin.
            os_->err = n == 0 ? EIO : errno;
            wait_until(end);
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{os_->fd, POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(left));
        if (r == 0) return false;
        if (r < 0) {
            if (errno == EINTR) continue;
            os_->err = errno;
            wait_until(end);
            return false;
        }
        if (!(p.revents & POLLIN)) {  // hang-up or error without data
            os_->err = EIO;
            wait_until(end);
            return false;
        }
        announced = true;
    }
}

bool SerialPort::write_all(const unsigned char* p, std::size_t n) {
    auto stall_end = Clock::now() + std::chrono::milliseconds(kSerialWriteTimeoutMs);
    while (n > 0) {
        const ssize_t w = ::write(os_->fd, p, n);
        if (w > 0) {
            p += w;
            n -= static_cast<std::size_t>(w);
            stall_end = Clock::now() + std::chrono::milliseconds(kSerialWriteTimeoutMs);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            os_->err = errno;
            return false;
        }
        // The driver takes no more for now (a full buffer, or CTS low): wait for room.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(stall_end - Clock::now()).count();
        if (left <= 0) {
            os_->err = ETIMEDOUT;
            return false;
        }
        pollfd pf{os_->fd, POLLOUT, 0};
        if (poll(&pf, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
            os_->err = errno;
            return false;
        }
        if (pf.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            os_->err = EIO;
            return false;
        }
    }
    return true;
}

void SerialPort::discard_input() {
    if (os_->fd >= 0) tcflush(os_->fd, TCIFLUSH);
}

void SerialPort::close() {
    if (os_->fd < 0) return;
    ioctl(os_->fd, TIOCNXCL);  // the device stays open elsewhere at times (a pty's other holders)
    ::close(os_->fd);
    os_->fd = -1;
}

bool SerialPort::is_open() const { return os_->fd >= 0; }

unsigned long SerialPort::last_error() const { return static_cast<unsigned long>(os_->err); }

}  // namespace tv
