// Windows has no pseudo-terminals: the object is inert (a fixture may hold one), and using
// it is a test failure (the case should have skipped with TV_POSIX_ONLY).
#include <gtest/gtest.h>

#include "support/device_end.h"

namespace tv::test {

namespace {
void refuse() { ADD_FAILURE() << "a pseudo-terminal was used on Windows"; }
}  // namespace

PtyDevice::PtyDevice(bool) {}
PtyDevice::~PtyDevice() = default;
void PtyDevice::write(const std::string&) { refuse(); }
std::string PtyDevice::read(std::size_t, int) {
    refuse();
    return {};
}
std::string PtyDevice::drain(int) {
    refuse();
    return {};
}
void PtyDevice::close_master() {}

}  // namespace tv::test
