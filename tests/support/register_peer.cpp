// The scripted cash register of the tests, its frames, and the TCP client end.
#include "register_peer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/globals.h"
#include "common/text.h"
#include "link/TCPIP_pos.h"
#include "ui/Controls.h"

namespace tv::test {

std::string reply_frame(std::uint16_t cmd, const std::function<void(KS_FRM&)>& fill) {
    KS_FRM f;
    f.clear();
    f.CMD_ID = cmd;
    if (fill) fill(f);
    f.make();
    return std::string(reinterpret_cast<const char*>(f.FRAME), f.F_LEN);
}

std::string error_frame(std::initializer_list<std::uint16_t> values) {
    return reply_frame(0, [&](KS_FRM& f) {
        for (auto v : values) f.putV(v);
        f.FLD_NUM = static_cast<std::uint16_t>(values.size());
    });
}

KS_FRM parse_frame(const std::string& wire) {
    KS_FRM f;
    f.clear();
    std::memcpy(f.FRAME, wire.data(), std::min<std::size_t>(wire.size(), sizeof f.FRAME));
    f.filter();
    return f;
}

namespace {
constexpr int kByteWaitMs = 5000;  // longest pause inside a request
constexpr int kTcpDrainMs = 3000;  // after the script: until the client closes
constexpr int kPtyDrainMs = 300;   // after the script on a terminal: no close to see
}  // namespace

RegisterPeer::RegisterPeer(Kind kind, std::vector<Reply> script)
    : RegisterPeer(kind, std::move(script), Responder{}) {}

RegisterPeer::RegisterPeer(Kind kind, Responder responder) : RegisterPeer(kind, {}, std::move(responder)) {}

RegisterPeer::RegisterPeer(Kind kind, std::vector<Reply> script, Responder responder)
    : script_(std::move(script)), responder_(std::move(responder)) {
    if (kind == Kind::Tcp)
        tcp_ = std::make_unique<TcpDevice>();
    else
        pty_ = std::make_unique<PtyDevice>();
    thread_ = std::thread([this] { run(); });
}

RegisterPeer::~RegisterPeer() { finish(); }

void RegisterPeer::finish() {
    if (thread_.joinable()) thread_.join();
}

bool RegisterPeer::read_byte(int timeout_ms, unsigned char& b) {
    const std::string got = tcp_ ? tcp_->read(1, timeout_ms) : pty_->read(1, timeout_ms);
    if (got.empty()) return false;
    b = static_cast<unsigned char>(got[0]);
    all_ += got;
    return true;
}

void RegisterPeer::send(const std::string& bytes) {
    try {
        if (tcp_)
            tcp_->write(bytes);
        else
            pty_->write(bytes);
    } catch (const std::exception&) {
        // The client has gone; what it received is what the test looks at.
    }
}

bool RegisterPeer::read_frame(std::string& frame) {
    bool inside = false, pending = false;
    for (;;) {
        unsigned char b = 0;
        if (!read_byte(kByteWaitMs, b)) return false;
        if (!inside) {
            if (b == 0x02 && pending) {
                inside = true;
                pending = false;
                frame = "\x10\x02";
            } else {
                pending = b == 0x10;
            }
            continue;
        }
        frame.push_back(static_cast<char>(b));
        if (pending) {
            if (b == 0x03) return true;  // DLE DLE is a data byte; DLE ETX ends the frame
            pending = false;
        } else if (b == 0x10) {
            pending = true;
        }
    }
}

void RegisterPeer::run() {
    if (tcp_ && !tcp_->accept(kByteWaitMs)) return;
    bool open = true;
    for (std::size_t i = 0; responder_ || i < script_.size(); ++i) {
        std::string frame;
        if (!read_frame(frame)) break;
        requests_.push_back(frame);
        const Reply reply = responder_ ? responder_(i, frame) : script_[i];
        send(reply.bytes);
        if (reply.close_after) {
            if (tcp_) {
                tcp_->close_connection();
                open = false;
            }
            break;
        }
    }
    // Whatever else the client sends until it goes away.
    if (open) {
        unsigned char b;
        while (read_byte(tcp_ ? kTcpDrainMs : kPtyDrainMs, b)) {
        }
        if (tcp_) tcp_->close_connection();
    }
}

TcpClient::TcpClient(std::uint16_t port) {
    copy_to(gServerName, "127.0.0.1");
    PortTCP = port;
    set_sel(gComb_Interface, 1);
    init_WSADATA(1);
    tcp_connect(sock, stage);
}

void TcpClient::close() {
    if (stage > 2) tcp_disconnect(sock);
    stage = 0;
}

TcpClient::~TcpClient() {
    close();
    init_WSADATA(0);
}

}  // namespace tv::test
