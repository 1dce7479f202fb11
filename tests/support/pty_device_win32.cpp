// The pseudo-terminal device end on Windows: under Wine the host makes the pair, and the
// master side is a loopback connection the host's serial broker relays to it. Without the
// broker the object is inert, and using it is a test failure (the case should have skipped
// with TV_NEEDS_PTY).
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/device_end.h"
#include "support/host_serial.h"

namespace tv::test {

PtyDevice::PtyDevice(bool raw) {
    std::string why;
    if (!host::available(why)) return;
    relay_ = host::open(std::string("PTY\t") + (raw ? "raw" : "cooked"), slave_path_);
    if (relay_ == sockets::kNone) ADD_FAILURE() << "no pseudo-terminal from the host: " << slave_path_;
}

PtyDevice::~PtyDevice() { close_master(); }

void PtyDevice::write(const std::string& bytes) {
    if (relay_ == sockets::kNone) ADD_FAILURE() << "a pseudo-terminal was used without one";
    // Bounded generously: a link that never reads ends the test instead of hanging it.
    if (!sockets::send_all(relay_, bytes, 30000)) throw std::runtime_error("device write failed");
}

std::string PtyDevice::read(std::size_t n, int timeout_ms) {
    if (relay_ == sockets::kNone) ADD_FAILURE() << "a pseudo-terminal was used without one";
    return sockets::recv_upto(relay_, n, timeout_ms);
}

std::string PtyDevice::drain(int quiet_ms) {
    std::string out;
    for (std::string more; !(more = read(65536, quiet_ms)).empty();) out += more;
    return out;
}

std::string PtyDevice::line_settings() const { return host::line_settings(slave_path_); }

void PtyDevice::hold_output(bool held) { host::set_output(slave_path_, !held); }

void PtyDevice::close_master() {
    sockets::close(relay_);  // the host hangs the line up
    relay_ = sockets::kNone;
}

}  // namespace tv::test
