// The scripted cash register of the upload tests (POSIX sockets, loopback only).
#include "register_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "register/prt_ks.h"

namespace tv::test {

namespace {

constexpr int kWaitMs = 5000;  // longest the peer waits for the client at any point
constexpr unsigned char DLE = 0x10, STX = 0x02, ETX = 0x03;

bool wait_readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kWaitMs) == 1;
}

// Reads one wire frame, start pair to end pair. False when the client closed or went quiet.
bool read_frame(int fd, std::vector<unsigned char>& frame) {
    frame.clear();
    bool pending = false, inside = false;
    for (;;) {
        if (!wait_readable(fd)) return false;
        unsigned char b = 0;
        if (::recv(fd, &b, 1, 0) != 1) return false;
        if (!inside) {
            if (pending && b == STX) {
                inside = true;
                frame = {DLE, STX};
            }
            pending = b == DLE;
            continue;
        }
        frame.push_back(b);
        if (pending) {
            pending = false;  // DLE DLE is a data byte; DLE ETX ends the frame
            if (b == ETX) return true;
        } else if (b == DLE) {
            pending = true;
        }
    }
}

}  // namespace

ScriptedRegister::ScriptedRegister(Answer answer) : answer_(std::move(answer)) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listen_fd_, 1);
    socklen_t len = sizeof a;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

ScriptedRegister::~ScriptedRegister() {
    if (thread_.joinable()) thread_.join();
    if (listen_fd_ >= 0) ::close(listen_fd_);
}

const std::vector<Request>& ScriptedRegister::requests() {
    if (thread_.joinable()) thread_.join();
    return requests_;
}

void ScriptedRegister::run() {
    if (!wait_readable(listen_fd_)) return;
    const int fd = ::accept(listen_fd_, nullptr, nullptr);
    if (fd < 0) return;
    auto req = std::make_unique<KS_FRM>();
    auto rep = std::make_unique<KS_FRM>();
    std::vector<unsigned char> wire;
    while (read_frame(fd, wire)) {
        req->clear();
        std::memcpy(req->FRAME, wire.data(), std::min<std::size_t>(wire.size(), KS_FRAME_SIZE));
        req->filter();
        Request r;
        r.cmd = req->CMD_ID;
        r.fields = req->FLD_NUM;
        r.data.assign(req->DATA, req->DATA + req->DATA_LEN);
        const std::uint16_t error = answer_(requests_.size(), r);
        requests_.push_back(r);

        rep->clear();
        if (error == 0) {
            rep->CMD_ID = req->CMD_ID;
        } else {
            rep->CMD_ID = 0;
            rep->FLD_NUM = 2;
            rep->putV(req->CMD_ID);
            rep->putV(error);
        }
        rep->make();
        if (::send(fd, rep->FRAME, rep->F_LEN, MSG_NOSIGNAL) != rep->F_LEN) break;
    }
    ::close(fd);
}

}  // namespace tv::test
