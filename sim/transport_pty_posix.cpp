// Pseudo-terminal transport: the tool opens the slave (through the published link) as if
// it were a serial port; the simulator answers on the master. A closed slave is waited out.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "transport.h"

namespace tv::sim {

namespace {

// Opens a pty pair with raw settings on both sides and keeps only the master.
bool open_pair(int& master, std::string& slave_path, std::string& error) {
    termios raw{};
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    char name[PATH_MAX] = {};
    int slave = -1;
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        error = std::string("Nie można otworzyć pseudoterminala: ") + std::strerror(errno);
        return false;
    }
    ::tcsetattr(master, TCSANOW, &raw);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::close(slave);  // the tool opens its own; until then the master sees a hang-up
    slave_path = name;
    return true;
}

// Points link_path at target, replacing an older link in one step. A path that exists and
// is not a symbolic link is left alone.
bool publish_link(const std::string& link_path, const std::string& target, std::string& error) {
    struct stat st {};
    if (::lstat(link_path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = "Ścieżka " + link_path + " istnieje i nie jest dowiązaniem symbolicznym";
        return false;
    }
    std::string tmp = link_path + ".tmp-sim";
    ::unlink(tmp.c_str());
    if (::symlink(target.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), link_path.c_str()) != 0) {
        error = "Nie można utworzyć dowiązania " + link_path + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

class PtyTransport final : public Transport {
  public:
    PtyTransport(int master, std::string slave, std::string link)
        : master_(master), slave_(std::move(slave)), link_(std::move(link)) {}

    ~PtyTransport() override {
        ::close(master_);
        // Remove the link only while it still names our slave.
        char buf[PATH_MAX] = {};
        ssize_t n = ::readlink(link_.c_str(), buf, sizeof buf - 1);
        if (n > 0 && slave_ == std::string(buf, static_cast<std::size_t>(n))) ::unlink(link_.c_str());
    }

    bool wait_peer(const std::atomic<bool>& stop) override { return !stop.load(); }

    long read(unsigned char* buf, std::size_t cap, int timeout_ms) override {
        pollfd p{master_, POLLIN, 0};
        int r = ::poll(&p, 1, timeout_ms);
        if (r <= 0) return 0;
        if (p.revents & POLLIN) {
            ssize_t n = ::read(master_, buf, cap);
            if (n > 0) return n;
        }
        // No slave open (POLLHUP, or EIO on read): the tool has closed the port. Wait a
        // slice without spinning and try again; the tool may open it any moment.
        ::usleep(static_cast<useconds_t>(timeout_ms < 50 ? timeout_ms : 50) * 1000);
        return 0;
    }

    bool write(const unsigned char* p, std::size_t n) override {
        int idle = 0;
        while (n > 0) {
            ssize_t w = ::write(master_, p, n);
            if (w > 0) {
                p += w;
                n -= static_cast<std::size_t>(w);
                idle = 0;
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (++idle > 200) return false;  // nobody reads for 2 s: give up this reply
            pollfd q{master_, POLLOUT, 0};
            ::poll(&q, 1, 10);
        }
        return true;
    }

    void drop() override {
        int fresh = -1;
        std::string path, error;
        if (!open_pair(fresh, path, error)) return;  // keep the old one rather than none
        if (!publish_link(link_, path, error)) {
            ::close(fresh);
            return;
        }
        ::close(master_);
        master_ = fresh;
        slave_ = path;
    }

    std::string ready_line() const override { return "READY pty " + slave_; }

  private:
    int master_;
    std::string slave_;
    std::string link_;
};

}  // namespace

std::unique_ptr<Transport> make_pty_transport(const std::string& link_path, std::string& error) {
    int master = -1;
    std::string slave;
    if (!open_pair(master, slave, error)) return nullptr;
    if (!publish_link(link_path, slave, error)) {
        ::close(master);
        return nullptr;
    }
    return std::make_unique<PtyTransport>(master, slave, link_path);
}

}  // namespace tv::sim
