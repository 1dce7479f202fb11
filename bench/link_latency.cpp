// Latency the two links add to one printer exchange (frame out, reply back): 200 exchanges
// over a pseudo-terminal and over TCP on 127.0.0.1, each against a peer thread that answers
// at once; the same exchanges made with bare system calls give the floor to subtract.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kExchanges = 200;
const std::string kReply = "\x02\tnmTX-100\tvr1.0\t#ABCD\x03";

// The device: reads a request up to its ETX and answers with kReply, until the line ends.
void answer_requests(int fd, std::atomic<bool>& stop) {
    char buf[4096];
    while (!stop) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return;
        if (std::find(buf, buf + n, '\x03') == buf + n) continue;
        for (std::size_t done = 0; done < kReply.size();) {
            const ssize_t w = write(fd, kReply.data() + done, kReply.size() - done);
            if (w <= 0) return;
            done += static_cast<std::size_t>(w);
        }
    }
}

// One exchange with bare calls on fd: the floor any link has to pay.
bool bare_exchange(int fd, const std::string& request) {
    if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return false;
    std::string got;
    char buf[256];
    while (got.empty() || got.back() != '\x03') {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) return false;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        got.append(buf, static_cast<std::size_t>(n));
    }
    return true;
}

double median_us(const std::function<bool()>& exchange) {
    std::vector<double> times;
    for (int i = 0; i < kExchanges; ++i) {
        const auto start = Clock::now();
        if (!exchange()) {
            std::fprintf(stderr, "exchange %d failed\n", i);
            std::exit(1);
        }
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char* link, double through_link, double bare) {
    const double added = through_link - bare;
    std::printf("%-8s median exchange %8.1f us, bare calls %8.1f us, added by the link %8.1f us  (%s)\n",
                link, through_link, bare, added, added < 1000.0 ? "below 1 ms" : "ABOVE 1 ms");
}

void make_raw(int fd) {
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

double serial(const std::string& dir) {
    int master = -1, slave = -1;
    char name[128] = {0};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) std::exit(1);
    make_raw(master);
    make_raw(slave);
    std::filesystem::create_directory(dir + "/ports");
    std::filesystem::create_symlink(name, dir + "/ports/com7");
    tv::copy_to(tv::NR_COM, "\\\\.\\COM7");

    std::atomic<bool> stop{false};
    std::thread device(answer_requests, master, std::ref(stop));
    const std::string request = tv::tarv_frame("sid\t");

    const double bare = median_us([&] { return bare_exchange(slave, request); });
    if (tv::com_connect(false) != tv::RC_OK) std::exit(1);
    char reply[4300];
    unsigned devErr = 0;
    const double linked = median_us([&] {
        tv::tarv_frame("sid\t");
        return tv::com_send(tv::Finish_Frame) == tv::RC_OK && tv::com_pos_receive(reply, devErr) == tv::RC_OK;
    });
    tv::com_disconnect(false);
    stop = true;
    device.join();
    close(slave);
    close(master);
    report("serial", linked, bare);
    return linked - bare;
}

double tcp() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 2) != 0)
        std::exit(1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    std::atomic<bool> stop{false};
    std::thread device([&] {
        for (int i = 0; i < 2 && !stop; ++i) {  // the bare client, then the link
            const int conn = accept(listener, nullptr, nullptr);
            if (conn < 0) return;
            answer_requests(conn, stop);
            close(conn);
        }
    });
    const std::string request = tv::tarv_frame("sid\t");

    const int bare_sock = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(bare_sock, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::exit(1);
    const double bare = median_us([&] { return bare_exchange(bare_sock, request); });
    close(bare_sock);

    tv::copy_to(tv::gServerName, "127.0.0.1");
    tv::PortTCP = ntohs(a.sin_port);
    unsigned int sock = 0;
    std::int16_t stage = 0;
    tv::init_WSADATA(1);
    if (tv::tcp_connect(sock, stage) != tv::RC_OK) std::exit(1);
    char reply[4300];
    unsigned devErr = 0;
    const double linked = median_us([&] {
        tv::tarv_frame("sid\t");
        return tv::tcp_send(sock, tv::Finish_Frame) == tv::RC_OK &&
               tv::tcp_pos_recive(sock, reply, devErr, false) == tv::RC_OK;
    });
    tv::tcp_disconnect(sock);
    tv::init_WSADATA(0);
    stop = true;
    device.join();
    close(listener);
    report("tcp", linked, bare);
    return linked - bare;
}

}  // namespace

int main() {
    // A start-up folder without LOGS and SEQ: the exchange is measured, not the disk.
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("tv-link-bench-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    tv::gCurrendDir = dir;
    tv::RCV_TIMEOUT = 2;
    tv::TIMEOUT_BASE = 20;
    std::printf("%d printer exchanges per link (request %zu bytes, reply %zu bytes)\n", kExchanges,
                std::string(tv::tarv_frame("sid\t")).size(), kReply.size());
    const double serial_added = serial(dir);
    const double tcp_added = tcp();
    std::filesystem::remove_all(dir);
    return serial_added < 1000.0 && tcp_added < 1000.0 ? 0 : 2;
}
